// The tone mixer's model on a document of its own: the rules behind the sliders and edits,
// damaged memories, the rebuild of the block through the document, the notes and the scale.

#include "mixer/ToneMixer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>

#include "base/Heap.h"
#include "mixer/FrequencyScale.h"
#include "mixer/NoteTable.h"

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

// A document holding `bytes` bytes of 0xA5 in `format`, and a mixer on its block at f0 100.
struct Fixture {
  SoundDocument doc;
  ToneMixer mixer{doc};
  explicit Fixture(const WAVEFORMATEX& format, std::int32_t bytes = 4000) {
    doc.SetFormat(format);
    HeapBytes b = AllocBytes(std::size_t(bytes));
    std::memset(b.get(), 0xA5, std::size_t(bytes));
    doc.Adopt(std::move(b), bytes, SoundDocument::NewHeader());
    mixer.TakeShownBlock();
    mixer.SetFreq(100);
  }
};

TEST(ToneMixer, SliderRules_LimitCountAndPhase) {
  Fixture f(kMono8);
  f.mixer.SetBank(1);
  EXPECT_FALSE(f.mixer.SetAmplitude(11, 30));  // harmonic 41 > HarmLimit 40
  EXPECT_EQ(f.mixer.Set().HarmCount, 0);
  EXPECT_TRUE(f.mixer.SetAmplitude(10, 30));   // harmonic 40
  EXPECT_TRUE(f.mixer.SetAmplitude(10, 100));  // off again: the count stays
  EXPECT_EQ(f.mixer.Set().HarmCount, 40);
  for (int i : {0, 31, INT_MAX}) EXPECT_FALSE(f.mixer.SetAmplitude(i, 0)) << i;

  f.mixer.SetBank(0);
  EXPECT_FALSE(f.mixer.SetPhaseDegrees(3, 45));  // off
  ASSERT_TRUE(f.mixer.SetAmplitude(3, 0));
  EXPECT_TRUE(f.mixer.SetPhaseDegrees(3, 200));  // an edit's value beyond the slider's end
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 200);
  f.mixer.SetFreq(2000);  // limit 2: harmonic 3 keeps its values but takes no phase
  EXPECT_FALSE(f.mixer.SetPhaseDegrees(3, 10));
  EXPECT_EQ(f.mixer.PhaseDegrees(3), 200);
  f.mixer.ResetAll();
  EXPECT_EQ(f.mixer.Set().HarmCount, 40);  // the resets leave the count
}

TEST(ToneMixer, DamagedMemory_RecallsWithinTheTablesIntoSilence) {
  Fixture f(WAVEFORMATEX{1, 1, 8000, 16000, 2, 16, 0});
  MemorySlot bad;
  bad.Harmonics.HarmCount = 2000000000;
  bad.Harmonics.Amplitude[1] = INT_MIN;  // 100 - INT_MIN must not overflow
  bad.Harmonics.Amplitude[2] = 150;
  bad.Harmonics.Phase[1] = std::numeric_limits<double>::quiet_NaN();
  bad.Harmonics.Phase[2] = 1e300;
  f.mixer.RecallCount(bad);
  f.mixer.RecallTables(bad);
  EXPECT_EQ(f.mixer.AmpPosition(1), 100);
  EXPECT_EQ(f.mixer.AmpPosition(2), 0);
  EXPECT_EQ(f.mixer.PhaseDegrees(1), 0);
  EXPECT_EQ(f.mixer.PhaseDegrees(2), INT_MAX);
  ASSERT_TRUE(f.mixer.Store(0));
  EXPECT_EQ(f.mixer.Stored(0)->Harmonics.HarmCount, 2000000000);  // saved back unchanged
  EXPECT_EQ(f.mixer.Synthesize(), ToneMixer::Written::Silence);
  for (int n = 0; n < 4000; ++n) ASSERT_EQ(f.doc.Data()[n], 0) << n;
}

TEST(ToneMixer, Rebuild_ResizesShowsAndSilencesTheMixersBlockOnly) {
  Fixture f(kMono8);
  ASSERT_TRUE(f.doc.AddMixBlock(4000));  // the analysed sound waits aside
  f.mixer.TakeShownBlock();
  f.doc.Show(f.doc.SavedHandle());  // "BASE": the analysed sound is shown
  const std::uint8_t* own = f.doc.Data();
  EXPECT_EQ(f.mixer.Resize(10), ToneMixer::Rebuild::Done);
  EXPECT_TRUE(f.doc.ShowsMix());
  EXPECT_EQ(f.doc.Size(), 8000);
  EXPECT_EQ(f.doc.Resolve(f.doc.SavedHandle()), own);
  for (int n = 0; n < 8000; ++n) ASSERT_EQ(f.doc.Data()[n], 128) << n;

  Heap::FailAfter(0);
  EXPECT_EQ(f.mixer.Resize(30), ToneMixer::Rebuild::NoMemory);
  EXPECT_EQ(f.doc.Size(), 8000);
  Fixture huge(WAVEFORMATEX{1, 1, 8000, 0x80000000u, 1, 8, 0});    // a damaged byte rate
  EXPECT_EQ(huge.mixer.Resize(30), ToneMixer::Rebuild::NoMemory);  // > 2^31 bytes

  f.doc.DropMixBlock();
  EXPECT_EQ(f.mixer.Resize(5), ToneMixer::Rebuild::NoBlock);
  EXPECT_EQ(f.mixer.Synthesize(), ToneMixer::Written::Nothing);
  EXPECT_EQ(f.doc.Data()[0], 0xA5);  // the analysed sound is never written

  Fixture wide(WAVEFORMATEX{1, 1, 8000, 24000, 3, 24, 0}, 300);
  ASSERT_TRUE(wide.mixer.SetAmplitude(1, 0));
  EXPECT_EQ(wide.mixer.Synthesize(), ToneMixer::Written::Nothing);
}

TEST(NoteTable, KeysAndButtons) {
  EXPECT_EQ(NoteForKey(U'a'), 220);
  EXPECT_EQ(NoteForKey(U'+'), 523);
  EXPECT_EQ(NoteForKey(U';'), 523);
  EXPECT_EQ(NoteForKey(U'`'), 554);
  for (char32_t c : {U'1', U'x', U' ', U'\0'}) EXPECT_FALSE(NoteForKey(c));
  int sharps = 0;
  for (std::size_t i = 1; i < kNotes.size(); ++i) {
    sharps += kNotes[i].Sharp();
    EXPECT_GT(kNotes[i].hz, kNotes[i - 1].hz);
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
  EXPECT_TRUE(FrequencyScaleLabels(614, 1, 0).empty());
  const auto high = FrequencyScaleLabels(614, 2000, 3);
  ASSERT_EQ(high.size(), 20u);
  EXPECT_EQ(high[0].x, -20);
  EXPECT_EQ(high[19].text, "190000");
  EXPECT_EQ(PhaseGridX(559, 1), 40);
  EXPECT_EQ(PhaseGridX(559, 14), 559);
}

}  // namespace
