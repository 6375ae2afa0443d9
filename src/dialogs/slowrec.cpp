#include "dialogs/slowrec.h"

#include <QFrame>
#include <QPushButton>

#include "base/nearest.h"
#include "model/NewSoundSettings.h"
#include "ui/RadioGroup.h"

namespace {
constexpr double kSeconds[5] = {0.2, 0.4, 0.6, 0.8, 1.0};
}

TOKBottomDlg::TOKBottomDlg(NewSoundSettings& settings, QWidget* owner)
    : QDialog(owner), settings_(settings) {
  setObjectName("OKBottomDlg");
  setWindowTitle("SlowRecTime");
  if (owner) setFont(owner->font());
  setFixedSize(142, 216);
  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 129, 161);
  SlowRecTime = new RadioGroup(this, "SlowRecTime", "SlowRecTime", QRect(20, 17, 105, 140),
                               {"0.2s", "0.4s", "0.6s", "0.8s", "1.0s"});
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(38, 180, 66, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  SlowRecTime->OnClick = [this] { SlowRecTimeClick(); };
  FormCreate();
}

void TOKBottomDlg::FormCreate() {
  SlowRecTime->SetItemIndex(int(Nearest(settings_.SlowRecSeconds * 5 - 1)));
}

void TOKBottomDlg::SlowRecTimeClick() {
  const int i = SlowRecTime->ItemIndex();
  if (i >= 0 && i < 5) settings_.SlowRecSeconds = kSeconds[i];
}
