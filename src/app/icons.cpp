// Build tool: writes the program's bitmap icons in the hicolor theme's layout,
//   kelvor_icons OUTDIR  ->  OUTDIR/hicolor/{32x32,48x48}/apps/kelvor.png
// 32 x 32 is the About box's 16-colour ProgramIcon itself. 48 x 48, the size icon themes
// ask for at least, is the same picture drawn again on its own pixel grid: a damped wave
// over its zero line on a dark face. Larger sizes come from the scalable icon
// (data/kelvor.svg), which draws the same motif.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include "dialogs/about.h"

namespace {

QImage Icon48() {
  QImage img(48, 48, QImage::Format_ARGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawRect(0, 0, 47, 47);  // the outer ring of pixels
  p.setPen(QColor(0x00, 0x80, 0x00));
  p.drawLine(3, 24, 44, 24);
  // A 2-pixel pen centred on whole coordinates covers two whole rows where the wave runs
  // flat; antialiasing smooths the slopes.
  QPainterPath wave;
  for (int i = 0; i <= 82; ++i) {
    const double x = 3 + i * 0.5;
    const double y = 24 - 15 * std::sin(x * 0.3) * std::exp(-x * 0.02);
    if (i == 0)
      wave.moveTo(x, y);
    else
      wave.lineTo(x, y);
  }
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x00, 0xff, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(wave);
  return img;
}

bool Write(const QString& root, int size, const QImage& image) {
  const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
  const QString path = dir + QStringLiteral("/kelvor.png");
  if (QDir().mkpath(dir) && image.save(path, "PNG")) return true;
  std::fprintf(stderr, "kelvor_icons: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 1;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QImage small = TAboutBox::MakeIcon().convertToFormat(QImage::Format_ARGB32);
  return Write(root, 32, small) && Write(root, 48, Icon48()) ? 0 : 1;
}
