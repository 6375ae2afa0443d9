// The edit's rule: OnChange whenever the text really changes, from code or from typing.

#include <QtTest>

#include "ui/Edit.h"

class EditTest : public QObject {
  Q_OBJECT
private slots:
  void Text_changesRunHandlerOnlyWhenDifferent() {
    Edit e(nullptr, "Edit1", QRect(0, 0, 60, 20), "440", 4);
    int changes = 0;
    e.OnChange = [&] { ++changes; };
    e.SetText("440");
    QCOMPARE(changes, 0);
    e.SetText("880");
    QCOMPARE(changes, 1);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.selectAll();
    QTest::keyClicks(&e, "12345");  // MaxLength keeps four characters
    QCOMPARE(e.Text(), QString("1234"));
    QCOMPARE(changes, 5);
  }

  // Text set from code is kept whole, however long, and runs the handler once; typing may
  // shorten such a text but not lengthen it.
  void Limit_bindsTypingOnly() {
    Edit e(nullptr, "Edit1", QRect(0, 0, 60, 20), "0", 4);
    QStringList seen;
    e.OnChange = [&] { seen << e.Text(); };
    e.SetText("-1146");
    QCOMPARE(seen, QStringList{"-1146"});
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.end(false);
    QTest::keyClick(&e, '7');
    QCOMPARE(e.Text(), QString("-1146"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    QTest::keyClick(&e, '7');
    QCOMPARE(e.Text(), QString("-114"));
  }

  void IntValue_nonNumberCountsAsZero() {
    Edit e(nullptr, "Edit1", QRect(0, 0, 60, 20), "12a");
    QCOMPARE(e.IntValue(), 0);
    e.SetText("-7");
    QCOMPARE(e.IntValue(), -7);
    e.SetText("");
    QCOMPARE(e.IntValue(), 0);
  }
};

QTEST_MAIN(EditTest)
#include "EditTest.moc"
