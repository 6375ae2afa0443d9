#include "dialogs/about.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cmath>

TAboutBox::TAboutBox(QWidget* owner, const QString& deviceLine)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("バージョン情報"));
  if (owner) setFont(owner->font());
  setFixedSize(148, 132);

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(4, 4, 140, 92);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName("ProgramIcon");
  ProgramIcon->setGeometry(6, 6, 33, 33);
  ProgramIcon->setPixmap(QPixmap::fromImage(MakeIcon().scaled(33, 33)));

  ProductName = new QLabel(QStringLiteral("Orvandis"), Panel1);
  ProductName->setObjectName("ProductName");
  ProductName->setGeometry(46, 8, 90, 14);
  Version = new QLabel(QStringLiteral("Version 0.991"), Panel1);
  Version->setObjectName("Version");
  Version->setGeometry(46, 24, 90, 14);

  QString comments = QStringLiteral("Recorder, player, analyser.");
  if (!deviceLine.isEmpty()) comments += QLatin1Char('\n') + deviceLine;
  Comments = new QLabel(Panel1);
  Comments->setObjectName("Comments");
  Comments->setWordWrap(true);
  Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Comments->setGeometry(6, 42, 130, 48);
  QFont small = font();
  small.setPixelSize(10);
  Comments->setFont(small);
  // The device line can be long (the sound system's name, version and devices): what
  // does not fit the label ends in an ellipsis, and the whole text is the tooltip.
  const QString shown = FitText(QFontMetrics(small), Comments->contentsRect(), comments);
  Comments->setText(shown);
  if (shown != comments) Comments->setToolTip(comments);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(37, 102, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

QString TAboutBox::FitText(const QFontMetrics& fm, const QRect& box, const QString& text) {
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  auto fits = [&](const QString& t) {
    const QRect r = fm.boundingRect(box, flags, t);
    return r.width() <= box.width() && r.height() <= box.height();
  };
  if (fits(text)) return text;
  // The longest start of the text that fits with an ellipsis after it.
  const QChar ellipsis(0x2026);
  for (qsizetype n = text.size() - 1; n > 0; --n) {
    const QString t = text.left(n).trimmed() + ellipsis;
    if (fits(t)) return t;
  }
  return QString(ellipsis);
}

// A small waveform on a dark face, drawn in the 16 colours of the classic palette.
QImage TAboutBox::MakeIcon() {
  QImage img(32, 32, QImage::Format_Indexed8);
  QList<QRgb> palette{0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                      0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                      0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
  img.setColorTable(palette);
  img.fill(0);
  for (int x = 0; x < 32; ++x) {
    img.setPixel(x, 0, 8);
    img.setPixel(x, 31, 8);
    img.setPixel(0, x, 8);
    img.setPixel(31, x, 8);
  }
  for (int x = 2; x < 30; ++x) {
    const int y = 16 - int(10 * std::sin(x * 0.45) * std::exp(-x * 0.03));
    img.setPixel(x, y, 10);
    img.setPixel(x, 16, 2);
  }
  return img;
}
