// The radio group's click rule: the handler runs when the selection changes, from code or
// from the user, and never for the item already selected or for "no selection".

#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QtTest>

#include "ui/RadioGroup.h"

class RadioGroupTest : public QObject {
  Q_OBJECT
private slots:
  void SetItemIndex_fromCode_runsClickOnlyOnChange() {
    RadioGroup g(nullptr, "g", "ms", QRect(0, 0, 65, 65), {"1", "5", "10"});
    int clicks = 0, seen = -2;
    g.OnClick = [&] {
      ++clicks;
      seen = g.ItemIndex();
    };
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
    RadioGroup g(nullptr, "g", "Hz", QRect(0, 0, 66, 74), {"100", "200"});
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
    RadioGroup g(nullptr, "g", "DataNum", QRect(0, 0, 65, 105), {"256", "512", "1024"});
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
    RadioGroup g(nullptr, "g", "DataNum", QRect(0, 0, 65, 105), {"256", "512", "1024"});
    std::vector<int> calls;
    g.OnClick = [&] {
      calls.push_back(g.ItemIndex());
      if (g.ItemIndex() != 0) g.SetItemIndex(0);
    };
    g.SetItemIndex(2);
    QCOMPARE(calls, (std::vector<int>{2, 0}));
    QCOMPARE(g.ItemIndex(), 0);
  }

  // Every item lies inside the frame, below its top line and the title, in rows spaced
  // evenly to the pixel.
  void Constructor_placesItemsInsideTheFrameBelowTheTitle() {
    RadioGroup g(nullptr, "Sampling", "Sampling", QRect(96, 24, 89, 177),
                 {"8000 Hz", "11025Hz", "12000Hz", "16000Hz", "22050Hz", "24000Hz", "32000Hz",
                  "44100Hz", "48000Hz"});
    QCOMPARE(g.geometry(), QRect(96, 24, 89, 177));
    QCOMPARE(g.ItemIndex(), -1);
    QStyleOptionGroupBox opt;
    opt.initFrom(&g);
    opt.text = g.title();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect frame =
        g.style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxFrame, &g);
    const QRect title =
        g.style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &g);
    const QRect inside = frame.adjusted(1, 1, -1, -1);
    for (int i = 0; i < g.Count(); ++i) {
      const QRect b = g.Button(i)->geometry();
      QVERIFY2(inside.contains(b) && b.top() > title.bottom(), qPrintable(QString::number(i)));
      if (i > 1)
        QVERIFY(std::abs((b.y() - g.Button(i - 1)->y()) -
                         (g.Button(i - 1)->y() - g.Button(i - 2)->y())) <= 1);
    }
  }
};

QTEST_MAIN(RadioGroupTest)
#include "RadioGroupTest.moc"
