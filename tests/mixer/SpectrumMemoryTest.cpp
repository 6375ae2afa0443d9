#include "mixer/SpectrumMemory.h"

#include <gtest/gtest.h>

#include <climits>

TEST(SpectrumMemory, StoreAndRecall_CopyWholeSetsAndRefuseNonSlots) {
  SpectrumMemory memory;
  MemorySlot set;
  set.Harmonics.HarmCount = 3, set.Freq = 440, set.Volume = 10;
  set.Harmonics.Amplitude[120] = 7, set.Harmonics.Phase[2] = 0.5;
  set.Harmonics.Spectrum[120] = {-1.25, 2.5};
  ASSERT_TRUE(memory.Store(3, set));
  set.Harmonics.Amplitude[120] = 99;  // the slot holds a copy, not the caller's set
  const auto back = memory.Recall(3);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Harmonics.HarmCount, 3);
  EXPECT_EQ(back->Freq, 440);
  EXPECT_EQ(back->Volume, 10);
  EXPECT_EQ(back->Harmonics.Amplitude[120], 7);
  EXPECT_EQ(back->Harmonics.Phase[2], 0.5);
  EXPECT_EQ(back->Harmonics.Spectrum[120].im, 2.5);

  for (int m : {-1, 5, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(memory.Store(m, set));
    EXPECT_FALSE(memory.Recall(m));
  }
  for (int m : {0, 1, 2, 4}) {  // the other slots are still empty
    EXPECT_EQ(memory.Recall(m)->Freq, 0);
    EXPECT_EQ(memory.Recall(m)->Harmonics.Amplitude[120], 0);
  }
}
