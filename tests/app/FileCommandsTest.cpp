// File > Open, AddFile and Save on the main window: the boxes each path shows (texts and
// captions, in order), and the document, device, play bar, scales and views after it.

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../files/WaveBytes.h"
#include "FormHarness.h"
#include "analysis/mygraph.h"
#include "base/Heap.h"
#include "files/FileByteSink.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

using wavebytes::Bytes;
using wavebytes::Chunk;
using wavebytes::FmtBody;
using wavebytes::Id;
using wavebytes::Pcm;
using wavebytes::Riff;
using wavebytes::Standard;
using wavebytes::U16;
using wavebytes::U32;
using wavebytes::operator+;

Q_DECLARE_METATYPE(WAVEFORMATEX)

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

QByteArray ToQ(const Bytes& b) {
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

Bytes FromQ(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

QString Put(const QTemporaryDir& dir, const QString& name, const Bytes& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    qFatal("cannot write %s", qPrintable(path));
  f.write(ToQ(bytes));
  return path;
}

Bytes Get(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return FromQ(f.readAll());
}

Bytes Held(const TFormMain& f) {
  const std::uint8_t* data = f.Sound.Data();
  if (!data || f.Sound.Size() <= 0) return {};
  return Bytes(data, data + f.Sound.Size());
}

// The file the writer makes: RIFF, an 18-byte format chunk (cbSize 0) and the data.
Bytes Saved(const WAVEFORMATEX& w, const Bytes& data) {
  const Bytes fmt =
      FmtBody(w.wFormatTag, w.nChannels, w.nSamplesPerSec, w.wBitsPerSample, w.nBlockAlign) +
      U16(0);
  return Riff(Chunk("fmt ", fmt) + Chunk("data", data));
}

void OpenFile(FormHarness& h, const QString& path) {
  h.prompts.ChooseNext(path);
  h->OpenClick();
}

void AddFile(FormHarness& h, const QString& path) {
  h.prompts.ChooseNext(path);
  h->AddFile1Click();
}

// A sound as the recorder or the mixer leaves it: mono in the settings' format. False
// when it could not be held.
bool HoldMade(FormHarness& h, std::uint32_t bits, std::uint32_t rate, const Bytes& data) {
  TFormMain& f = *h;
  f.NewSound.RecBits = bits;
  f.NewSound.RecSampleRate = rate;
  return AdoptSound(f, f.NewSound.MakeWaveFormat(), data.data(), std::int32_t(data.size())) &&
         f.OpenWaveOut();
}

QString ItemText(const RadioGroup* g) { return g->Button(g->ItemIndex())->text(); }

// Pixels of a view by colour.
struct Ink {
  int black = 0, red = 0, green = 0, white = 0, other = 0;
};

Ink Inks(const PaintBox* box) {
  Ink ink;
  const QImage& img = box->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y) & 0xFFFFFF;
      if (p == 0)
        ++ink.black;
      else if (p == 0xFF0000)
        ++ink.red;
      else if (p == 0x008000)
        ++ink.green;
      else if (p == 0xFFFFFF)
        ++ink.white;
      else
        ++ink.other;
    }
  return ink;
}

// Black, perhaps with red grid lines, and no trace of a sound.
bool NoTrace(const PaintBox* box) {
  const Ink i = Inks(box);
  return i.green == 0 && i.white == 0 && i.other == 0;
}

bool GridOnly(const PaintBox* box) { return NoTrace(box) && Inks(box).red > 0; }

// What is still held of a sound and its device; nothing after every failed Open.
QStringList Leftovers(FormHarness& h) {
  QStringList held;
  if (h->Sound.Data()) held << "block";
  if (h->Sound.Header()) held << "header";
  if (h->Player().OutDeviceOpen()) held << "device open";
  if (h.devices.LiveOut()) held << "device object";
  if (h.devices.OutOpen()) held << "simulated device open";
  return held;
}

QStringList Pair(const QString& a, const QString& b) { return {a, b}; }
}  // namespace

class FileCommandsTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

private slots:
  void init() { QVERIFY(dir_.isValid()); }
  void cleanup() { Heap::FailAfter(-1); }

  // ---- Open: what a readable file gives ----

  void Open_standardFile_fillsDocumentDeviceBarScalesAndViews() {
    FormHarness h;
    const Bytes data = Pcm(16000);
    const Bytes file = Standard(1, 8000, 8, data);
    QCOMPARE(file.size(), std::size_t(44 + 16000));
    OpenFile(h, Put(dir_, "std.wav", file));

    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.prompts.DialogsShown(), 1);
    QCOMPARE(h.prompts.LastFilter(), TFormMain::OpenDialog1Filter);
    QCOMPARE(h->Sound.Size(), 16000);
    QCOMPARE(Held(*h), data);
    QCOMPARE(h->Sound.Format(), kMono8);
    QCOMPARE(h->FormatBoxLines(),
             (QStringList{"Bit=8", "Sampling=8000", "Size=16000", "Time=2.00s"}));
    QCOMPARE(h->View().FftSize, 512u);
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 15488);
    QCOMPARE(h->PlayScrollBar->pageStep(), 256);
    QCOMPARE(h->PlayScrollBar->singleStep(), 51);
    QCOMPARE(ItemText(h->ScaleFft), QString("200"));
    QCOMPARE(ItemText(h->ScaleGraph), QString("10"));
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QVERIFY(h.devices.OutOpen());
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 1);
    QCOMPARE(*h.devices.LastOutFormat(), kMono8);
    QVERIFY(Inks(h->PaintBoxGra).green > 0);  // the waveform
    QVERIFY(Inks(h->PaintBoxFft).white > 0);  // the spectrum
  }

  void Open_chunkLayouts_openNormally_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<WAVEFORMATEX>("format");
    QTest::addColumn<QByteArray>("data");
    const Bytes d = Pcm(4000, 3);
    const Bytes fmt8 = FmtBody(1, 1, 8000, 8, 1);
    const WAVEFORMATEX w8 = kMono8;
    auto row = [&](const char* name, const Bytes& file, WAVEFORMATEX w, const Bytes& data) {
      QTest::newRow(name) << ToQ(file) << w << ToQ(data);
    };
    row("LIST before fmt", Riff(wavebytes::ListChunk() + Chunk("fmt ", fmt8) + Chunk("data", d)),
        w8, d);
    row("LIST between fmt and data",
        Riff(Chunk("fmt ", fmt8) + wavebytes::ListChunk() + Chunk("data", d)), w8, d);
    row("odd chunk before data",
        Riff(Chunk("fmt ", fmt8) + Chunk("junk", Pcm(5)) + Chunk("data", d)), w8, d);
    // Only the first 16 bytes count; cbSize is never taken from the file.
    row("fmt of 18 bytes", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1, 2)) + Chunk("data", d)), w8,
        d);
    row("fmt of 40 bytes", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1, 24)) + Chunk("data", d)),
        w8, d);
    row("16-bit stereo 44100", Standard(2, 44100, 16, d),
        WAVEFORMATEX{1, 2, 44100, 176400, 4, 16, 0}, d);
    // A streaming file whose data size was never filled in: the bytes it holds.
    row("data size 0xFFFFFFFF", Riff(Chunk("fmt ", fmt8) + Id("data") + U32(0xFFFFFFFF) + d), w8,
        d);
    // A truncated 16-bit file ending inside a frame: whole frames only.
    const Bytes odd = Pcm(4001, 4);
    row("truncated inside a frame",
        Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, 2)) + Id("data") + U32(8000) + odd),
        WAVEFORMATEX{1, 1, 8000, 16000, 2, 16, 0}, Bytes(odd.begin(), odd.end() - 1));
  }

  void Open_chunkLayouts_openNormally() {
    QFETCH(QByteArray, file);
    QFETCH(WAVEFORMATEX, format);
    QFETCH(QByteArray, data);
    FormHarness h;
    OpenFile(h, Put(dir_, "layout.wav", FromQ(file)));
    QCOMPARE(h.prompts.Texts(), QStringList{});
    QCOMPARE(h->Sound.Format(), format);
    QCOMPARE(h->Sound.Size(), std::int32_t(data.size()));
    QCOMPARE(ToQ(Held(*h)), data);
    QCOMPARE(*h.devices.LastOutFormat(), format);
    QVERIFY(h->Player().OutDeviceOpen());
  }

  // Opening over a held sound asks first, then gives the old sound and its device up.
  void Open_overHeldSound_confirmsClosesOldDeviceAndReplaces() {
    FormHarness h;
    OpenFile(h, Put(dir_, "a.wav", Standard(1, 8000, 8, Pcm(16000, 1))));
    const Bytes second = Pcm(6000, 2);
    OpenFile(h, Put(dir_, "b.wav", Standard(1, 16000, 16, second)));
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Message"});
    QCOMPARE(h.prompts.Boxes()[0].buttons, Prompts::Buttons::OkCancel);
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 1);
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 2);
    QCOMPARE(Held(*h), second);
    QCOMPARE(h->FormatBoxLines(),
             (QStringList{"Bit=16", "Sampling=16000", "Size=6000", "Time=0.19s"}));
    QCOMPARE(h->PlayScrollBar->maximum(), 6000 - 2 * 512);
    QCOMPARE(ItemText(h->ScaleGraph), QString("5"));  // 32 ms: 32 div 6 = 5
  }

  // ---- Open: files that cannot be used ----

  void Open_badFile_showsStepThenNoExitFile_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text");
    const Bytes d = Pcm(2000);
    const Bytes fmt8 = FmtBody(1, 1, 8000, 8, 1);
    auto row = [](const char* name, const Bytes& file, const char* text) {
      QTest::newRow(name) << ToQ(file) << QString(text);
    };
    row("not RIFF", Id("RIFX") + U32(4) + Id("WAVE"), "No Wave");
    row("RIFF of another form", Riff(Chunk("fmt ", fmt8), {}, "AVI "), "No Wave");
    row("no fmt", Riff(Chunk("data", d)), "No fmt");
    row("data before fmt", Riff(Chunk("data", d) + Chunk("fmt ", fmt8)), "No data");
    row("ends inside fmt", Riff(Id("fmt ") + U32(16) + Bytes(fmt8.begin(), fmt8.begin() + 10)),
        "No fmtSize");
    row("tag 3", Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) + Chunk("data", d)), "No fmttag");
    row("tag 0xFFFE", Riff(Chunk("fmt ", FmtBody(0xFFFE, 2, 44100, 16, 4, 24)) + Chunk("data", d)),
        "No fmttag");
    row("no channels", Riff(Chunk("fmt ", FmtBody(1, 0, 8000, 8, 1)) + Chunk("data", d)),
        "No fmttag");
    row("rate 0", Riff(Chunk("fmt ", FmtBody(1, 1, 0, 8, 1)) + Chunk("data", d)), "No fmttag");
    row("block 0", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 0)) + Chunk("data", d)), "No fmttag");
    row("block unlike channels x bytes",
        Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16, 2)) + Chunk("data", d)), "No fmttag");
    row("no data chunk", Riff(Chunk("fmt ", fmt8) + wavebytes::ListChunk()), "No data");
    row("empty data chunk", Riff(Chunk("fmt ", fmt8) + Chunk("data", {})), "No read");
    row("less than one frame",
        Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16, 4)) + Chunk("data", Pcm(3))), "No read");
    row("empty file", Bytes{}, "No Wave");
  }

  // The old sound is already given up when the file fails: nothing is held afterwards,
  // and the views show their grids only.
  void Open_badFile_showsStepThenNoExitFile() {
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    FormHarness h;
    OpenFile(h, Put(dir_, "good.wav", Standard(1, 8000, 8, Pcm(16000))));
    QVERIFY(h->Sound.HasSound());
    h.prompts.Clear();
    const QString path = Put(dir_, "bad.wav", FromQ(file));
    OpenFile(h, path);
    QCOMPARE(h.prompts.Texts(), (QStringList{"Input New data OK?", text, "no exit file"}));
    QCOMPARE(h.prompts.Captions(), (QStringList{"Message", "ERROR", path}));
    QCOMPARE(Leftovers(h), QStringList{});
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 1);  // none for the bad file
    // The waveform grid follows the rate the failed file left in the format (none for 0).
    QVERIFY(NoTrace(h->PaintBoxGra));
    QVERIFY(GridOnly(h->PaintBoxFft));
    // With nothing held, PLAY and AddFile do nothing and Save reports it.
    h.prompts.Clear();
    h->PlayOrStop();
    QVERIFY(!h->Player().Playing());
    h->AddFile1Click();
    QCOMPARE(h.prompts.DialogsShown(), 0);
    h->SaveClick();
    QCOMPARE(h.prompts.Texts(), QStringList{"no data"});
  }

  void Open_missingFile_saysNoFileWithThePath() {
    FormHarness h;
    const QString path = dir_.filePath("missing.wav");
    OpenFile(h, path);
    QCOMPARE(h.prompts.Texts(), Pair("No File", "no exit file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", path));
    QCOMPARE(Leftovers(h), QStringList{});
    // A directory is no file either.
    h.prompts.Clear();
    OpenFile(h, dir_.path());
    QCOMPARE(h.prompts.Texts(), Pair("No File", "no exit file"));
  }

  // The format bytes read before the tag test stay in the document's format; cbSize keeps
  // its value.
  void Open_nonPcm_leavesThatFilesFirst16FormatBytes() {
    FormHarness h;
    OpenFile(h, Put(dir_, "float.wav",
                    Riff(Chunk("fmt ", FmtBody(3, 2, 44100, 32, 8)) + Chunk("data", Pcm(800)))));
    QCOMPARE(h->Sound.Format(), (WAVEFORMATEX{3, 2, 44100, 352800, 8, 32, 0}));
    OpenFile(h, Put(dir_, "ext.wav",
                    Riff(Chunk("fmt ", FmtBody(0xFFFE, 1, 22050, 16, 2, 24)) +
                         Chunk("data", Pcm(800)))));
    QCOMPARE(h->Sound.Format(), (WAVEFORMATEX{0xFFFE, 1, 22050, 44100, 2, 16, 0}));
    QCOMPARE(Leftovers(h), QStringList{});
  }

  void Open_deviceRefusesFormat_showsDeviceTextThenNoExitFile() {
    FormHarness h;
    const QString path = Put(dir_, "s.wav", Standard(1, 8000, 8, Pcm(16000)));
    h.devices.Refuse(SimCall::OpenOut, 32, "The device cannot play this format.",
                     SimRefusal::NextCallOnly);
    OpenFile(h, path);
    QCOMPARE(h.prompts.Texts(), Pair("The device cannot play this format.", "no exit file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", path));
    QCOMPARE(Leftovers(h), QStringList{});
    QVERIFY(GridOnly(h->PaintBoxGra));
    // The same file opens once the device takes it.
    h.prompts.Clear();
    OpenFile(h, path);
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());

    // A PCM file of a sample size the device does not play: its own text.
    h.prompts.Clear();
    const QString wide = Put(dir_, "24.wav", Standard(1, 8000, 24, Pcm(3000)));
    OpenFile(h, wide);
    const QString why = QString::fromStdString(
        SimulatedDevices::FormatProblem(WAVEFORMATEX{1, 1, 8000, 24000, 3, 24, 0}));
    QVERIFY(!why.isEmpty());
    QCOMPARE(h.prompts.Texts(), (QStringList{"Input New data OK?", why, "no exit file"}));
    QCOMPARE(h.prompts.Captions(), (QStringList{"Message", "ERROR", wide}));
    QCOMPARE(Leftovers(h), QStringList{});
  }

  void Open_outOfMemory_namesTheBlock_data() {
    QTest::addColumn<int>("successes");
    QTest::addColumn<QString>("text");
    QTest::newRow("data block") << 0 << "No pwavedata";
    QTest::newRow("header") << 1 << "No pwaveheader";
  }

  void Open_outOfMemory_namesTheBlock() {
    QFETCH(int, successes);
    QFETCH(QString, text);
    FormHarness h;
    const QString path = Put(dir_, "s.wav", Standard(1, 8000, 8, Pcm(16000)));
    Heap::FailAfter(successes);
    OpenFile(h, path);
    Heap::FailAfter(-1);
    QCOMPARE(h.prompts.Texts(), Pair(text, "no exit file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", path));
    QCOMPARE(Leftovers(h), QStringList{});
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 0);
  }

  // ---- Open: short sounds, the question, the dialog, the transport ----

  void Open_shortSound_asksToPushButtonTwice_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("max");
    QTest::newRow("400 bytes") << 400 << 2 << 1;
    QTest::newRow("512 bytes, room 256") << 512 << 2 << 1;
    QTest::newRow("513 bytes, room 257") << 513 << 0 << 257;
    QTest::newRow("one frame") << 1 << 2 << 1;
  }

  void Open_shortSound_asksToPushButtonTwice() {
    QFETCH(int, bytes);
    QFETCH(int, boxes);
    QFETCH(int, max);
    FormHarness h;
    OpenFile(h, Put(dir_, "short.wav", Standard(1, 8000, 8, Pcm(std::size_t(bytes)))));
    QStringList texts, captions;
    for (int i = 0; i < boxes; ++i) {
      texts << "Please Push Button";
      captions << "Wait";
    }
    QCOMPARE(h.prompts.Texts(), texts);
    QCOMPARE(h.prompts.Captions(), captions);
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QCOMPARE(h->Sound.Size(), bytes);
    QCOMPARE(h->View().FftSize, 256u);
    QCOMPARE(ItemText(h->Choicedatanum), QString("256"));
    QCOMPARE(h->PlayScrollBar->maximum(), max);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->Player().PlayPos(), 0);
  }

  void Open_cancelAtQuestion_keepsSoundAndOpensNoDialog() {
    FormHarness h;
    const Bytes data = Pcm(16000);
    OpenFile(h, Put(dir_, "keep.wav", Standard(1, 8000, 8, data)));
    const std::uint8_t* block = h->Sound.Data();
    h.prompts.Clear();
    h.prompts.AnswerNext(false);
    OpenFile(h, Put(dir_, "other.wav", Standard(1, 8000, 8, Pcm(9000, 5))));
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QCOMPARE(h->Sound.Data(), block);
    QCOMPARE(Held(*h), data);
    QVERIFY(h->Player().OutDeviceOpen() && h.devices.OutOpen());
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 0);
  }

  void Open_cancelDialogAfterQuestion_leavesNoSoundAndGridOnlyViews() {
    FormHarness h;
    OpenFile(h, Put(dir_, "gone.wav", Standard(1, 8000, 8, Pcm(16000))));
    QVERIFY(Inks(h->PaintBoxGra).green > 0);
    h.prompts.Clear();
    h.prompts.ChooseNext(std::nullopt);
    h->OpenClick();
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QCOMPARE(h.prompts.DialogsShown(), 1);
    QCOMPARE(Leftovers(h), QStringList{});
    QVERIFY(GridOnly(h->PaintBoxGra));
    QVERIFY(GridOnly(h->PaintBoxFft));
  }

  void FileCommands_whilePlayingOrRecording_areRefused() {
    FormHarness h;
    const QString path = Put(dir_, "p.wav", Standard(1, 8000, 8, Pcm(16000)));
    OpenFile(h, path);
    h->PlayOrStop();
    QVERIFY(h->Player().Playing());
    h.prompts.Clear();
    OpenFile(h, path);
    AddFile(h, path);
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QVERIFY(h->Player().Playing() && h->Player().OutDeviceOpen());
    QCOMPARE(h->Sound.Size(), 16000);
    h->PlayOrStop();
    QVERIFY(!h->Player().Playing());

    QVERIFY(h.StartRecording());  // gives the sound up
    h.prompts.Clear();
    OpenFile(h, path);
    AddFile(h, path);
    h.prompts.ChooseNext(dir_.filePath("rec"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QVERIFY(!QFile::exists(dir_.filePath("rec.wav")));
    QVERIFY(h->Rec().Recording() && !h->Sound.HasSound());
  }

  // ---- AddFile ----

  void AddFile_sameFormat_appendsAndKeepsTheDevice() {
    FormHarness h;
    const Bytes a = Pcm(16000, 1), b = Pcm(8001, 2);
    OpenFile(h, Put(dir_, "a.wav", Standard(1, 8000, 8, a)));
    int cursor = 1000;
    h->PlayScrollBarScroll(cursor);
    h.prompts.Clear();
    AddFile(h, Put(dir_, "b.wav", Standard(1, 8000, 8, b)));
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.prompts.LastFilter(), TFormMain::OpenDialog1Filter);
    QCOMPARE(Held(*h), a + b);
    QCOMPARE(h->FormatBoxLines(),
             (QStringList{"Bit=8", "Sampling=8000", "Size=24001", "Time=3.00s"}));
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 24001 - 512);
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 1);
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 0);
    // The lengthened sound plays to its end.
    h->PlayOrStop();
    QCOMPARE(h.devices.LastWriteBytes(), 24001u);
    h.Advance(3100);
    QVERIFY(!h->Player().Playing());
  }

  // The appended file's format describes the whole block from then on: the format box, the
  // scales, the device and Save.
  void AddFile_16bitOnto8bit_describesWholeBlockAs16bit() {
    FormHarness h;
    const Bytes a = Pcm(16000, 1), b = Pcm(4000, 2);
    OpenFile(h, Put(dir_, "a8.wav", Standard(1, 8000, 8, a)));
    h.prompts.Clear();
    AddFile(h, Put(dir_, "b16.wav", Standard(1, 22050, 16, b)));
    QVERIFY(h.prompts.Boxes().empty());
    const WAVEFORMATEX w16{1, 1, 22050, 44100, 2, 16, 0};
    QCOMPARE(h->Sound.Format(), w16);
    QCOMPARE(Held(*h), a + b);
    QCOMPARE(h->FormatBoxLines(),
             (QStringList{"Bit=16", "Sampling=22050", "Size=20000", "Time=0.45s"}));
    QCOMPARE(ItemText(h->ScaleFft), QString("500"));
    QCOMPARE(ItemText(h->ScaleGraph), QString("1"));  // 23 ms: 23 div 6 = 3
    QCOMPARE(h->PlayScrollBar->maximum(), 20000 - 2 * 512);
    QVERIFY(h->Player().OutDeviceOpen() && h.devices.OutOpen());
    QCOMPARE(*h.devices.LastOutFormat(), w16);  // the device plays what the box says

    h.prompts.ChooseNext(dir_.filePath("mixed"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Get(dir_.filePath("mixed.wav")), Saved(w16, a + b));
  }

  // The device refuses the appended file's format: the append is taken back and the
  // device opened again for the sound it played before.
  void AddFile_deviceRefusesNewFormat_keepsTheSoundAsItWas() {
    FormHarness h;
    const Bytes a = Pcm(16000);
    OpenFile(h, Put(dir_, "a8.wav", Standard(1, 8000, 8, a)));
    h.prompts.Clear();
    h.devices.Refuse(SimCall::OpenOut, 32, "No 16-bit output.", SimRefusal::NextCallOnly);
    const QString path = Put(dir_, "b16.wav", Standard(2, 8000, 16, Pcm(4000)));
    AddFile(h, path);
    QCOMPARE(h.prompts.Texts(), Pair("No 16-bit output.", "no exit file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", path));
    QCOMPARE(Held(*h), a);
    QCOMPARE(h->Sound.Format(), kMono8);
    QVERIFY(h->Player().OutDeviceOpen());
    QCOMPARE(*h.devices.LastOutFormat(), kMono8);
    h->PlayOrStop();
    QCOMPARE(h.devices.LastWriteBytes(), 16000u);
  }

  void AddFile_shortSound_asksToPushButtonOnce() {
    FormHarness h;
    OpenFile(h, Put(dir_, "a.wav", Standard(1, 8000, 8, Pcm(200))));
    QCOMPARE(h.prompts.Texts().size(), 2);
    h.prompts.Clear();
    AddFile(h, Put(dir_, "b.wav", Standard(1, 8000, 8, Pcm(100))));
    QCOMPARE(h.prompts.Texts(), QStringList{"Please Push Button"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Wait"});
    QCOMPARE(h->Sound.Size(), 300);
    QVERIFY(h->Sound.HasSound());
  }

  void AddFile_nothingHeldOrDialogCancelled_doesNothing() {
    FormHarness h;
    const QString path = Put(dir_, "a.wav", Standard(1, 8000, 8, Pcm(16000)));
    h->AddFile1Click();
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(!h->Sound.Data() && !h->Player().OutDeviceOpen());

    h.prompts.Clear();
    OpenFile(h, path);
    const Bytes before = Held(*h);
    h.prompts.ChooseNext(std::nullopt);
    h->AddFile1Click();
    QCOMPARE(h.prompts.DialogsShown(), 2);
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Held(*h), before);
    QVERIFY(h->Player().OutDeviceOpen());
  }

  // The mixer and the painting jobs reach the held block through a handle: an append that
  // moves the block leaves the handle on it, so a job queued before the append draws the
  // appended bytes; a failed append keeps the sound and the mixer on it.
  void AddFile_whileMixerOpen_keepsMixerOnTheSound() {
    FormHarness h;
    TFormMain& f = *h;
    h->MixerClick();  // the mixer's 4000 bytes of 8-bit silence are held
    QPointer<QWidget> mixer = h->mixplay();
    const Bytes a(4000, 128), b = Pcm(100000, 2);
    const SoundDocument::Handle held = f.Sound.ShownHandle();  // as the mixer keeps it
    const int frames = int(f.View().FftSize);
    f.StartPaintJob([&f, held, frames] { return f.Sound.View(held, 20000, frames); });
    AddFile(h, Put(dir_, "b.wav", Standard(1, 8000, 8, b)));
    QCOMPARE(h->Sound.Size(), 104000);
    QCOMPARE(h->Sound.Resolve(held), h->Sound.Data());
    QVERIFY(h->Mixing().MixerOpen() && !mixer.isNull());
    h.Pump();
    const Bytes whole = a + b;
    QImage expected(f.PaintBoxGra->Width(), f.PaintBoxGra->Height(), QImage::Format_RGB32);
    ImageCanvas canvas(expected);
    ClearBox(canvas);
    DrawWaveBox(canvas, SoundView{whole.data(), std::int64_t(whole.size()), 1, 8, 20000, frames},
                WaveStyle{int(f.View().WaveStep), f.View().WaveTimes});
    QCOMPARE(f.PaintBoxGra->Image(), expected);
    AddFile(h, dir_.filePath("missing.wav"));
    QVERIFY(h->Mixing().MixerOpen() && !mixer.isNull());
    QCOMPARE(Held(*h), whole);
    QCOMPARE(h->Sound.Resolve(held), h->Sound.Data());
  }

  void AddFile_failure_keepsTheSound_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("heapSuccesses");
    QTest::addColumn<QString>("text");
    const Bytes good = Standard(1, 8000, 8, Pcm(3000));
    QTest::newRow("missing") << QByteArray() << -1 << "No File";
    QTest::newRow("tag 3") << ToQ(Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) +
                                       Chunk("data", Pcm(400))))
                           << -1 << "No fmttag";
    QTest::newRow("data before fmt")
        << ToQ(Riff(Chunk("data", Pcm(400)) + Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1)))) << -1
        << "No data";
    QTest::newRow("empty data") << ToQ(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1)) +
                                            Chunk("data", {})))
                                << -1 << "No read";
    // The added sound is read straight into the grown block: one allocation.
    QTest::newRow("no memory to grow the sound") << ToQ(good) << 0 << "No mypwavedata";
  }

  // The boxes name the failure; the held sound, its format, device and views stay, and it
  // plays and saves as before.
  void AddFile_failure_keepsTheSound() {
    QFETCH(QByteArray, file);
    QFETCH(int, heapSuccesses);
    QFETCH(QString, text);
    FormHarness h;
    const Bytes a = Pcm(16000);
    OpenFile(h, Put(dir_, "a.wav", Standard(1, 8000, 8, a)));
    const QImage wave = h->PaintBoxGra->Image().copy();
    h.prompts.Clear();
    const QString path =
        file.isNull() ? dir_.filePath("nowhere.wav") : Put(dir_, "add.wav", FromQ(file));
    Heap::FailAfter(heapSuccesses);
    AddFile(h, path);
    Heap::FailAfter(-1);
    QCOMPARE(h.prompts.Texts(), Pair(text, "no exit file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", path));
    QCOMPARE(Held(*h), a);
    QCOMPARE(h->Sound.Format(), kMono8);
    QCOMPARE(Leftovers(h), (QStringList{"block", "header", "device open", "device object",
                                        "simulated device open"}));
    QCOMPARE(h->PaintBoxGra->Image(), wave);
    h.prompts.Clear();
    h->PlayOrStop();
    QVERIFY(h->Player().Playing());
    QCOMPARE(h.devices.LastWriteBytes(), 16000u);
    h->PlayOrStop();
    QFile::remove(dir_.filePath("kept.wav"));  // an earlier row's
    h.prompts.ChooseNext(dir_.filePath("kept"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Get(dir_.filePath("kept.wav")), Saved(kMono8, a));
  }

  // ---- Save ----

  void Save_noSound_saysNoDataAndOpensNoDialog() {
    FormHarness h;
    h.prompts.ChooseNext(dir_.filePath("x"));
    h->SaveClick();
    QCOMPARE(h.prompts.Texts(), QStringList{"no data"});
    QCOMPARE(h.prompts.Captions(), QStringList{"error"});
    QCOMPARE(h.prompts.DialogsShown(), 0);
    QVERIFY(!QFile::exists(dir_.filePath("x.wav")));
  }

  void Save_layouts_areByteExact_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("fileSize");
    QTest::addColumn<int>("riffSize");
    QTest::newRow("16000 bytes") << 16000 << 16046 << 16038;
    QTest::newRow("1601 bytes, padded") << 1601 << 1648 << 1640;
  }

  void Save_layouts_areByteExact() {
    QFETCH(int, bytes);
    QFETCH(int, fileSize);
    QFETCH(int, riffSize);
    FormHarness h;
    const Bytes data = Pcm(std::size_t(bytes), 9);
    OpenFile(h, Put(dir_, "in.wav", Standard(1, 8000, 8, data)));
    h.prompts.Clear();
    QFile::remove(dir_.filePath("out.wav"));  // an earlier row's
    h.prompts.ChooseNext(dir_.filePath("out"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.prompts.LastFilter(), TFormMain::SaveDialog1Filter);
    const Bytes out = Get(dir_.filePath("out.wav"));
    QCOMPARE(int(out.size()), fileSize);
    const Bytes header = Id("RIFF") + U32(std::uint32_t(riffSize)) + Id("WAVE") + Id("fmt ") +
                         U32(18) + U16(1) + U16(1) + U32(8000) + U32(8000) + U16(1) + U16(8) +
                         U16(0) + Id("data") + U32(std::uint32_t(bytes));
    QCOMPARE(header.size(), std::size_t(46));
    QCOMPARE(Bytes(out.begin(), out.begin() + 46), header);
    QCOMPARE(Bytes(out.begin() + 46, out.begin() + 46 + bytes), data);
    if (bytes % 2) QCOMPARE(out.back(), std::uint8_t(0));
    // Saving changes nothing in the window.
    QCOMPARE(Held(*h), data);
    QVERIFY(h->Player().OutDeviceOpen());
  }

  // ".wav" is appended to whatever name the dialog gives.
  void Save_name_alwaysGetsWavAppended() {
    FormHarness h;
    const Bytes data = Pcm(3000);
    OpenFile(h, Put(dir_, "src.wav", Standard(1, 8000, 8, data)));
    h.prompts.ChooseNext(dir_.filePath("take"));
    h->SaveClick();
    QCOMPARE(Get(dir_.filePath("take.wav")), Saved(kMono8, data));
    const Bytes earlier = Get(dir_.filePath("take.wav"));
    OpenFile(h, Put(dir_, "src2.wav", Standard(1, 8000, 8, Pcm(2000, 7))));
    h.prompts.ChooseNext(dir_.filePath("take.wav"));
    h->SaveClick();
    QCOMPARE(Get(dir_.filePath("take.wav.wav")), Saved(kMono8, Pcm(2000, 7)));
    QCOMPARE(Get(dir_.filePath("take.wav")), earlier);
    h.prompts.ChooseNext(std::nullopt);  // a cancelled dialog writes nothing
    const int files = int(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size());
    h->SaveClick();
    QCOMPARE(int(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size()), files);
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
  }

  // Saving reads the block only: the playback goes on and ends as usual.
  void Save_duringPlayback_writesTheSoundAndPlaybackGoesOn() {
    FormHarness h;
    const Bytes data = Pcm(16000, 4);
    OpenFile(h, Put(dir_, "play.wav", Standard(1, 8000, 8, data)));
    h->PlayOrStop();
    h.Advance(600);
    QVERIFY(h->Player().Playing());
    h.prompts.ChooseNext(dir_.filePath("while"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Get(dir_.filePath("while.wav")), Saved(kMono8, data));
    QVERIFY(h->Player().Playing());
    QCOMPARE(h->PlayButton->text(), QString("STOP"));
    h.Advance(1600);
    QVERIFY(!h->Player().Playing());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 0);
  }

  // Every format the system makes (mono, 8 or 16 bits, nine rates) comes back as it went.
  void Save_thenOpen_roundTripsEveryFormatTheSystemMakes() {
    const std::uint32_t rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    for (std::uint32_t bits : {8u, 16u})
      for (std::uint32_t rate : rates) {
        FormHarness h;
        const std::size_t size = rate / 4 * (bits / 8) + (bits == 8 ? 1 : 0);  // odd for 8 bits
        const Bytes data = Pcm(size, rate);
        QVERIFY(HoldMade(h, bits, rate, data));
        const WAVEFORMATEX made = h->Sound.Format();
        const QString name = QString("rt-%1-%2").arg(bits).arg(rate);
        h.prompts.ChooseNext(dir_.filePath(name));
        h->SaveClick();
        OpenFile(h, dir_.filePath(name + ".wav"));
        QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
        QCOMPARE(h->Sound.Format(), made);
        QCOMPARE(h->Sound.Size(), std::int32_t(size));
        QCOMPARE(Held(*h), data);
        QCOMPARE(*h.devices.LastOutFormat(), made);
      }
  }

  void Save_fileLayerFails_showsStepThenNoSaveFile_andKeepsEarlierFile_data() {
    QTest::addColumn<int>("writeLimit");
    QTest::addColumn<bool>("failSync");
    QTest::addColumn<bool>("failRename");
    QTest::addColumn<bool>("failCreate");
    QTest::addColumn<QString>("text");
    QTest::newRow("disk full in the data") << 46 + 700 << false << false << false << "No Write";
    QTest::newRow("disk full before the pad")
        << 46 + 1601 << false << false << false << "No assend1";
    QTest::newRow("disk full before the RIFF size")
        << 46 + 1602 << false << false << false << "No assend2";
    QTest::newRow("disk full at once") << 0 << false << false << false << "No Wave";
    QTest::newRow("disk full in the format") << 30 << false << false << false << "No fmtSize";
    QTest::newRow("flush fails") << -1 << true << false << false << "No Write";
    QTest::newRow("rename fails") << -1 << false << true << false << "No File";
    QTest::newRow("cannot create") << -1 << false << false << true << "No File";
  }

  void Save_fileLayerFails_showsStepThenNoSaveFile_andKeepsEarlierFile() {
    QFETCH(int, writeLimit);
    QFETCH(bool, failSync);
    QFETCH(bool, failRename);
    QFETCH(bool, failCreate);
    QFETCH(QString, text);
    QTemporaryDir dir;
    FormHarness h;
    const Bytes data = Pcm(1601, 3);
    const QString source = Put(dir, "src.wav", Standard(1, 8000, 8, data));
    OpenFile(h, source);
    const Bytes earlier = Standard(1, 8000, 8, Pcm(500, 8));
    const QString target = Put(dir, "keep.wav", earlier);
    h.prompts.Clear();
    FileByteSink::Faults faults;
    faults.writeLimit = writeLimit;
    faults.failSync = failSync;
    faults.failRename = failRename;
    faults.failCreate = failCreate;
    FileByteSink::InjectFaults(faults);
    h.prompts.ChooseNext(dir.filePath("keep"));
    h->SaveClick();  // the question about keep.wav answered OK, then the failure
    const QString ask = "\"keep.wav\" exists. Overwrite OK?";
    QCOMPARE(h.prompts.Texts(), (QStringList{ask, text, "no save file"}));
    QCOMPARE(h.prompts.Captions(), (QStringList{"Message", "ERROR", target}));
    QCOMPARE(Get(target), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"keep.wav", "src.wav"}));
    QCOMPARE(Held(*h), data);
    QVERIFY(h->Player().OutDeviceOpen() && h.devices.OutOpen());
    // The next save, with the disk well again, replaces the file.
    h.prompts.Clear();
    h.prompts.ChooseNext(dir.filePath("keep"));
    h->SaveClick();
    QCOMPARE(h.prompts.Texts().size(), 1);  // the question
    QCOMPARE(Get(target), Saved(kMono8, data));
  }

  void Save_intoMissingDirectory_saysNoFileWithThePath() {
    FormHarness h;
    OpenFile(h, Put(dir_, "src.wav", Standard(1, 8000, 8, Pcm(1000))));
    h.prompts.Clear();
    const QString chosen = dir_.filePath("no/such/dir/take");
    h.prompts.ChooseNext(chosen);
    h->SaveClick();
    QCOMPARE(h.prompts.Texts(), Pair("No File", "no save file"));
    QCOMPARE(h.prompts.Captions(), Pair("ERROR", chosen + ".wav"));
  }

  // ---- Paths ----

  void FileCommands_nonAsciiPaths_workAndShowThePathExactly() {
    FormHarness h;
    QVERIFY(QDir(dir_.path()).mkpath("Klänge/日本語"));
    const QString sub = "Klänge/日本語/";
    const Bytes a = Pcm(16000, 1), b = Pcm(2000, 2);
    OpenFile(h, Put(dir_, sub + "über Ton ü.wav", Standard(1, 8000, 8, a)));
    AddFile(h, Put(dir_, sub + "звук №2.wav", Standard(1, 8000, 8, b)));
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Held(*h), a + b);
    h.prompts.ChooseNext(dir_.filePath(sub + "録音 é"));
    h->SaveClick();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Get(dir_.filePath(sub + "録音 é.wav")), Saved(kMono8, a + b));

    const QString missing = dir_.filePath(sub + "ни файла ☹.wav");
    OpenFile(h, missing);
    QCOMPARE(h.prompts.Texts(), (QStringList{"Input New data OK?", "No File", "no exit file"}));
    QCOMPARE(h.prompts.Captions().last(), missing);
  }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
