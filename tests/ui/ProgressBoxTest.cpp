// The progress box of long reads and saves: hidden for short work, shown once the work is
// seen to take more than half a second, and Cancel seen by the next step.

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include "ui/ProgressBox.h"

class ProgressBoxTest : public QObject {
  Q_OBJECT
private slots:
  void ShortWork_neverShowsTheBox() {
    QWidget owner;
    owner.show();
    ProgressBox box(&owner, "Open");
    for (int i = 0; i <= 10; ++i) QVERIFY(box.Step(i * 10, 100));
    QVERIFY(!box.Dialog().isVisible());
  }

  void LongWork_showsTheBoxAndCancelStopsIt() {
    QWidget owner;
    owner.show();
    ProgressBox box(&owner, "Save");
    QElapsedTimer t;
    t.start();
    std::int64_t done = 0;
    while (!box.Dialog().isVisible() && t.elapsed() < 3000) {
      done = std::min<std::int64_t>(done + 10, 999);
      QVERIFY(box.Step(done, 1000));
      QThread::msleep(20);
    }
    QVERIFY(box.Dialog().isVisible());
    QCOMPARE(box.Dialog().windowTitle(), QString("Save"));
    QCOMPARE(box.Dialog().value(), int(done));  // per mille of 1000 bytes
    const auto buttons = box.Dialog().findChildren<QAbstractButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QString("Cancel"));
    buttons[0]->click();
    QVERIFY(!box.Step(done, 1000));
  }
};

QTEST_MAIN(ProgressBoxTest)
#include "ProgressBoxTest.moc"
