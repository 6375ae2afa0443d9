// Build tool: writes the program's icon, the About box's 32 x 32 16-colour ProgramIcon,
// as PNG files in the hicolor theme's layout, each pixel repeated to fill the larger sizes.
//   kelvor_icons OUTDIR SIZE...   ->  OUTDIR/hicolor/SIZExSIZE/apps/kelvor.png
// SIZE is a multiple of 32 (32 .. 512).

#include <QDir>
#include <QImage>
#include <cstdio>

#include "about.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR SIZE...\n", argv[0]);
    return 1;
  }
  const QImage icon = TAboutBox::MakeIcon();
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
    if (!ok || size < 32 || size > 512 || size % 32 != 0) {
      std::fprintf(stderr, "%s: size %s is not a multiple of 32 from 32 to 512\n", argv[0],
                   argv[i]);
      return 1;
    }
    const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
    const QString path = dir + QStringLiteral("/kelvor.png");
    // Nearest neighbour: the sharp pixels of the small picture, as the About box shows it.
    const QImage scaled = icon.convertToFormat(QImage::Format_ARGB32)
                              .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!QDir().mkpath(dir) || !scaled.save(path, "PNG")) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
      return 1;
    }
  }
  return 0;
}
