// The mixer's five memory slots through the window: store on "IN", recall on "OUT" (which
// plays at once), "SET", and the settings file with its failures, each shown in one box.

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>
#include <numbers>

#include "MixerHarness.h"
#include "mixer/MixerSettingsFile.h"
#include "mixer/ToneRules.h"
#include "ui/Edit.h"
#include "ui/RadioGroup.h"
#include "ui/TrackBar.h"

using namespace mixtest;

namespace {
constexpr int kIn = 0, kOut = 1;

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A set on the sliders: harmonic 1 at 100, harmonic 2 at 50 with 30 degrees, 440 Hz,
// volume 20.
void Compose(Tmixplay* w) {
  w->Edfreq->SetText("440");
  w->volume->SetPosition(20);
  w->AmpBars[1]->SetPosition(0);
  w->AmpBars[2]->SetPosition(50);
  w->PhaseEdits[2]->SetText("30");
}

// Recalls `slot` the user's way: "OUT", "SET", then the slot.
void Recall(Tmixplay* w, int slot) {
  w->RGMemInOut->SetItemIndex(kOut);
  w->BtnFftmemClearClick();
  w->RGBarMem->SetItemIndex(slot);
}

// A file of the five slots with `slot0` first and the rest empty.
QString SlotFile(const QTemporaryDir& dir, const QString& name, const MemorySlot& slot0) {
  SpectrumMemory memory;
  memory.Store(0, slot0);
  const QString path = dir.filePath(name);
  return MixerSettingsFile::Save(path.toStdString(), memory).Ok() ? path : QString();
}
}  // namespace

class MixerMemoryTest : public QObject {
  Q_OBJECT
private slots:
  void Save_emptySlotsAreZeros_andTheNameAlwaysGetsF2t() {
    QTemporaryDir dir;
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    h.prompts.ChooseNext(dir.filePath("set"));
    w->Btnsave->click();
    QCOMPARE(h.prompts.LastFilter(), QString("f2t (*.f2t)"));
    QCOMPARE(ReadFile(dir.filePath("set.f2t")), QByteArray(16860, '\0'));
    h.prompts.ChooseNext(dir.filePath("twice.f2t"));
    w->BtnsaveClick();
    QVERIFY(QFile::exists(dir.filePath("twice.f2t.f2t")));
    h.prompts.ChooseNext(std::nullopt);
    w->BtnsaveClick();
    h.prompts.ChooseNext(std::nullopt);
    w->BtnLoadClick();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    QVERIFY(h.prompts.Boxes().empty());
  }

  void SaveCloseReopenLoad_playsTheStoredSetAgain() {
    QTemporaryDir dir;
    FormHarness h;
    Tmixplay* w = OpenMixer(h, 16);
    Compose(w);
    w->RGBarMem->SetItemIndex(2);
    w->FFtMemIn->click();
    w->TransmitClick();
    const Bytes played = Shown(*h);
    h.prompts.ChooseNext(dir.filePath("keep"));
    w->BtnsaveClick();
    h.Advance(600);
    w->close();
    h.Pump();

    w = OpenMixer(h, 16);  // a new window: empty slots, start values
    QVERIFY(w);
    QCOMPARE(w->Model().Stored(2)->Freq, 0);
    h.prompts.ChooseNext(dir.filePath("keep.f2t"));
    w->BtnLoadClick();
    QCOMPARE(w->Model().Stored(2)->Freq, 440);
    QCOMPARE(w->freq->Position(), 100);  // loading changes only the slots
    QCOMPARE(w->Model().Set().Amplitude[1], 0);
    w->RGMemInOut->SetItemIndex(kOut);
    w->RGBarMem->SetItemIndex(2);
    QCOMPARE(w->freq->Position(), 440);
    QCOMPARE(w->Label2->text(), QString("20"));
    QVERIFY(h->Player().Playing());
    QVERIFY(Shown(*h) == played);
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
  }

  void NeverStoredSlot_keepsTheFrequency_andPlaysSilence() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    Compose(w);
    w->RGMemInOut->SetItemIndex(kOut);
    w->RGBarMem->SetItemIndex(4);
    QCOMPARE(w->freq->Position(), 440);  // "0" is refused by the frequency edit
    QCOMPARE(w->Edfreq->Text(), QString("440"));
    QCOMPARE(w->volume->Position(), 0);
    QCOMPARE(w->Label2->text(), QString("0"));
    for (int k = 1; k <= 120; ++k) QCOMPARE(w->Model().Set().Amplitude[k], 0);
    QCOMPARE(w->AmpBars[1]->Position(), 100);
    QVERIFY(h->Player().Playing());
    QCOMPARE(h->Sound.Size(), 4000);
    QVERIFY(AllBytes(Shown(*h), 128));
  }

  void StoreChangeRecall_bringsEverythingBackInTheFirstBank() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->frectimesRG->SetItemIndex(1);
    w->AmpBars[10]->SetPosition(70);  // harmonic 40 at 30, while 100 Hz allows it
    w->frectimesRG->SetItemIndex(0);
    Compose(w);
    w->frectimesRG->SetItemIndex(1);
    w->RGBarMem->SetItemIndex(3);
    w->FFtMemIn->click();
    const MemorySlot stored = *w->Model().Stored(3);
    QCOMPARE(stored.Harmonics.HarmCount, 40);

    w->frectimesRG->SetItemIndex(2);
    w->Edfreq->SetText("300");
    w->volume->SetPosition(99);
    w->reset->click();
    w->frectimesRG->SetItemIndex(3);
    w->RGMemInOut->SetItemIndex(kOut);
    w->FFtMemIn->click();  // on "OUT" nothing is stored
    QCOMPARE(w->Model().Stored(3)->Freq, 440);
    w->RGBarMem->SetItemIndex(3);  // already selected: nothing
    QVERIFY(!h->Player().Playing());
    QCOMPARE(w->freq->Position(), 300);

    w->BtnFftmemClear->click();
    QCOMPARE(w->RGBarMem->ItemIndex(), -1);
    QVERIFY(!h->Player().Playing());
    w->RGBarMem->SetItemIndex(3);
    QCOMPARE(w->freq->Position(), 440);
    QCOMPARE(w->volume->Position(), 20);
    QCOMPARE(w->frectimesRG->ItemIndex(), 0);
    QCOMPARE(w->Model().Bank(), 0);
    QCOMPARE(w->AmpBars[1]->Position(), 0);
    QCOMPARE(w->AmpBars[2]->Position(), 50);
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("30"));
    QCOMPARE(w->PhaseBars[2]->Position(), 30);
    QVERIFY(w->Model().Set().Amplitude == stored.Harmonics.Amplitude);
    QVERIFY(w->Model().Set().Phase == stored.Harmonics.Phase);
    QCOMPARE(w->Model().Set().HarmCount, 40);
    QVERIFY(h->Player().Playing());
    const int writes = h.devices.Calls(SimCall::Write);
    w->RGBarMem->SetItemIndex(3);  // the same slot again: nothing
    QCOMPARE(h.devices.Calls(SimCall::Write), writes);
    Recall(w, 3);  // after "SET" it recalls again
    QCOMPARE(h.devices.Calls(SimCall::Write), writes + 1);

    w->RGMemInOut->SetItemIndex(kIn);
    w->Edfreq->SetText("500");
    w->RGBarMem->SetItemIndex(0);  // on "IN" a choice only selects
    QCOMPARE(w->freq->Position(), 500);
  }

  void RecalledPhases_wholeDegreesOnlyWhereTheEditShows() {
    QTemporaryDir dir;
    MemorySlot s;
    s.Harmonics.HarmCount = 40;
    s.Freq = 100;
    s.Volume = 10;
    s.Harmonics.Amplitude[2] = 50;
    s.Harmonics.Phase[2] = 0.5;
    s.Harmonics.Amplitude[40] = 50;
    s.Harmonics.Phase[40] = 0.5;
    const QString path = SlotFile(dir, "half.f2t", s);
    QVERIFY(!path.isEmpty());
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    h.prompts.ChooseNext(path);
    w->BtnLoadClick();
    Recall(w, 0);
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("29"));
    QCOMPARE(w->Model().Set().Phase[2], DegreesToPhase(29));  // 0.50615 rad
    QVERIFY(std::abs(w->Model().Set().Phase[2] - 0.50615) < 1e-5);
    QCOMPARE(w->Model().Set().Phase[40], 0.5);
    QVERIFY(h->Player().Playing());
  }

  void CutFile_keepsWhatWasReadWhole_andShowsOneBox() {
    QTemporaryDir dir;
    MemorySlot s;
    s.Harmonics.HarmCount = 3;
    s.Freq = 440;
    s.Volume = 10;
    s.Harmonics.Amplitude[1] = 100;
    SpectrumMemory full;
    for (int m = 0; m < 5; ++m) full.Store(m, s);
    const QString whole = dir.filePath("whole.f2t");
    QVERIFY(MixerSettingsFile::Save(whole.toStdString(), full).Ok());
    const QByteArray bytes = ReadFile(whole);
    for (int size : {0, 6, 3372 + 14, 16859}) {
      FormHarness h;
      Tmixplay* w = OpenMixer(h);
      w->Edfreq->SetText("700");  // what the slots hold before: 700 Hz, volume 10
      w->RGBarMem->SetItemIndex(4);
      w->FFtMemIn->click();
      for (int m = 0; m < 4; ++m) {
        w->RGBarMem->SetItemIndex(m);
        w->FFtMemIn->click();
      }
      const QString path = dir.filePath(QString("cut%1.f2t").arg(size));
      QVERIFY(WriteFile(path, bytes.left(size)));
      h.prompts.ChooseNext(path);
      w->BtnLoadClick();
      QCOMPARE(h.prompts.Boxes().size(), std::size_t(1));
      QCOMPARE(h.prompts.Texts().front(),
               "Read error: \"" + path + "\" ends at byte " + QString::number(size) + " of 16860");
      const SpectrumMemory& m = w->Model().Memory();
      QCOMPARE(m.Recall(0)->Harmonics.HarmCount, size >= 4 ? 3 : 0);
      QCOMPARE(m.Recall(0)->Freq, size >= 8 ? 440 : 700);
      QCOMPARE(m.Recall(1)->Harmonics.Amplitude[1], size >= 3372 + 16 ? 100 : 0);
      QCOMPARE(m.Recall(4)->Freq, size >= 4 * 3372 + 8 ? 440 : 700);
      QCOMPARE(m.Recall(4)->Harmonics.Spectrum[120].im, 0.0);
      QCOMPARE(w->freq->Position(), 700);  // the current set and controls stay
    }
  }

  void DamagedFile_recallsWithoutCrash_andPlaysSilence() {
    QTemporaryDir dir;
    MemorySlot s;
    s.Harmonics.HarmCount = 2000000000;
    s.Freq = 123456;
    s.Volume = 100000;
    for (int k = 1; k <= 120; ++k) {
      s.Harmonics.Amplitude[k] = k % 2 ? 100 : std::numeric_limits<std::int32_t>::min();
      s.Harmonics.Phase[k] = std::numeric_limits<double>::quiet_NaN();
    }
    s.Harmonics.Phase[3] = 1e300;
    const QString path = SlotFile(dir, "bad.f2t", s);
    QVERIFY(!path.isEmpty());
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    h.prompts.ChooseNext(path);
    w->BtnLoadClick();
    Recall(w, 0);
    QCOMPARE(w->freq->Position(), 100);  // 123456 refused
    QCOMPARE(w->volume->Position(), 300);
    QCOMPARE(w->PhaseEdits[1]->Text(), QString("0"));
    QCOMPARE(w->PhaseEdits[1]->Limit(), 4);
    QVERIFY(w->PhaseEdits[3]->Text().size() <= 4);
    QVERIFY(h->Player().Playing());
    QVERIFY(AllBytes(Shown(*h), 128));
    for (int bank = 1; bank < 4; ++bank) w->frectimesRG->SetItemIndex(bank);
    w->RGMemInOut->SetItemIndex(kIn);
    w->RGBarMem->SetItemIndex(1);
    w->FFtMemIn->click();  // stored and saved back unchanged
    QCOMPARE(w->Model().Stored(1)->Harmonics.HarmCount, 2000000000);
    QVERIFY(h.prompts.Boxes().empty());
  }

  // A loaded phase too long for the four-character edit: the edit's handler runs once,
  // with the whole text, wherever the slider stood before.
  void LongLoadedPhase_takenWhole_whereverTheSliderStood() {
    QTemporaryDir dir;
    MemorySlot s;
    s.Freq = 100;
    s.Volume = 10;
    s.Harmonics.HarmCount = 1;
    s.Harmonics.Amplitude[1] = 100;
    s.Harmonics.Phase[1] = -20;  // -1146 degrees
    const QString path = SlotFile(dir, "long.f2t", s);
    for (int before : {0, -180}) {
      FormHarness h;
      Tmixplay* w = OpenMixer(h);
      w->AmpBars[1]->SetPosition(0);
      w->PhaseBars[1]->SetPosition(before);
      h.prompts.ChooseNext(path);
      w->BtnLoadClick();
      Recall(w, 0);
      QCOMPARE(w->Model().Set().Phase[1], DegreesToPhase(-1146));
      QCOMPARE(w->PhaseBars[1]->Position(), -180);
      QCOMPARE(w->PhaseEdits[1]->Text(), QString(before == 0 ? "-180" : "-1146"));
    }
  }

  void FileErrors_showOneBoxWithTheirText() {
    QTemporaryDir dir;
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    const QString missing = dir.filePath("no/such");
    h.prompts.ChooseNext(missing);
    w->BtnsaveClick();
    QCOMPARE(h.prompts.Boxes().size(), std::size_t(1));
    QCOMPARE(h.prompts.Texts().front(),
             "Cannot create file \"" + missing + ".f2t\": No such file or directory");
    h.prompts.Clear();
    h.prompts.ChooseNext(missing);
    w->BtnLoadClick();
    QCOMPARE(h.prompts.Texts(),
             QStringList{"Cannot open file \"" + missing + "\": No such file or directory"});
    QVERIFY(h->Mixing().MixerOpen());  // the program goes on
  }
};

QTEST_MAIN(MixerMemoryTest)
#include "MixerMemoryTest.moc"
