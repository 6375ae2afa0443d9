// Harmonic limit, generated size and phase degrees.

#include "mixer/ToneRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ToneRules, LimitSizeAndDegrees) {
  EXPECT_EQ(HarmonicLimit(8000, 100), 40);
  EXPECT_EQ(HarmonicLimit(8000, 10), 120);
  EXPECT_EQ(HarmonicLimit(8000, 2000), 2);
  EXPECT_EQ(HarmonicLimit(11025, 149), 36);  // 5512 div 149; 5513 would give 37
  EXPECT_EQ(HarmonicLimit(8000, 0), 120);    // f0 read as 1
  EXPECT_EQ(HarmonicLimit(0, 100), 0);

  EXPECT_EQ(GeneratedSize(16000, 5), 8000);
  EXPECT_EQ(GeneratedSize(11025, 5), 5512);                // 5512.5, ties to even
  EXPECT_EQ(GeneratedSize(4000000000u, 30), 12000000000);  // beyond 32 bits

  EXPECT_EQ(WholeDegrees(0.5), 29);
  EXPECT_NEAR(DegreesToPhase(29), 0.50615, 1e-5);
  EXPECT_EQ(WholeDegrees(std::nan("")), 0);
  EXPECT_EQ(WholeDegrees(-1e300), std::numeric_limits<std::int32_t>::min());
}
