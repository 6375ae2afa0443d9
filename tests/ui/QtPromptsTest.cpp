// The real prompts: a modal box with the given caption, text and buttons, whose answer
// comes back; its nested event loop keeps timers running.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ModalDriver.h"
#include "ui/QtPrompts.h"

class QtPromptsTest : public QObject {
  Q_OBJECT
private slots:
  void Message_okCancel_returnsAnswer_andTimersRunMeanwhile() {
    QtPrompts prompts;
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);
    QString title, text;
    int buttons = 0;
    ModalDriver<QMessageBox> box(
        [&](QMessageBox& b) {
          title = b.windowTitle();
          text = b.text();
          buttons = int(b.buttons().size());
        },
        [](QMessageBox& b) {
          if (QAbstractButton* cancel = b.button(QMessageBox::Cancel)) cancel->click();
        },
        /*firstLookMs=*/100);
    const bool ok =
        prompts.Message(nullptr, "Input New data OK?", "Message", Prompts::Buttons::OkCancel);
    QVERIFY(box.Shown());
    QVERIFY2(box.Problem().isEmpty(), qPrintable(box.Problem()));
    QVERIFY(!ok);
    QCOMPARE(title, QString("Message"));
    QCOMPARE(text, QString("Input New data OK?"));
    QCOMPARE(buttons, 2);
    QVERIFY(ticks > 3);
  }

  void Message_ok_returnsTrue() {
    QtPrompts prompts;
    int buttons = 0;
    Qt::TextFormat format = Qt::AutoText;  // a file name is never read as markup
    ModalDriver<QMessageBox> box(
        [&](QMessageBox& b) {
          buttons = int(b.buttons().size());
          format = b.textFormat();
        },
        [](QMessageBox& b) {
          if (QAbstractButton* ok = b.button(QMessageBox::Ok)) ok->click();
        });
    const bool ok = prompts.Message(nullptr, "<b>x</b>.f2t", "ERROR", Prompts::Buttons::Ok);
    QVERIFY(box.Shown());
    QVERIFY2(box.Problem().isEmpty(), qPrintable(box.Problem()));
    QCOMPARE(buttons, 1);
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(ok);
  }
};

QTEST_MAIN(QtPromptsTest)
#include "QtPromptsTest.moc"
