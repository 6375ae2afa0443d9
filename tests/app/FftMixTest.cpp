// fftmix: the harmonics measured in the viewed sound handed to the mixer, which rebuilds
// the sound in a block of its own beside the analysed one; "BASE" and the mixer's close
// bring the analysed sound back. Sounds are WAVE files opened through File > Open.

#include <QLabel>
#include <QtTest>
#include <cmath>
#include <numbers>

#include "MixerHarness.h"
#include "audio/SimulatedWaveOut.h"
#include "base/Heap.h"
#include "mixer/ToneRules.h"
#include "ui/Edit.h"
#include "ui/RadioGroup.h"
#include "ui/TrackBar.h"

using namespace mixtest;

namespace {
constexpr double kPi = std::numbers::pi;
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

// (Hz, amplitude, phase) sines at 8000 Hz, 8 bits, `channels` channels (channel 1 holds them).
struct Tone {
  double hz, amplitude, phase;
};
Bytes Sines8(int frames, std::initializer_list<Tone> tones, int channels = 1) {
  Bytes b(std::size_t(frames * channels), 128);
  for (int n = 0; n < frames; ++n) {
    double v = 0;
    for (const Tone& t : tones) v += t.amplitude * std::sin(2 * kPi * t.hz * n / 8000 + t.phase);
    b[std::size_t(n * channels)] = std::uint8_t(128 + std::nearbyint(v));
  }
  return b;
}

// The chord of the tests: 250, 500 and 750 Hz at 60, 30 and 20, with phases 0, 90 and -45
// degrees; 6000 bytes, so that its size differs from the mixer's 4000.
Bytes Chord() { return Sines8(6000, {{250, 60, 0}, {500, 30, kPi / 2}, {750, 20, -kPi / 4}}); }

// A phase as the take-over leaves it for harmonics 1 .. 30: the whole degrees the phase
// edit shows, unless the edit already showed them (then the exact angle stays).
double TakenPhase(const TComplex& v) {
  const double exact = std::atan2(v.re, v.im);
  const std::int32_t d = WholeDegrees(exact);
  return d == 0 ? exact : DegreesToPhase(d);
}
}  // namespace

class FftMixTest : public QObject {
  Q_OBJECT
private slots:
  void Chord_handsHarmonicsLevelsAndPhasesOver_andOutRebuildsIt() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Chord()));
    QCOMPARE(h->Label2->text(), QString("250"));
    QVERIFY(h->FindPeaks());  // what fftmix will find: the same arrays, idle
    TComplex value[4];
    for (int k = 1; k <= 3; ++k) value[k] = h->Analysis().PeakValue[k];
    const std::uint8_t* analysed = h->Sound.Data();

    h->fftmixClick();
    Tmixplay* w = Window(*h);
    QVERIFY(w);
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(h->Mixing().MixerOpen() && h->Mixing().MixerFromFft() && !h->Mixing().FftMixMode());
    QVERIFY(!h->LBAorFFT->isHidden());
    QVERIFY(h->Sound.ShowsMix());
    QCOMPARE(h->Sound.Size(), 4000);  // Round(8000 * 0.5)
    const HarmonicSet& set = w->Model().Set();
    QCOMPARE(set.HarmCount, 3);
    QCOMPARE(set.Amplitude[1], 50);
    QCOMPARE(set.Amplitude[2], 25);
    QCOMPARE(set.Amplitude[3], 17);
    for (int k = 1; k <= 3; ++k) QCOMPARE(set.Phase[k], TakenPhase(value[k]));
    QCOMPARE(set.Phase[2], DegreesToPhase(90));
    QCOMPARE(set.Phase[3], DegreesToPhase(-45));
    QCOMPARE(w->PhaseEdits[3]->Text(), QString("-45"));
    QCOMPARE(w->PhaseBars[3]->Position(), -45);
    QCOMPARE(w->AmpBars[2]->Position(), 75);
    QCOMPARE(w->freq->Position(), 250);
    QCOMPARE(w->Edfreq->Text(), QString("250"));
    QVERIFY(!AllBytes(Shown(*h), 128));  // rebuilt at once, not played
    QVERIFY(!h->Player().Playing());
    QCOMPARE(h->Label2->text(), QString("250"));  // the views show the rebuilt sound
    QCOMPARE(h->Sound.Resolve(h->Sound.SavedHandle()), analysed);

    w->TransmitClick();
    QVERIFY(h->Player().Playing());
    QCOMPARE(h.devices.LastWriteData(), h->Sound.Data());
    QCOMPARE(h.devices.LastWriteBytes(), 4000u);
    h->Label2->clear();
    h->PlayButtonClick();  // stop: the views and the readout at the cursor
    QCOMPARE(h->Label2->text(), QString("250"));
  }

  void Close_bringsTheAnalysedSoundAndItsSizeBack() {
    FormHarness h;
    const Bytes chord = Chord();
    QVERIFY(OpenSound(h, kMono8, chord));
    h->fftmixClick();
    Tmixplay* w = Window(*h);
    QVERIFY(w);
    w->TBmixtime->SetPosition(10);
    w->TransmitClick();  // the mixer's block grows to 8000 while it plays
    QCOMPARE(h->Sound.Size(), 8000);
    h->Label2->clear();
    w->close();  // during the playback: it stops before the block goes
    h.Pump();
    QVERIFY(!h->mixplay() && !h->Mixing().MixerOpen() && !h->Mixing().MixerFromFft());
    QVERIFY(!h->Player().Playing());
    QVERIFY(!h->Sound.ShowsMix());
    QCOMPARE(h->Sound.Size(), 6000);
    QVERIFY(Shown(*h) == chord);
    QVERIFY(h->LBAorFFT->isHidden());
    QCOMPARE(h->FormatBoxLines()[2], QString("Size=6000"));
    QCOMPARE(h->Label2->text(), QString("250"));
    h->PlayButtonClick();  // the analysed sound plays again
    QCOMPARE(h.devices.LastWriteData(), h->Sound.Data());
    QCOMPARE(h.devices.LastWriteBytes(), 6000u);

    h->PlayButtonClick();
    h->fftmixClick();  // and fftmix works again
    QVERIFY(Window(*h) && h->Mixing().MixerFromFft());
  }

  void Base_showsTheAnalysedSound_theMixersBlockStays() {
    FormHarness h;
    const Bytes chord = Chord();
    QVERIFY(OpenSound(h, kMono8, chord));
    h->fftmixClick();
    Tmixplay* w = Window(*h);
    QVERIFY(w);
    w->TransmitClick();
    QVERIFY(h->Player().Playing());
    QTest::mouseDClick(h->LBAorFFT, Qt::LeftButton);  // during the playback: it stops first
    QVERIFY(!h->Player().Playing());
    QCOMPARE(h.devices.LiveOut()->QueuedBlocks(), 0u);
    QVERIFY(h->LBAorFFT->isHidden());
    QCOMPARE(h->Sound.Size(), 6000);
    QVERIFY(Shown(*h) == chord);
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->Sound.SizeOf(w->Model().Block()), 4000);  // kept for the mixer
    QVERIFY(h->Mixing().MixerFromFft());
    h.Pump();

    QVERIFY(h->FindPeaks());
    const TComplex second = h->Analysis().PeakValue[2];
    h->fftmixClick();  // a second fftmix on the analysed sound while the mixer is open
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(Window(*h), w);
    QVERIFY(h->Sound.ShowsMix() && !h->LBAorFFT->isHidden());
    QCOMPARE(w->Model().Block(), h->Sound.ShownHandle());
    QCOMPARE(w->Model().Set().Amplitude[3], 17);
    // The edit already shows "90": no handler runs, and the exact angle stays.
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("90"));
    QCOMPARE(w->Model().Set().Phase[2], std::atan2(second.re, second.im));
    QVERIFY(w->Model().Set().Phase[2] != DegreesToPhase(90));

    QTest::mouseDClick(h->LBAorFFT, Qt::LeftButton);
    w->TransmitClick();  // "OUT" shows the mixer's sound again, and "BASE" with it
    QVERIFY(h->Sound.ShowsMix() && !h->LBAorFFT->isHidden());
    QCOMPARE(h->Sound.Size(), 4000);
  }

  // The mixer goes without its close handler when the sound is given up; "BASE" and the
  // mark of a mixer made by fftmix go with it, so fftmix works on the next sound.
  void GivingTheSoundUp_takesBaseAndTheMixerAlong() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Chord()));
    h->fftmixClick();
    QVERIFY(Window(*h) && !h->LBAorFFT->isHidden());
    const Bytes next = Sines8(5000, {{500, 50, 0}});
    QVERIFY(OpenSound(h, kMono8, next));  // "Input New data OK?" answered OK
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QVERIFY(!h->mixplay() && !h->Mixing().MixerOpen() && !h->Mixing().MixerFromFft());
    QVERIFY(h->LBAorFFT->isHidden() && !h->Sound.ShowsMix());
    QVERIFY(Shown(*h) == next);
    h->fftmixClick();
    QVERIFY(Window(*h) && h->Mixing().MixerFromFft());
    QCOMPARE(Window(*h)->freq->Position(), 500);

    h->NewClick();
    QVERIFY(!h->mixplay() && !h->Mixing().MixerFromFft() && h->LBAorFFT->isHidden());
    h->MixerClick();  // a mixer of its own now: closing it keeps its sound
    Window(*h)->close();
    h.Pump();
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
  }

  void Refusals_stereoSilenceBaseBusyAndMemory() {
    {
      FormHarness h;
      h->fftmixClick();  // no sound
      QVERIFY(h.prompts.Boxes().empty() && !h->mixplay());
      QVERIFY(
          OpenSound(h, WAVEFORMATEX{1, 2, 8000, 16000, 2, 8, 0}, Sines8(3000, {{250, 60, 0}}, 2)));
      h->fftmixClick();
      QCOMPARE(h.prompts.Texts(), QStringList{"2channel"});
      QCOMPARE(h.prompts.Captions(), QStringList{"error"});
      QVERIFY(!h->mixplay() && h->LBAorFFT->isHidden() && !h->Sound.ShowsMix());
    }
    {
      FormHarness h;
      QVERIFY(OpenSound(h, kMono8, Bytes(6000, 128)));
      h->fftmixClick();
      QCOMPARE(h.prompts.Texts(), QStringList{"fft"});
      QCOMPARE(h.prompts.Captions(), QStringList{"error"});
      QVERIFY(!h->Mixing().FftMixMode() && !h->mixplay() && !h->Sound.ShowsMix());
    }
    FormHarness h;
    const Bytes chord = Chord();
    QVERIFY(OpenSound(h, kMono8, chord));
    h->PlayButtonClick();
    h->fftmixClick();  // playing
    QVERIFY(h.prompts.Boxes().empty() && !h->mixplay());
    h->PlayButtonClick();
    Heap::FailAfter(0);
    h->fftmixClick();
    Heap::FailAfter(-1);
    QCOMPARE(h.prompts.Texts(), QStringList{"No Memory"});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(!h->mixplay() && !h->Mixing().FftMixMode());
    QVERIFY(!h->Sound.ShowsMix() && h->LBAorFFT->isHidden());
    QCOMPARE(h->Sound.Size(), 6000);
    QVERIFY(Shown(*h) == chord);

    h.prompts.Clear();
    h->fftmixClick();
    QVERIFY(Window(*h));
    const SoundDocument::Handle block = h->Sound.ShownHandle();
    h->fftmixClick();  // "BASE" showing: nothing at all
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h->Sound.ShownHandle(), block);
  }

  void HeldFormat_becomesTheSettingsForNewSound() {
    FormHarness h;
    constexpr std::uint32_t kRate = 11025;
    Bytes b(2 * 8000);
    for (int n = 0; n < 8000; ++n) {
      const auto v = std::int16_t(std::nearbyint(8000 * std::sin(2 * kPi * 441 * n / kRate)));
      b[2 * n] = std::uint8_t(v & 0xFF);
      b[2 * n + 1] = std::uint8_t((v >> 8) & 0xFF);
    }
    QVERIFY(OpenSound(h, WAVEFORMATEX{1, 1, kRate, 2 * kRate, 2, 16, 0}, b));
    h->fftmixClick();
    Tmixplay* w = Window(*h);
    QVERIFY(w);
    QCOMPARE(h->NewSound.RecBits, 16u);
    QCOMPARE(h->NewSound.RecSampleRate, kRate);
    QCOMPARE(h->Sound.Size(), 11025);  // Round(22050 * 0.5): odd, the last byte untouched
    QCOMPARE(w->Model().HarmLimit(), 5512 / w->freq->Position());
    QCOMPARE(w->Model().Set().HarmCount, 1);
    QCOMPARE(w->Model().Set().Amplitude[1], 50);
    w->TransmitClick();
    QCOMPARE(h->Sound.Size(), 11025);
    QVERIFY(h->Player().Playing());
  }

  void ExistingWindow_takesTheAnalysisOverWhenShown() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->Edfreq->SetText("250");
    w->volume->SetPosition(150);  // 8 bits: loud enough for levels to the unit
    w->AmpBars[1]->SetPosition(0);
    w->AmpBars[2]->SetPosition(50);
    w->TransmitClick();
    h.Advance(600);
    QVERIFY(!h->Player().Playing());
    h->RedrawViews();  // the views at the cursor, as after moving it
    QCOMPARE(h->Label2->text(), QString("250"));
    w->AmpBars[5]->SetPosition(0);  // not in the sound: kept by the take-over
    w->frectimesRG->SetItemIndex(2);

    h->fftmixClick();
    QCOMPARE(Window(*h), w);
    QVERIFY(!h->Mixing().MixerFromFft() && !h->Mixing().FftMixMode());
    QVERIFY(h->Sound.ShowsMix() && !h->LBAorFFT->isHidden());
    QCOMPARE(w->Model().Block(), h->Sound.ShownHandle());
    QCOMPARE(w->frectimesRG->ItemIndex(), 0);
    QCOMPARE(w->Model().Set().Amplitude[1], 50);
    QCOMPARE(w->Model().Set().Amplitude[2], 25);
    QCOMPARE(w->Model().Set().Amplitude[5], 100);
    QCOMPARE(w->Model().Set().HarmCount, 2);
    QCOMPARE(w->AmpBars[1]->Position(), 50);
  }
};

QTEST_MAIN(FftMixTest)
#include "FftMixTest.moc"
