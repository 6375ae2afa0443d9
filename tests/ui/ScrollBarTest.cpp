// The scroll bar's rule: OnScroll for the user's scrolling only, with a position the
// handler may change; code that sets position, range or steps runs nothing.

#include <QtTest>

#include "ui/ScrollBar.h"

class ScrollBarTest : public QObject {
  Q_OBJECT
private slots:
  void CodeChanges_runNoHandler_andRangeClamps() {
    ScrollBar bar(nullptr, "b", Qt::Horizontal, QRect(0, 0, 394, 15), {0, 100, 0, 10, 2});
    int scrolls = 0;
    bar.OnScroll = [&](int&) { ++scrolls; };
    bar.SetPosition(60);
    bar.SetLargeChange(128);
    bar.SetSmallChange(25);
    bar.SetMax(40);
    QCOMPARE(bar.Position(), 40);
    bar.SetMax(1);
    QCOMPARE(bar.Position(), 1);
    QCOMPARE(scrolls, 0);
  }

  void UserActions_runHandlerWithNewPosition() {
    ScrollBar bar(nullptr, "b", Qt::Horizontal, QRect(0, 0, 394, 15), {0, 1000, 100, 50, 5});
    std::vector<int> seen;
    bar.OnScroll = [&](int& pos) { seen.push_back(pos); };
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(seen, (std::vector<int>{105, 55}));
    QCOMPARE(bar.Position(), 55);
  }

  void Handler_changesPosition_barTakesIt() {
    ScrollBar bar(nullptr, "b", Qt::Horizontal, QRect(0, 0, 394, 15), {0, 15488, 0, 256, 51});
    bar.OnScroll = [](int& pos) { pos -= pos % 2; };
    bar.setSliderPosition(1001);  // a drag: sliderMoved leads to SliderMove
    bar.triggerAction(QAbstractSlider::SliderMove);
    QCOMPARE(bar.Position(), 1000);
    bar.OnScroll = [](int& pos) { pos = 0; };
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar.Position(), 0);
  }

  void Keyboard_isUserScrolling() {
    ScrollBar bar(nullptr, "b", Qt::Vertical, QRect(0, 0, 16, 165), {1, 9, 9, 1, 1});
    int last = 0;
    bar.OnScroll = [&](int& pos) { last = pos; };
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTest::keyClick(&bar, Qt::Key_Up);
    QCOMPARE(last, 8);
    QCOMPARE(bar.Position(), 8);
  }
};

QTEST_MAIN(ScrollBarTest)
#include "ScrollBarTest.moc"
