// The real prompts: a modal box with the given caption, text and buttons, whose answer
// comes back; its nested event loop keeps timers running.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "QtPrompts.h"

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
    QTimer::singleShot(100, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      title = box->windowTitle();
      text = box->text();
      buttons = int(box->buttons().size());
      box->button(QMessageBox::Cancel)->click();
    });
    const bool ok = prompts.Message(nullptr, "Input New data OK?", "Message",
                                    Prompts::Buttons::OkCancel);
    QVERIFY(!ok);
    QCOMPARE(title, QString("Message"));
    QCOMPARE(text, QString("Input New data OK?"));
    QCOMPARE(buttons, 2);
    QVERIFY(ticks > 3);
  }

  void Message_ok_returnsTrue() {
    QtPrompts prompts;
    QTimer::singleShot(50, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      QCOMPARE(box->buttons().size(), 1);
      box->button(QMessageBox::Ok)->click();
    });
    QVERIFY(prompts.Message(nullptr, "No File", "ERROR", Prompts::Buttons::Ok));
  }
};

QTEST_MAIN(QtPromptsTest)
#include "QtPromptsTest.moc"
