// Harmonic limit, generated size and phase degrees.

#include "mixer/ToneRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

TEST(ToneRules, HarmonicLimit) {
  EXPECT_EQ(HarmonicLimit(8000, 100), 40);
  EXPECT_EQ(HarmonicLimit(8000, 10), 120);  // not 400
  EXPECT_EQ(HarmonicLimit(8000, 2000), 2);
  EXPECT_EQ(HarmonicLimit(11025, 1), 120);
  EXPECT_EQ(HarmonicLimit(11025, 149), 36);   // 5512 div 149; 5513 would give 37
  EXPECT_EQ(HarmonicLimit(11025, 2000), 2);
  EXPECT_EQ(HarmonicLimit(44100, 440), 50);
  EXPECT_EQ(HarmonicLimit(0, 100), 0);
  EXPECT_EQ(HarmonicLimit(8000, 0), 120);      // f0 limited to 1 .. 2000
  EXPECT_EQ(HarmonicLimit(48000, 5000), 12);
  EXPECT_EQ(HarmonicLimit(std::numeric_limits<std::uint32_t>::max(), 1), 120);
}

TEST(ToneRules, GeneratedSizeUsesA64BitProductAndRoundsTiesToEven) {
  EXPECT_EQ(GeneratedSize(16000, 5), 8000);   // 0.5 s at 8000 Hz, 16 bit
  EXPECT_EQ(GeneratedSize(96000, 30), 288000);
  EXPECT_EQ(GeneratedSize(11025, 5), 5512);   // 5512.5
  EXPECT_EQ(GeneratedSize(11025, 3), 3308);   // 3307.5
  EXPECT_EQ(GeneratedSize(4000000000u, 30), 12000000000);  // product beyond 32 bits
  EXPECT_EQ(GeneratedSize(44100, 0), 4410);   // position limited to 1 .. 30
  EXPECT_EQ(GeneratedSize(44100, 31), 132300);
}

TEST(ToneRules, PhaseDegrees) {
  EXPECT_EQ(WholeDegrees(0.5), 29);
  EXPECT_NEAR(DegreesToPhase(29), 0.50615, 1e-5);
  EXPECT_EQ(WholeDegrees(-std::numbers::pi), -180);
  EXPECT_EQ(WholeDegrees(DegreesToPhase(-97)), -97);
  EXPECT_EQ(WholeDegrees(std::nan("")), 0);
  EXPECT_EQ(WholeDegrees(1e300), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(WholeDegrees(-std::numeric_limits<double>::infinity()),
            std::numeric_limits<std::int32_t>::min());
}

}  // namespace
