// Two device pixels per logical pixel (QT_SCALE_FACTOR=2): the views keep drawing in the
// boxes' logical pixels and show each as a sharp 2 x 2 block; the readout stays centred.

#include <QLabel>
#include <QtTest>

#include "../files/WaveBytes.h"
#include "FormHarness.h"
#include "ui/PaintBox.h"

namespace {
// Whether every logical pixel of `box` is shown as a block of its own colour.
QString Blocky(const PaintBox* box) {
  const QPixmap shown = const_cast<PaintBox*>(box)->grab();
  const QImage dev = shown.toImage().convertToFormat(QImage::Format_RGB32);
  const QImage& img = box->Image();
  if (dev.size() != img.size() * 2)
    return QString("shown %1x%2").arg(dev.width()).arg(dev.height());
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      for (int d = 0; d < 4; ++d)
        if (dev.pixel(2 * x + d % 2, 2 * y + d / 2) != img.pixel(x, y))
          return QString("%1 at (%2, %3)").arg(box->objectName()).arg(x).arg(y);
  return {};
}
}  // namespace

class HighDpiTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

public:
  // Before the application is made.
  static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private slots:
  void Views_keepLogicalPixels_shownAsSharpBlocks() {
    FormHarness h;
    h->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
    QCOMPARE(h->devicePixelRatio(), 2.0);
    const QString path = dir_.filePath("tone.wav");
    wavebytes::Bytes data;
    for (int i = 0; i < 8000; ++i)
      data.push_back(std::uint8_t(128 + std::lrint(90 * std::sin(2 * M_PI * 440.0 * i / 8000))));
    wavebytes::WriteAll(path.toStdString(), wavebytes::Standard(1, 8000, 8, data));
    h->OpenFile(path);
    QVERIFY(h->Sound.HasSound());
    for (const PaintBox* box : {h->PaintBoxGra, h->PaintBoxFft, h->PaintBoxfftfilter}) {
      QCOMPARE(box->Image().size(), box->size());  // 393 x 169 etc., logical
      const QString where = Blocky(box);
      QVERIFY2(where.isEmpty(), qPrintable(where));
    }
    QCOMPARE(h->PaintBoxGra->Image().size(), QSize(393, 169));

    // The readout's red digits are centred in its 193 x 97 box.
    QCOMPARE(h->Label2->text(), QString("440"));
    const QImage label = h->Label2->grab().toImage();
    QRect red;
    for (int y = 0; y < label.height(); ++y)
      for (int x = 0; x < label.width(); ++x)
        if (qRed(label.pixel(x, y)) > 200 && qGreen(label.pixel(x, y)) < 60)
          red |= QRect(x, y, 1, 1);
    QVERIFY(!red.isEmpty());
    const QPointF centre = QRectF(label.rect()).center();
    QVERIFY(std::abs(QRectF(red).center().x() - centre.x()) <= 4);
    QVERIFY(std::abs(QRectF(red).center().y() - centre.y()) <= 12);
  }
};

QTEST_MAIN(HighDpiTest)
#include "HighDpiTest.moc"
