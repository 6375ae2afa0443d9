// The main window as a desktop program: a file named at start or dropped on the window
// opens as File > Open opens it, and the File items' shortcuts act in this window only.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "../files/WaveBytes.h"
#include "FormHarness.h"

using namespace wavebytes;

namespace {
const QString kQuestion = "Input New data OK?";

QMimeData* Files(const QList<QUrl>& urls) {
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  return mime;
}

// Drags `mime` over the window and drops it; whether the window took each step.
struct Dropped {
  bool entered, dropped;
};
Dropped Drop(FormHarness& h, QMimeData* mime) {
  std::unique_ptr<QMimeData> owned(mime);
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(h.form.get(), &enter);
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(h.form.get(), &drop);
  h.Pump();
  return {enter.isAccepted(), drop.isAccepted()};
}
}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString good_, other_, notPcm_;

private slots:
  void initTestCase() {
    good_ = dir_.filePath("good.wav");
    WriteAll(good_.toStdString(), Standard(1, 8000, 8, Pcm(4000)));
    other_ = dir_.filePath("OTHER.WAV");
    WriteAll(other_.toStdString(), Standard(1, 8000, 16, Pcm(6000)));
    notPcm_ = dir_.filePath("float.wav");
    WriteAll(notPcm_.toStdString(),
             Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) + Chunk("data", Pcm(400))));
  }

  void OpenFile_isOpenWithThePathGiven() {
    FormHarness h;
    h->OpenFile(good_);
    QVERIFY(h->Sound.HasSound());
    QCOMPARE(h->Sound.Size(), 4000);
    QVERIFY(h.prompts.Boxes().empty());  // nothing held before: no question
    QCOMPARE(h.prompts.DialogsShown(), 0);
    // The same two boxes as Open, and no sound afterwards.
    h->OpenFile(notPcm_);
    QCOMPARE(h.prompts.Texts(), (QStringList{kQuestion, "No fmttag", "no exit file"}));
    QCOMPARE(h.prompts.Captions().last(), notPcm_);
    QVERIFY(!h->Sound.HasSound());
    QVERIFY(!h->Player().OutDeviceOpen());
  }

  void Drop_opensLikeOpen_asksWhenASoundIsHeld() {
    FormHarness h;
    QVERIFY(h->acceptDrops());
    Dropped d = Drop(h, Files({QUrl::fromLocalFile(good_)}));
    QVERIFY(d.entered && d.dropped);
    QCOMPARE(h->Sound.Size(), 4000);
    QVERIFY(h.prompts.Boxes().empty());
    // Cancel keeps the held sound.
    h.prompts.AnswerNext(false);
    d = Drop(h, Files({QUrl::fromLocalFile(other_)}));
    QVERIFY(d.dropped);
    QCOMPARE(h.prompts.Texts(), QStringList{kQuestion});
    QCOMPARE(h->Sound.Size(), 4000);
    // OK gives it up for the dropped one; the extension's case does not matter.
    h.prompts.Clear();
    Drop(h, Files({QUrl::fromLocalFile(other_)}));
    QCOMPARE(h.prompts.Texts(), QStringList{kQuestion});
    QCOMPARE(h->Sound.Size(), 6000);
    QCOMPARE(h->Sound.Format().wBitsPerSample, std::uint16_t(16));
  }

  void Drop_refusesWhatOpenWouldNotBeAskedFor() {
    FormHarness h;
    const QList<QList<QUrl>> refused{{QUrl("https://example.invalid/a.wav")},
                                     {QUrl::fromLocalFile(dir_.filePath("notes.txt"))},
                                     {QUrl::fromLocalFile(good_), QUrl::fromLocalFile(other_)},
                                     {}};
    for (const QList<QUrl>& urls : refused) {
      const Dropped d = Drop(h, Files(urls));
      QVERIFY(!d.entered && !d.dropped);
    }
    auto* text = new QMimeData;
    text->setText(good_);
    QVERIFY(!Drop(h, text).dropped);
    QVERIFY(!h->Sound.Data());
    QVERIFY(h.prompts.Boxes().empty());
  }

  void Drop_ignoredWhilePlayingOrRecording() {
    FormHarness h;
    h->OpenFile(good_);
    QVERIFY(h.StartPlaying());
    Dropped d = Drop(h, Files({QUrl::fromLocalFile(other_)}));
    QVERIFY(!d.entered && !d.dropped);
    QVERIFY(h->Player().Playing());
    QCOMPARE(h->Sound.Size(), 4000);
    h.StopPlaying();
    h.prompts.AnswerNext(true);  // REC gives the held sound up
    QVERIFY(h.StartRecording());
    d = Drop(h, Files({QUrl::fromLocalFile(other_)}));
    QVERIFY(!d.dropped);
    QVERIFY(h->Rec().Recording());
    h.StopRecording();
    QCOMPARE(h.prompts.Texts().count(kQuestion), 1);  // REC's, none for the drop
  }

  void Shortcuts_onTheFileItems_scopedToTheWindow() {
    FormHarness h;
    TFormMain& f = *h;
    const std::pair<QAction*, const char*> keys[] = {
        {f.Open, "Ctrl+O"}, {f.Save, "Ctrl+S"}, {f.New, "Ctrl+N"}, {f.Exit1, "Ctrl+Q"}};
    for (auto [action, key] : keys) {
      QCOMPARE(action->shortcut(), QKeySequence(key));
      QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
    }
    QVERIFY(f.AddFile1->shortcut().isEmpty());
  }

  void Shortcuts_runTheirHandlers() {
    FormHarness h;
    TFormMain& f = *h;
    f.show();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    h.prompts.ChooseNext(good_);
    QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(h.prompts.DialogsShown(), 1);
    QCOMPARE(f.Sound.Size(), 4000);
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);  // the save dialog, cancelled
    QCOMPARE(h.prompts.DialogsShown(), 2);
    QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!f.Sound.Data());
    QVERIFY(!f.Player().OutDeviceOpen());
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(h.prompts.Texts(), QStringList{"no data"});
    QVERIFY(f.Analysis().HasArrays());
    QTest::keyClick(&f, Qt::Key_Q, Qt::ControlModifier);  // the shutdown frees the arrays
    QVERIFY(!f.Analysis().HasArrays());
  }

  void Shortcuts_leaveAnotherWindowsKeysAlone() {
    // A window of its own, as the tone mixer is: its typed characters reach it, and the
    // main window's shortcuts do not act there.
    FormHarness h;
    TFormMain& f = *h;
    f.show();
    QWidget other(&f, Qt::Window);
    QString typed;
    struct Keys : QObject {
      QString* typed;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) *typed += static_cast<QKeyEvent*>(e)->text();
        return false;
      }
    } keys;
    keys.typed = &typed;
    other.installEventFilter(&keys);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTest::keyClicks(&other, "qsno");
    QTest::keyClick(&other, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&other, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(typed.left(4), QString("qsno"));
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QVERIFY(f.Analysis().HasArrays());
  }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
