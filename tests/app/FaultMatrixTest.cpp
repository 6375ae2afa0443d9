// Faults in the middle of a command over a held recording, injected through the simulated
// devices (refusals, the sound server's death), the allocator and the file layer: the boxes
// each shows, what is held afterwards (the recording untouched, or exactly the bytes fed
// before the stop), and that play, save, record and open all work right after. Then what
// else keeps a sound from being lost: names that are not UTF-8, and the question at exit.

#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "MixerHarness.h"
#include "base/Heap.h"
#include "files/FileByteSink.h"
#include "ui/RadioGroup.h"

using mixtest::Bytes;

namespace {
// The capture of frame f, 8 bits: 96 + f % 64.
double Ramp(std::uint64_t f) { return (double(f % 64) - 32) / 128.0; }
Bytes Fed(int n) {
  Bytes b(std::size_t(std::max(n, 0)));
  for (int i = 0; i < n; ++i) b[std::size_t(i)] = std::uint8_t(96 + i % 64);
  return b;
}
using Act = std::function<void(FormHarness&)>;
using Command = void (TFormMain::*)();
void Record(FormHarness& h, int ms) {
  h->RepButtonClick();
  h.Advance(ms);
}
void Stop(FormHarness& h) {
  h->RepButtonClick();
  h.Pump();
}
void Save(FormHarness& h, const QString& path) {
  h.prompts.ChooseNext(path);
  h->SaveClick();
}
void Refuse(FormHarness& h, SimCall c) { h.devices.Refuse(c, 4, "busy", SimRefusal::NextCallOnly); }
// `command` with the device call `c` refused once, or with the allocator failing after
// `successes` allocations.
Act Refusing(SimCall c, Command command) {
  return [=](FormHarness& h) { Refuse(h, c), ((*h).*command)(); };
}
Act Starving(int successes, Command command) {
  return [=](FormHarness& h) { Heap::FailAfter(successes), ((*h).*command)(); };
}
QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QTemporaryDir dir;
const QString kAsk = "Input New data OK?", kGone = "The sound server is not running.";
const QString kMixerFile = dir.filePath("m.f2t");
// Save to `name` with the file layer failing as `f` says.
Act Saving(FileByteSink::Faults f, const QString& name) {
  return [=](FormHarness& h) { FileByteSink::InjectFaults(f), Save(h, dir.filePath(name)); };
}
// The mixer's settings file saved to kMixerFile with the file layer failing; the stored
// slot survives and no file is left.
Act SavingMixer(FileByteSink::Faults f) {
  return [=](FormHarness& h) {
    Tmixplay* w = mixtest::OpenMixer(h);
    w->RGBarMem->SetItemIndex(0), w->FFtMemInClick(), FileByteSink::InjectFaults(f);
    h.prompts.ChooseNext(dir.filePath("m")), w->BtnsaveClick();
    QVERIFY(w->Model().Stored(0) && !QFile::exists(kMixerFile));
  };
}

struct Row {
  const char* name;
  Act act;
  QStringList texts, captions;  // a text matches the box's start (reasons follow)
  int held;  // -1: the recording as it was; n: the first n bytes fed; -2: not checked
};
const QStringList kAskThen{"Message", "ERROR"}, kError{"ERROR"}, kLost{"ERROR", "ERROR"};
const std::vector<Row> kRows = {
    {"PLAY, prepare refused",
     Refusing(SimCall::PrepareOut, &TFormMain::PlayButtonClick),
     {"busy"},
     {"wave"},
     -1},
    {"PLAY, write refused",
     Refusing(SimCall::Write, &TFormMain::PlayButtonClick),
     {"busy"},
     {"wave"},
     -1},
    {"tick, position refused",
     [](FormHarness& h) {
       h->PlayButtonClick(), h.Advance(200), Refuse(h, SimCall::GetPosition);
       h->Timer1Timer(), h->PlayButtonClick();
     },
     {"error"},
     {"time"},
     -1},
    {"playback, server lost",
     [](FormHarness& h) {
       h->PlayButtonClick(), h.Advance(300), h.devices.LoseServer(), h.Pump();
       QVERIFY(!h->Player().Playing() && h->PlayButton->text() == "PLAY");
       QCOMPARE(h->Player().PlayPos(), 2400);  // where the sound broke off
       h->PlayButtonClick();                   // while the server is still gone
     },
     {"Sound output lost", kGone},
     kLost,
     -1},
    {"recording, server lost",
     [](FormHarness& h) { Record(h, 600), h.devices.LoseServer(), h.Pump(); },
     {kAsk, "Sound input lost", kGone},
     {"Message", "ERROR", "ERROR"},
     4800},
    {"STOP, reset refused",
     [](FormHarness& h) {
       Record(h, 600), Refuse(h, SimCall::ResetIn), Stop(h);
       QVERIFY(!h->Rec().Stopping());
     },
     {kAsk},
     {"Message"},
     4800},
    {"finished recording, device refused",
     [](FormHarness& h) { Record(h, 600), Refuse(h, SimCall::OpenOut), Stop(h); },
     {kAsk, "busy"},
     kAskThen,
     4800},
    {"REC, open refused",
     Refusing(SimCall::OpenIn, &TFormMain::RepButtonClick),
     {kAsk, "busy"},
     kAskThen,
     0},
    {"REC, prepare refused",
     Refusing(SimCall::PrepareIn, &TFormMain::RepButtonClick),
     {kAsk, "busy"},
     kAskThen,
     0},
    {"REC, add refused",
     Refusing(SimCall::AddBuffer, &TFormMain::RepButtonClick),
     {kAsk, "busy"},
     kAskThen,
     0},
    {"REC, start refused",
     Refusing(SimCall::Start, &TFormMain::RepButtonClick),
     {kAsk, "busy"},
     kAskThen,
     0},
    {"REC, no memory for buffers",
     Starving(0, &TFormMain::RepButtonClick),
     {kAsk, "No pwavedata"},
     kAskThen,
     0},
    {"REC, no memory for headers",
     Starving(4, &TFormMain::RepButtonClick),
     {kAsk, "No pwaveheader"},
     kAskThen,
     0},
    {"recording, no memory to grow",
     [](FormHarness& h) { Record(h, 400), Heap::FailAfter(0), h.Advance(200); },
     {kAsk, "No pwavedata"},
     kAskThen,
     3200},
    {"fftmix, no memory", Starving(0, &TFormMain::fftmixClick), {"No Memory"}, kError, -1},
    {"AddFile, no memory",
     [](FormHarness& h) {
       Save(h, dir.filePath("add")), h.prompts.ChooseNext(dir.filePath("add.wav"));
       Starving(0, &TFormMain::AddFile1Click)(h);
     },
     {"No mypwavedata", "no exit file"},
     {"ERROR", dir.filePath("add.wav")},
     -1},
    {"Save, disk full",
     Saving({.writeLimit = 100}, "full"),
     {"No Write", "no save file"},
     {"ERROR", dir.filePath("full.wav")},
     -1},
    {"Save, flush fails",
     Saving({.failSync = true}, "sync"),
     {"No Write", "no save file"},
     {"ERROR", dir.filePath("sync.wav")},
     -1},
    // Before a save replaces a file it asks, by the name it writes; Cancel saves nothing.
    {"Save over a file, Cancel",
     [](FormHarness& h) {
       QFile(dir.filePath("old.wav")).open(QIODevice::WriteOnly), h.prompts.AnswerNext(false);
       Save(h, dir.filePath("old"));
       QCOMPARE(Read(dir.filePath("old.wav")).size(), 0);
     },
     {"\"old.wav\" exists. Overwrite OK?"},
     {"Message"},
     -1},
    {".f2t save over a file, Cancel",
     [](FormHarness& h) {
       QFile(dir.filePath("old.f2t")).open(QIODevice::WriteOnly);
       Tmixplay* w = mixtest::OpenMixer(h);
       h.prompts.AnswerNext(false), h.prompts.ChooseNext(dir.filePath("old")), w->BtnsaveClick();
       QCOMPARE(Read(dir.filePath("old.f2t")).size(), 0);
     },
     {kAsk, "\"old.f2t\" exists. Overwrite OK?"},
     {"Message", "Message"},
     -2},
    {".f2t save, disk full",
     SavingMixer({.writeLimit = 1000}),
     {kAsk, "Write error: \"" + kMixerFile + "\" at byte 1000"},
     {"Message", ""},
     -2},
    {".f2t save, cannot create",
     SavingMixer({.failCreate = true}),
     {kAsk, "Cannot create file \"" + kMixerFile + '"'},
     {"Message", ""},
     -2},
};

// Play, save, record and open, each as after a fresh start.
void NextCommandsWork(FormHarness& h, const QString& name) {
  h.devices.RestoreServer();
  for (int c = 0; c < int(SimCall::kCount); ++c) h.devices.ClearRefusal(SimCall(c));
  Heap::FailAfter(-1);
  h.prompts.Clear();
  if (h->Sound.HasSound()) {
    const Bytes held = mixtest::Shown(*h);
    h->PlayButtonClick();
    QVERIFY(h->Player().Playing());
    h->PlayButtonClick();
    Save(h, dir.filePath(name + "held"));
    const QByteArray sound(reinterpret_cast<const char*>(held.data()), qsizetype(held.size()));
    QCOMPARE(Read(dir.filePath(name + "held.wav")).mid(46), sound);
  }
  Record(h, 400);
  Stop(h);
  QCOMPARE(mixtest::Shown(*h), Fed(3200));
  Save(h, dir.filePath(name + "new"));
  h.prompts.ChooseNext(dir.filePath(name + "new.wav"));
  h->OpenClick();
  QCOMPARE(mixtest::Shown(*h), Fed(3200));
  for (const QString& text : h.prompts.Texts()) QCOMPARE(text, kAsk);
}
}  // namespace

class FaultMatrixTest : public QObject {
  Q_OBJECT
private slots:
  void init() { h_ = std::make_unique<FormHarness>(); }
  void cleanup() { h_.reset(); }

  void Matrix_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < kRows.size(); ++i) QTest::newRow(kRows[i].name) << int(i);
  }

  void Matrix() {
    QFETCH(int, row);
    const Row& r = kRows[std::size_t(row)];
    FormHarness& h = *h_;
    h->Timer1->blockSignals(true);
    h.devices.SetInputSignal(Ramp);
    Record(h, 600);
    Stop(h);
    h.prompts.Clear();
    r.act(h);
    QStringList captions = r.captions;  // "": the application's general error report
    for (QString& c : captions)
      if (c.isEmpty()) c = QGuiApplication::applicationDisplayName();
    QCOMPARE(h.prompts.Captions(), captions);
    QCOMPARE(h.prompts.Texts().size(), r.texts.size());
    for (int i = 0; i < r.texts.size(); ++i)
      QVERIFY2(h.prompts.Texts()[i].startsWith(r.texts[i]), qPrintable(h.prompts.Texts()[i]));
    if (r.held != -2) QCOMPARE(mixtest::Shown(*h), Fed(r.held < 0 ? 4800 : r.held));
    NextCommandsWork(h, QString("row%1").arg(row));
  }

  // A file dialog reads a name that is not UTF-8 with U+FFFD in it; the files still get
  // the name's own bytes.
  void Dialogs_keepTheBytesOfNamesThatAreNotUtf8() {
    FormHarness& h = *h_;
    const QByteArray native = QFile::encodeName(dir.path()) + "/caf\xe9";
    QVERIFY(mkdir(native.constData(), 0700) == 0);
    const QString shown = QFile::decodeName(native);
    Record(h, 400);
    Stop(h);
    Save(h, shown + "/take");
    h.prompts.ChooseNext(shown + "/take.wav");
    h->AddFile1Click();
    QCOMPARE(h->Sound.Size(), 6400);
    Tmixplay* w = mixtest::OpenMixer(h);
    h.prompts.ChooseNext(shown + "/m");
    w->BtnsaveClick();
    h.prompts.ChooseNext(shown + "/m.f2t");
    w->BtnLoadClick();
    h.prompts.ChooseNext(shown + "/take.wav");
    h->OpenClick();
    QCOMPARE(h->Sound.Size(), 3200);
    QCOMPARE(h.prompts.Texts(), (QStringList{kAsk, kAsk}));  // the mixer, then Open
    struct stat st {};
    QVERIFY(stat((native + "/m.f2t").constData(), &st) == 0 && st.st_size == 16860);
    for (const char* name : {"/m.f2t", "/take.wav"}) unlink((native + name).constData());
    rmdir(native.constData());  // the temporary directory's own clean-up cannot name it
  }

  // Closing the window asks only for a sound that exists nowhere else: one recorded, made
  // by the mixer or lengthened by AddFile and not saved since. Cancel keeps it all.
  void Exit_asksForASoundNeverSaved_andCancelKeepsIt() {
    FormHarness& h = *h_;
    const std::vector<std::function<void()>> makers = {
        [&] {
          Record(h, 400);
          Stop(h);
        },
        [&] {
          h.prompts.ChooseNext(dir.filePath("exit.wav"));
          h->AddFile1Click();
        },
        [&] {
          mixtest::OpenMixer(h)->PlayNote(440);
          h.Pump();
        },
    };
    for (const auto& make : makers) {
      make();
      h.prompts.Clear();
      h.prompts.AnswerNext(false);
      QVERIFY(!h->close());
      QCOMPARE(h.prompts.Texts(), QStringList{"Sound not saved. Exit OK?"});
      QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
      Save(h, dir.filePath("exit"));
    }
    h.prompts.Clear();
    QVERIFY(h->close());  // all saved: nothing to ask
    QCOMPARE(h.prompts.Texts(), QStringList{});
    QVERIFY(!h->Sound.HasSound());
  }

private:
  std::unique_ptr<FormHarness> h_;
};

QTEST_MAIN(FaultMatrixTest)
#include "FaultMatrixTest.moc"
