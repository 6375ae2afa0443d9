// The slider's rule: OnChange on every real change of position, from code as from the
// user, after clamping to the range.

#include <QtTest>

#include "TrackBar.h"

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
};

QTEST_MAIN(TrackBarTest)
#include "TrackBarTest.moc"
