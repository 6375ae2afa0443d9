// The radio group's click rule: the handler runs when the selection changes, from code or
// from the user, and never for the item already selected or for "no selection".

#include <QRadioButton>
#include <QtTest>

#include "RadioGroup.h"

class RadioGroupTest : public QObject {
  Q_OBJECT
private slots:
  void SetItemIndex_fromCode_runsClickOnlyOnChange() {
    RadioGroup g(nullptr, "g", "ms", 0, 0, 65, 65, {"1", "5", "10"});
    int clicks = 0, seen = -2;
    g.OnClick = [&] { ++clicks; seen = g.ItemIndex(); };
    g.SetItemIndex(2);
    QCOMPARE(clicks, 1);
    QCOMPARE(seen, 2);
    QVERIFY(g.Button(2)->isChecked());
    g.SetItemIndex(2);
    QCOMPARE(clicks, 1);
    g.SetItemIndex(0);
    QCOMPARE(clicks, 2);
    QVERIFY(!g.Button(2)->isChecked());
  }

  void SetItemIndex_minusOne_clearsWithoutClick() {
    RadioGroup g(nullptr, "g", "Hz", 0, 0, 66, 74, {"100", "200"});
    int clicks = 0;
    g.OnClick = [&] { ++clicks; };
    g.SetItemIndex(1);
    g.SetItemIndex(-1);
    QCOMPARE(clicks, 1);
    QCOMPARE(g.ItemIndex(), -1);
    QVERIFY(!g.Button(0)->isChecked() && !g.Button(1)->isChecked());
    g.SetItemIndex(7);  // out of range counts as no selection
    QCOMPARE(clicks, 1);
  }

  void UserClick_runsClickOnceAndNotForSelectedItem() {
    RadioGroup g(nullptr, "g", "DataNum", 0, 0, 65, 105, {"256", "512", "1024"});
    g.SetItemIndex(1);
    int clicks = 0;
    g.OnClick = [&] { ++clicks; };
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QTest::mouseClick(g.Button(2), Qt::LeftButton);
    QCOMPARE(g.ItemIndex(), 2);
    QCOMPARE(clicks, 1);
    QTest::mouseClick(g.Button(2), Qt::LeftButton);
    QCOMPARE(clicks, 1);
  }

  // A handler that selects another item (as the DataNum handler falls back to "256")
  // runs once more, nested, and the outer call sees the final selection.
  void OnClick_reentrantSelection_runsNestedOnce() {
    RadioGroup g(nullptr, "g", "DataNum", 0, 0, 65, 105, {"256", "512", "1024"});
    std::vector<int> calls;
    g.OnClick = [&] {
      calls.push_back(g.ItemIndex());
      if (g.ItemIndex() != 0) g.SetItemIndex(0);
    };
    g.SetItemIndex(2);
    QCOMPARE(calls, (std::vector<int>{2, 0}));
    QCOMPARE(g.ItemIndex(), 0);
  }

  void Constructor_placesItemsInColumnsInsideTheBox() {
    RadioGroup g(nullptr, "Sampling", "Sampling", 96, 24, 89, 177,
                 {"8000 Hz", "11025Hz", "12000Hz", "16000Hz", "22050Hz", "24000Hz", "32000Hz",
                  "44100Hz", "48000Hz"});
    QCOMPARE(g.geometry(), QRect(96, 24, 89, 177));
    QCOMPARE(g.Count(), 9);
    QCOMPARE(g.ItemIndex(), -1);
    for (int i = 0; i < g.Count(); ++i) {
      QVERIFY(QRect(0, 0, 89, 177).contains(g.Button(i)->geometry()));
      if (i) QVERIFY(g.Button(i)->y() > g.Button(i - 1)->y());
    }
  }
};

QTEST_MAIN(RadioGroupTest)
#include "RadioGroupTest.moc"
