// The helper the form tests answer modal windows with: whatever goes wrong, the window
// closes and the mistake is reported, so a test fails instead of hanging.

#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QtTest>

#include "ModalDriver.h"

class ModalDriverTest : public QObject {
  Q_OBJECT
private slots:
  void ExpectedWindow_handedToActThenClosed() {
    QDialog dialog;
    dialog.setWindowTitle("Settings");
    QString seen;
    ModalDriver<QDialog> driver([&](QDialog& d) { seen = d.windowTitle(); },
                                [](QDialog& d) { d.accept(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(driver.Shown());
    QVERIFY2(driver.Problem().isEmpty(), qPrintable(driver.Problem()));
    QCOMPARE(seen, QString("Settings"));
  }

  void OtherWindow_closedAndReported() {
    QDialog dialog;
    dialog.setWindowTitle("Surprise");
    bool acted = false;
    ModalDriver<QMessageBox> driver([&](QMessageBox&) { acted = true; });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!acted);
    QVERIFY(!driver.Shown());
    QVERIFY2(driver.Problem().contains("QDialog") && driver.Problem().contains("Surprise"),
             qPrintable(driver.Problem()));
  }

  void WindowThatStaysOpen_closedByForceAndReported() {
    QDialog dialog;
    ModalDriver<QDialog> driver([](QDialog&) {}, [](QDialog&) { /* a close that misses */ });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(driver.Shown());
    QVERIFY2(driver.Problem().contains("did not close"), qPrintable(driver.Problem()));
    QVERIFY(clock.elapsed() < 10000);
  }

  void NoWindow_nothingShownNothingReported() {
    ModalDriver<QDialog> driver([](QDialog&) {});
    QTest::qWait(50);
    QVERIFY(!driver.Shown());
    QVERIFY(driver.Problem().isEmpty());
  }
};

QTEST_MAIN(ModalDriverTest)
#include "ModalDriverTest.moc"
