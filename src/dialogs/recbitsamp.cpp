#include "dialogs/recbitsamp.h"

#include <QFrame>
#include <QPushButton>

#include "model/NewSoundSettings.h"
#include "ui/RadioGroup.h"

Tbitsampling::Tbitsampling(NewSoundSettings& settings, QWidget* owner)
    : QDialog(owner), settings_(settings) {
  setObjectName("bitsampling");
  setWindowTitle("Bit&Sampling");
  if (owner) setFont(owner->font());
  setFixedSize(210, 245);
  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 193, 201);
  Bit = new RadioGroup(this, "Bit", "Bit", QRect(24, 24, 65, 137), {"8 bit", "16bit"});
  Sampling = new RadioGroup(this, "Sampling", "Sampling", QRect(96, 24, 89, 177),
                            {"8000 Hz", "11025Hz", "12000Hz", "16000Hz", "22050Hz", "24000Hz",
                             "32000Hz", "44100Hz", "48000Hz"});
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(63, 212, 75, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  Bit->OnClick = [this] { BitClick(); };
  Sampling->OnClick = [this] { SamplingClick(); };
  FormCreate();
}

void Tbitsampling::FormCreate() {
  Bit->SetItemIndex(settings_.RecBits == 8 ? 0 : 1);
  std::optional<int> item = NewSoundSettings::ItemOfRate(settings_.RecSampleRate);
  if (!item) {
    // A rate fftmix copied from a file: the last one offered instead.
    item = int(NewSoundSettings::kRates.size()) - 1;
    settings_.RecSampleRate = NewSoundSettings::kRates.back();
  }
  Sampling->SetItemIndex(*item);
}

void Tbitsampling::BitClick() {
  if (Bit->ItemIndex() == 0) settings_.RecBits = 8;
  if (Bit->ItemIndex() == 1) settings_.RecBits = 16;
}

void Tbitsampling::SamplingClick() {
  const int i = Sampling->ItemIndex();
  if (i >= 0 && i < int(NewSoundSettings::kRates.size()))
    settings_.RecSampleRate = NewSoundSettings::kRates[std::size_t(i)];
}
