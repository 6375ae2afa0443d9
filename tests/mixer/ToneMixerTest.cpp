// The tone mixer's model on a document of its own: the rules behind the sliders and edits,
// the memory, the rebuild of the block through the document and the notes and scale.

#include "mixer/ToneMixer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "base/Heap.h"
#include "mixer/FrequencyScale.h"
#include "mixer/NoteTable.h"

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};
const WAVEFORMATEX kMono16{1, 1, 8000, 16000, 2, 16, 0};

// A document holding `bytes` bytes of 0xA5 in `format`, and a mixer on its block at f0 100.
struct Fixture {
  SoundDocument doc;
  ToneMixer mixer{doc};
  explicit Fixture(const WAVEFORMATEX& format, std::int32_t bytes = 4000) {
    doc.Format() = format;
    HeapBytes b = AllocBytes(std::size_t(bytes));
    std::memset(b.get(), 0xA5, std::size_t(bytes));
    doc.Adopt(std::move(b), bytes, SoundDocument::NewHeader());
    mixer.TakeShownBlock();
    mixer.SetFreq(100);
    mixer.Clear();
  }
  std::int16_t At16(int n) const {
    return std::int16_t(std::uint16_t(doc.Data()[2 * n] | doc.Data()[2 * n + 1] << 8));
  }
};

TEST(ToneMixer, AmplitudeSliders_FollowTheLimitAndGrowTheCount) {
  Fixture f(kMono8);
  EXPECT_EQ(f.mixer.HarmLimit(), 40);
  f.mixer.SetBank(1);
  EXPECT_EQ(f.mixer.HarmonicOf(11), 41);
  EXPECT_FALSE(f.mixer.SetAmplitude(11, 30));  // harmonic 41 > 40
  EXPECT_EQ(f.mixer.Set().Amplitude[41], 0);
  EXPECT_EQ(f.mixer.Set().HarmCount, 0);
  EXPECT_TRUE(f.mixer.SetAmplitude(10, 30));
  EXPECT_EQ(f.mixer.Set().Amplitude[40], 70);
  EXPECT_EQ(f.mixer.Set().HarmCount, 40);
  EXPECT_TRUE(f.mixer.SetAmplitude(10, 100));  // off again: the count stays
  EXPECT_EQ(f.mixer.Set().HarmCount, 40);
  for (int i : {0, 31, -1, INT_MAX}) {
    EXPECT_FALSE(f.mixer.SetAmplitude(i, 0)) << i;
    EXPECT_EQ(f.mixer.HarmonicOf(i), 0);
  }
  f.mixer.SetBank(9);  // limited to the last bank
  EXPECT_EQ(f.mixer.HarmonicOf(30), 120);
  f.mixer.SetFreq(10);  // 120, not 400
  EXPECT_EQ(f.mixer.HarmLimit(), 120);
}

TEST(ToneMixer, PhaseControls_OnlyForHarmonicsThatAreOnWithinLimitAndCount) {
  Fixture f(kMono8);
  EXPECT_FALSE(f.mixer.SetPhaseDegrees(1, 45));  // off
  ASSERT_TRUE(f.mixer.SetAmplitude(3, 0));        // harmonic 3 on, count 3
  EXPECT_TRUE(f.mixer.SetPhaseDegrees(3, 45));
  EXPECT_DOUBLE_EQ(f.mixer.Set().Phase[3], std::numbers::pi / 4);
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 45);
  EXPECT_TRUE(f.mixer.SetPhaseDegrees(3, 200));  // the edit's value beyond the slider's end
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 200);
  EXPECT_FALSE(f.mixer.SetPhaseDegrees(2, 10));  // within the count but off

  f.mixer.SetFreq(2000);  // limit 2: harmonic 3 keeps its values but takes no phase
  EXPECT_FALSE(f.mixer.SetPhaseDegrees(3, 10));
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 200);
  EXPECT_EQ(f.mixer.Set().Amplitude[3], 100);

  f.mixer.ResetPhases();
  EXPECT_EQ(f.mixer.Set().Phase[3], 0.0);
  EXPECT_EQ(f.mixer.Set().Amplitude[3], 100);
  f.mixer.ResetAll();
  EXPECT_EQ(f.mixer.Set().Amplitude[3], 0);
  EXPECT_EQ(f.mixer.Set().HarmCount, 3);  // neither reset touches the count
}

TEST(ToneMixer, Memory_StoresTheToneAndRecallsRawCountsSafely) {
  Fixture f(kMono16);
  f.mixer.SetFreq(440);
  f.mixer.SetVolume(12);
  ASSERT_TRUE(f.mixer.SetAmplitude(2, 40));
  ASSERT_TRUE(f.mixer.Store(3));
  EXPECT_FALSE(f.mixer.Store(5));
  const MemorySlot stored = *f.mixer.Stored(3);
  EXPECT_EQ(stored.Freq, 440);
  EXPECT_EQ(stored.Volume, 12);
  EXPECT_EQ(stored.Harmonics.Amplitude[2], 60);
  EXPECT_EQ(stored.Harmonics.HarmCount, 2);

  // A damaged slot: a huge count, amplitudes no slider makes, a NaN phase.
  MemorySlot bad;
  bad.Harmonics.HarmCount = 2000000000;
  bad.Harmonics.Amplitude[1] = INT_MIN;
  bad.Harmonics.Amplitude[2] = 150;
  bad.Harmonics.Amplitude[3] = -5;
  bad.Harmonics.Phase[1] = std::numeric_limits<double>::quiet_NaN();
  bad.Harmonics.Phase[2] = 1e300;
  f.mixer.RecallCount(bad);
  f.mixer.RecallTables(bad);
  EXPECT_EQ(f.mixer.Set().HarmCount, 2000000000);
  EXPECT_EQ(f.mixer.Set().VisitedCount(), 120);
  EXPECT_EQ(f.mixer.AmpPosition(1), 100);
  EXPECT_EQ(f.mixer.AmpPosition(2), 0);
  EXPECT_EQ(f.mixer.AmpPosition(3), 100);
  EXPECT_EQ(f.mixer.PhaseDegrees(1), 0);
  EXPECT_EQ(f.mixer.PhaseDegrees(2), INT_MAX);
  ASSERT_TRUE(f.mixer.Store(0));
  EXPECT_EQ(f.mixer.Stored(0)->Harmonics.HarmCount, 2000000000);  // kept for saving
  EXPECT_EQ(f.mixer.Synthesize(), ToneMixer::Written::Silence);   // the NaN phase
  for (int n = 0; n < 2000; ++n) ASSERT_EQ(f.At16(n), 0) << n;
}

TEST(ToneMixer, Rebuild_ResizesShowsAndSilencesTheMixersBlockOnly) {
  Fixture f(kMono8);
  ASSERT_TRUE(f.doc.AddMixBlock(4000));  // the analysed sound waits aside
  f.mixer.TakeShownBlock();
  f.doc.Show(f.doc.OwnHandle());  // "BASE" double-clicked: the analysed sound is shown
  const std::uint8_t* own = f.doc.Data();

  EXPECT_EQ(f.mixer.Resize(10), ToneMixer::Rebuild::Done);
  EXPECT_TRUE(f.doc.ShowsMix());
  EXPECT_EQ(f.doc.Size(), 8000);
  EXPECT_EQ(f.mixer.Size(), 8000);
  EXPECT_EQ(f.doc.SizeOf(f.doc.OwnHandle()), 4000);
  EXPECT_EQ(f.doc.Resolve(f.doc.OwnHandle()), own);
  for (int n = 0; n < 8000; ++n) ASSERT_EQ(f.doc.Data()[n], 128) << n;

  Heap::FailAfter(0);
  EXPECT_EQ(f.mixer.Resize(30), ToneMixer::Rebuild::NoMemory);
  EXPECT_EQ(f.doc.Size(), 8000);
  EXPECT_EQ(f.mixer.Size(), 8000);

  f.doc.DropMixBlock();
  EXPECT_EQ(f.mixer.Resize(5), ToneMixer::Rebuild::NoBlock);
  EXPECT_EQ(f.mixer.Synthesize(), ToneMixer::Written::Nothing);
  EXPECT_EQ(f.doc.Size(), 4000);
  EXPECT_EQ(f.doc.Data()[0], 0xA5);  // the analysed sound is never written
}

TEST(ToneMixer, Rebuild_RefusesSizesNoBlockCanHave) {
  Fixture f(WAVEFORMATEX{1, 1, 8000, 0x80000000u, 1, 8, 0});  // a damaged byte rate
  EXPECT_EQ(f.mixer.Resize(30), ToneMixer::Rebuild::NoMemory);
  EXPECT_EQ(f.doc.Size(), 4000);
}

TEST(ToneMixer, Synthesize_WorkedSamplesByTheBlocksWidth) {
  Fixture f16(kMono16, 1600);
  ASSERT_TRUE(f16.mixer.SetAmplitude(1, 0));
  EXPECT_EQ(f16.mixer.Synthesize(), ToneMixer::Written::Sound);
  EXPECT_EQ(f16.At16(0), 0);
  EXPECT_EQ(f16.At16(20), 1000);
  EXPECT_EQ(f16.At16(60), -1000);

  Fixture f8(kMono8, 800);
  ASSERT_TRUE(f8.mixer.SetAmplitude(1, 0));
  EXPECT_EQ(f8.mixer.Synthesize(), ToneMixer::Written::Sound);
  EXPECT_EQ(f8.doc.Data()[0], 128);
  EXPECT_EQ(f8.doc.Data()[20], 132);
  EXPECT_EQ(f8.doc.Data()[60], 124);

  Fixture f24(WAVEFORMATEX{1, 1, 8000, 24000, 3, 24, 0}, 300);
  ASSERT_TRUE(f24.mixer.SetAmplitude(1, 0));
  EXPECT_EQ(f24.mixer.Synthesize(), ToneMixer::Written::Nothing);
  f24.mixer.Silence();
  EXPECT_EQ(f24.doc.Data()[0], 0xA5);
}

TEST(ToneMixer, TakeOver_StartsAtTheFirstBank) {
  Fixture f(kMono8);
  f.mixer.SetBank(2);
  std::uint32_t harmonic[kPeakSlots] = {0, 1, 3};
  double level[kPeakSlots] = {0, 50, 16.6};
  TComplex value[kPeakSlots] = {{}, {0, 0.5}, {0.5, 0}};
  f.mixer.TakeOver({2, harmonic, level, value});
  EXPECT_EQ(f.mixer.Bank(), 0);
  EXPECT_EQ(f.mixer.Set().HarmCount, 3);
  EXPECT_EQ(f.mixer.AmpPosition(1), 50);
  EXPECT_EQ(f.mixer.AmpPosition(3), 83);
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 90);
}

TEST(NoteTable, KeysAndButtons) {
  EXPECT_EQ(NoteForKey(U'a'), 220);
  EXPECT_EQ(NoteForKey(U'A'), 220);
  EXPECT_EQ(NoteForKey(U'+'), 523);
  EXPECT_EQ(NoteForKey(U';'), 523);
  EXPECT_EQ(NoteForKey(U'`'), 554);
  EXPECT_EQ(NoteForKey(U'}'), 660);
  for (char32_t c : {U'1', U'0', U'x', U' ', U'\0', U'あ'}) EXPECT_FALSE(NoteForKey(c));
  int sharps = 0;
  for (std::size_t i = 0; i < kNotes.size(); ++i) {
    sharps += kNotes[i].Sharp();
    if (i == 0) continue;
    EXPECT_GT(kNotes[i].hz, kNotes[i - 1].hz);  // left to right, rising
    EXPECT_FALSE(kNotes[i].Sharp() && kNotes[i - 1].Sharp());  // a sharp between two whites
  }
  EXPECT_EQ(sharps, 8);
}

TEST(FrequencyScale, LabelsPerBankAndTheirEnd) {
  const auto bank1 = FrequencyScaleLabels(614, 100, 1);
  ASSERT_EQ(bank1.size(), 6u);  // the 7th would start at 691
  EXPECT_EQ(bank1[0].x, 77);
  EXPECT_EQ(bank1[0].text, "3500");
  EXPECT_EQ(bank1[1].x, 180);  // Round(204.67) - 25
  EXPECT_EQ(bank1[1].text, "4000");
  EXPECT_EQ(bank1[5].x, 589);
  EXPECT_EQ(FrequencyScaleLabels(614, 100, 0)[0].text, "500");
  EXPECT_TRUE(FrequencyScaleLabels(614, 1, 0).empty());
  const auto high = FrequencyScaleLabels(614, 2000, 3);
  ASSERT_EQ(high.size(), 20u);
  EXPECT_EQ(high[0].x, -20);
  EXPECT_EQ(high[19].text, "190000");
  EXPECT_EQ(PhaseGridX(559, 0), 0);
  EXPECT_EQ(PhaseGridX(559, 1), 40);
  EXPECT_EQ(PhaseGridX(559, 14), 559);
}

}  // namespace
