// The slider's rule: OnChange on every real change of position, from code as from the
// user, after clamping to the range.

#include <QProxyStyle>
#include <QStyleOption>
#include <QtTest>

#include "ui/TrackBar.h"

class TrackBarTest : public QObject {
  Q_OBJECT
private slots:
  void SetPosition_runsChangeOnlyOnRealChange_afterClamping() {
    TrackBar t(nullptr, "t", Qt::Vertical, QRect(0, 0, 30, 120), {0, 100, 50});
    std::vector<int> seen;
    t.OnChange = [&] { seen.push_back(t.Position()); };
    t.SetPosition(50);
    t.SetPosition(70);
    t.SetPosition(500);
    t.SetPosition(400);  // clamps to 100 again: no change
    QCOMPARE(seen, (std::vector<int>{70, 100}));
    t.setMaximum(80);  // the range pulls the position in: a real change
    QCOMPARE(seen.back(), 80);
  }

  void Vertical_hasMinimumAtTop_andUserKeysChange() {
    TrackBar t(nullptr, "t", Qt::Vertical, QRect(0, 0, 30, 120), {0, 100, 50});
    QVERIFY(t.invertedAppearance());
    int changes = 0;
    t.OnChange = [&] { ++changes; };
    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    QTest::keyClick(&t, Qt::Key_Down);  // the thumb goes down: towards the maximum
    QCOMPARE(changes, 1);
    QCOMPARE(t.Position(), 51);
    t.SetSelection(10, 40);
    QCOMPARE(t.SelStart(), 10);
    QCOMPARE(t.SelEnd(), 40);
  }

  // The style caches what it draws under the palette's key: every paint must hand it the
  // same palette, or each one adds a picture to the cache (a mixer session added ~58 KB).
  void Paint_givesTheStyleOnePaletteKey_untilThePaletteChanges() {
    struct Keys : QProxyStyle {
      mutable QSet<qint64> seen;
      void drawComplexControl(ComplexControl c, const QStyleOptionComplex* o, QPainter* p,
                              const QWidget* w) const override {
        seen << o->palette.cacheKey();
        QProxyStyle::drawComplexControl(c, o, p, w);
      }
    };
    Keys keys;  // setStyle does not take it: it outlives the slider
    TrackBar t(nullptr, "t", Qt::Vertical, QRect(0, 0, 30, 120), {0, 100, 50});
    t.setStyle(&keys);
    for (int i = 0; i < 3; ++i) t.grab();
    QCOMPARE(keys.seen.size(), 1);
    t.setPalette(QPalette(Qt::darkGreen));
    t.grab();
    QCOMPARE(keys.seen.size(), 2);
  }
};

QTEST_MAIN(TrackBarTest)
#include "TrackBarTest.moc"
