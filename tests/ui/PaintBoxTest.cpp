// The paint box: handlers draw into its image at once; OnPaint runs when it is first shown;
// mouse presses arrive in box pixels; text is drawn in the font colour on the brush colour.

#include <QtTest>

#include "ui/PaintBox.h"

namespace {
QRgb At(const PaintBox& b, int x, int y) { return b.Image().pixel(x, y) & 0xFFFFFF; }
}  // namespace

class PaintBoxTest : public QObject {
  Q_OBJECT
private slots:
  void OnPaint_runsOnceWhenFirstShown() {
    QWidget parent;
    auto* box = new PaintBox(&parent, "PaintBoxGra", QRect(8, 0, 393, 169), Qt::gray);
    int paints = 0;
    box->OnPaint = [&] {
      ++paints;
      box->Canvas().SetBrushColor(Colors::Black);
      box->Canvas().FillRect(0, 0, box->Width(), box->Height());
    };
    QCOMPARE(At(*box, 5, 5), QColor(Qt::gray).rgb() & 0xFFFFFF);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    parent.hide();
    parent.show();
    QCOMPARE(paints, 1);
    QCOMPARE(At(*box, 392, 168), 0u);
    QCOMPARE(box->geometry(), QRect(8, 0, 393, 169));
    QCOMPARE(box->objectName(), QString("PaintBoxGra"));
  }

  void Canvas_linesExcludeEndPoint_dottedSkipsEveryOther() {
    PaintBox box(nullptr, "b", QRect(0, 0, 20, 10), Qt::black);
    ImageCanvas& c = box.Canvas();
    c.SetPenColor(Colors::Red);
    c.MoveTo(2, 0);
    c.LineTo(2, 10);
    for (int y = 0; y < 10; ++y) QCOMPARE(At(box, 2, y), 0xFF0000u);
    c.SetPenStyle(PenStyle::Dotted);
    c.SetPenColor(Colors::Green);
    c.MoveTo(0, 5);
    c.LineTo(6, 5);
    QCOMPARE(At(box, 0, 5), 0x008000u);
    QCOMPARE(At(box, 1, 5), 0u);
    QCOMPARE(At(box, 4, 5), 0x008000u);
    QCOMPARE(At(box, 6, 5), 0u);  // end point excluded
  }

  void TextOut_drawsFontColourOnBrush() {
    PaintBox box(nullptr, "b", QRect(0, 0, 98, 77), Qt::white);
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(12);
    box.Canvas().SetFont(f);
    box.Canvas().SetBrushColor(Rgb{200, 200, 200});
    box.Canvas().SetFontColor(Colors::Black);
    box.Canvas().TextOut(0, 15, "Sampling=8000");
    int dark = 0, brush = 0;
    for (int y = 15; y < 27; ++y)
      for (int x = 0; x < 60; ++x) {
        const QRgb p = At(box, x, y);
        if (qRed(p) < 100) ++dark;
        if (p == (qRgb(200, 200, 200) & 0xFFFFFF)) ++brush;
      }
    QVERIFY(dark > 20);
    QVERIFY(brush > 100);
    QCOMPARE(At(box, 5, 5), 0xFFFFFFu);  // nothing above the text cell
  }

  // A copy of the image taken earlier keeps its pixels; the box's own image gets the
  // drawing, text included.
  void Canvas_drawsIntoTheBoxNotIntoAnEarlierCopy() {
    PaintBox box(nullptr, "b", QRect(0, 0, 40, 20), Qt::black);
    const QImage before = box.Image();
    box.Canvas().SetBrushColor(Colors::Red);
    box.Canvas().FillRect(0, 0, 40, 20);
    QCOMPARE(At(box, 3, 3), 0xFF0000u);
    QCOMPARE(before.pixel(3, 3) & 0xFFFFFF, 0u);
    const QImage red = box.Image();
    box.Canvas().SetFontColor(Colors::White);
    box.Canvas().TextOut(0, 0, "1018");
    box.Canvas().SetPenColor(Colors::Green);
    box.Canvas().MoveTo(39, 0);
    box.Canvas().LineTo(39, 20);
    QCOMPARE(At(box, 39, 10), 0x008000u);
    QCOMPARE(red.pixel(39, 10) & 0xFFFFFF, 0xFF0000u);
  }

  void MousePress_reportsBoxPixels() {
    QWidget parent;
    auto* box = new PaintBox(&parent, "PaintBoxfftfilter", QRect(8, 371, 393, 14), Qt::black);
    int gotX = -1, gotY = -1;
    box->OnMouseDown = [&](Qt::MouseButton, int x, int y) {
      gotX = x;
      gotY = y;
    };
    parent.resize(420, 400);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(100, 7));
    QCOMPARE(gotX, 100);
    QCOMPARE(gotY, 7);
  }
};

QTEST_MAIN(PaintBoxTest)
#include "PaintBoxTest.moc"
