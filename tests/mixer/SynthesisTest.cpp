// The synthesis against hand-computed samples: the design's worked numbers, the silence
// rules, the harmonics that take part, and inputs that no control produces.

#include "mixer/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "mixer/SynthPlan.h"

namespace {

constexpr double kPi = std::numbers::pi;

std::int16_t Sample16(const std::vector<std::uint8_t>& b, std::size_t n) {
  return std::int16_t(std::uint16_t(b[2 * n] | (b[2 * n + 1] << 8)));
}

bool AllBytes(const std::vector<std::uint8_t>& b, std::uint8_t value, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (b[i] != value) return false;
  return true;
}

// Harmonic k at amplitude a and phase p; HarmCount covers it.
HarmonicSet Harmonic(int k, std::int32_t a, double p = 0) {
  HarmonicSet set;
  set.Amplitude[k] = a;
  set.Phase[k] = p;
  set.HarmCount = k;
  return set;
}

// Garbage in the block beforehand, so that every byte the synthesis owns must be written.
std::vector<std::uint8_t> Block(std::size_t bytes) { return std::vector<std::uint8_t>(bytes, 0xA5); }

TEST(Synthesis, SingleHarmonicAt8000HzGivesTheWorkedSamples) {
  const HarmonicSet set = Harmonic(1, 100);
  const ToneSettings tone{100, 10, 10};

  auto b16 = Block(1600);  // 0.1 s
  EXPECT_FALSE(Synthesize16(b16, 8000, set, tone));
  EXPECT_EQ(Sample16(b16, 0), 0);
  EXPECT_EQ(Sample16(b16, 20), 1000);
  EXPECT_EQ(Sample16(b16, 40), 0);
  EXPECT_EQ(Sample16(b16, 60), -1000);

  auto b8 = Block(800);
  EXPECT_FALSE(Synthesize8(b8, 8000, set, tone));
  EXPECT_EQ(b8[0], 128);
  EXPECT_EQ(b8[20], 132);  // 128 + 1000/256 = 131.9
  EXPECT_EQ(b8[60], 124);  // 128 - 3.9
}

TEST(Synthesis, FadeWeightsFallQuadraticallyOverTheLastDSamples) {
  // f0 equal to the rate: every sample sits at the same point of the wave, sin(pi/2) = 1.
  const HarmonicSet set = Harmonic(1, 100, kPi / 2);
  auto b = Block(200);  // 100 samples; D = Round(2000 * 0.005 * 1) = 10
  EXPECT_FALSE(Synthesize16(b, 2000, set, {2000, 10, 1}));
  for (int n = 0; n <= 90; ++n) ASSERT_EQ(Sample16(b, n), 1000) << n;
  const int faded[] = {810, 640, 490, 360, 250, 160, 90, 40, 10};  // ((100-n)/10)^2 * 1000
  for (int n = 91; n <= 99; ++n) EXPECT_EQ(Sample16(b, n), faded[n - 91]) << n;
}

TEST(Synthesis, FadeLongerThanTheSoundSilencesIt) {
  const HarmonicSet set = Harmonic(1, 100);
  const ToneSettings tone{100, 10, 30};  // D = 1200 samples at 8000 Hz
  EXPECT_EQ(SynthPlan(SampleBits::Sixteen, 2400, 8000, set, tone).D, 1200);

  auto b = Block(1600);  // 0.1 s = 800 samples
  EXPECT_TRUE(Synthesize16(b, 8000, set, tone));
  EXPECT_TRUE(AllBytes(b, 0, b.size()));
  auto b8 = Block(1199);
  EXPECT_TRUE(Synthesize8(b8, 8000, set, tone));
  EXPECT_TRUE(AllBytes(b8, 128, b8.size()));

  // D = N: one steady sample, then the fade.
  auto exact = Block(2400);
  EXPECT_FALSE(Synthesize16(exact, 8000, set, tone));
  EXPECT_EQ(Sample16(exact, 20), std::nearbyint(1000.0 * (1180.0 / 1200) * (1180.0 / 1200)));
}

TEST(Synthesis, OutOfRangeAnywhereSilencesTheWholeBlockInsteadOfClipping) {
  // Two harmonics in phase peak at 1.76 * 100 * 300 = 52800.
  HarmonicSet two = Harmonic(1, 100);
  two.Amplitude[2] = 100;
  two.HarmCount = 2;
  auto b = Block(1601);
  EXPECT_TRUE(Synthesize16(b, 8000, two, {100, 300, 10}));
  EXPECT_TRUE(AllBytes(b, 0, 1600));
  EXPECT_EQ(b[1600], 0xA5);  // the odd trailing byte is not a sample

  // 8 bit, above 240: 128 + 100/256 * 300 = 245.
  auto b8 = Block(800);
  EXPECT_TRUE(Synthesize8(b8, 8000, Harmonic(1, 100), {100, 300, 10}));
  EXPECT_TRUE(AllBytes(b8, 128, b8.size()));
  auto ok8 = Block(800);
  EXPECT_FALSE(Synthesize8(ok8, 8000, Harmonic(1, 100), {100, 280, 10}));
  EXPECT_EQ(ok8[20], 237);  // 128 + 109.4
}

TEST(Synthesis, EightBitValuesRoundingBelowZeroSilenceTheBlock) {
  // 100 sin x + 50 cos 2x spans -150 .. 75: at volume 240 the trough is 128 - 140.6 < 0
  // while the crest (198) passes the |v| > 240 test.
  HarmonicSet set = Harmonic(1, 100);
  set.Amplitude[2] = 50;
  set.Phase[2] = kPi / 2;
  set.HarmCount = 2;
  auto low = Block(800);
  EXPECT_TRUE(Synthesize8(low, 8000, set, {100, 240, 10}));
  EXPECT_TRUE(AllBytes(low, 128, low.size()));

  auto fine = Block(800);
  EXPECT_FALSE(Synthesize8(fine, 8000, set, {100, 200, 10}));
  EXPECT_EQ(fine[60], 11);  // 128 - 150/256 * 200 = 10.8
}

TEST(Synthesis, OnlyHarmonicsUpToHarmCountWithNonZeroAmplitudeAreSummed) {
  const ToneSettings tone{100, 10, 10};
  auto alone = Block(1600);
  Synthesize16(alone, 8000, Harmonic(1, 100), tone);

  HarmonicSet above = Harmonic(1, 100);
  above.Amplitude[2] = 100;  // beyond HarmCount 1
  above.Phase[2] = std::numeric_limits<double>::quiet_NaN();
  auto b1 = Block(1600);
  EXPECT_FALSE(Synthesize16(b1, 8000, above, tone));
  EXPECT_EQ(b1, alone);

  HarmonicSet off = Harmonic(1, 100);
  off.Phase[2] = 1.0;  // amplitude 0 with a phase set
  off.Amplitude[3] = 0;
  off.Phase[3] = std::numeric_limits<double>::infinity();
  off.HarmCount = 3;
  auto b2 = Block(1600);
  EXPECT_FALSE(Synthesize16(b2, 8000, off, tone));
  EXPECT_EQ(b2, alone);
}

TEST(Synthesis, HarmonicsAboveTheLimitOfANewBaseFrequencyStillSound) {
  // f0 2000 at 8000 Hz allows 2 harmonics; harmonic 3 set earlier still sounds (aliased):
  // sin(3 * pi/2 * n) at n = 1 is -1.
  auto b = Block(1600);
  EXPECT_FALSE(Synthesize16(b, 8000, Harmonic(3, 100), {2000, 10, 10}));
  EXPECT_EQ(Sample16(b, 1), -1000);
  EXPECT_EQ(Sample16(b, 3), 1000);
}

TEST(Synthesis, NonFiniteSamplesSilenceTheBlock) {
  for (double phase : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
    HarmonicSet set = Harmonic(2, 100);
    set.Amplitude[1] = 50;
    set.Phase[2] = phase;
    auto b = Block(1600);
    EXPECT_TRUE(Synthesize16(b, 8000, set, {100, 10, 10}));
    EXPECT_TRUE(AllBytes(b, 0, b.size()));
    auto b8 = Block(800);
    EXPECT_TRUE(Synthesize8(b8, 8000, set, {100, 10, 10}));
    EXPECT_TRUE(AllBytes(b8, 128, b8.size()));
  }
}

TEST(Synthesis, HarmCountOutsideTheTablesIsClamped) {
  HarmonicSet full;
  for (int k = 1; k <= kHarmonics; ++k) full.Amplitude[k] = 1;
  full.HarmCount = kHarmonics;
  auto expected = Block(800);
  Synthesize16(expected, 8000, full, {1, 10, 10});

  for (std::int32_t count : {121, 5000, std::numeric_limits<std::int32_t>::max()}) {
    full.HarmCount = count;
    auto b = Block(800);
    EXPECT_FALSE(Synthesize16(b, 8000, full, {1, 10, 10}));
    EXPECT_EQ(b, expected) << count;
  }
  for (std::int32_t count : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
    full.HarmCount = count;
    auto b = Block(800);
    EXPECT_FALSE(Synthesize16(b, 8000, full, {1, 10, 10}));
    EXPECT_TRUE(AllBytes(b, 0, b.size())) << count;  // nothing summed, not silenced
    auto b8 = Block(400);
    EXPECT_FALSE(Synthesize8(b8, 8000, full, {1, 10, 10}));
    EXPECT_TRUE(AllBytes(b8, 128, b8.size())) << count;
  }
}

TEST(Synthesis, DegenerateBlocksAndRatesStayInBounds) {
  const HarmonicSet set = Harmonic(1, 100, kPi / 2);
  // Rate 0 has no time axis.
  auto zero = Block(100);
  EXPECT_TRUE(Synthesize16(zero, 0, set, {100, 10, 10}));
  EXPECT_TRUE(AllBytes(zero, 0, zero.size()));
  // Empty blocks and a lone byte.
  std::vector<std::uint8_t> empty;
  EXPECT_TRUE(Synthesize16(empty, 8000, set, {100, 10, 10}));
  EXPECT_TRUE(Synthesize8(empty, 8000, set, {100, 10, 10}));
  auto one = Block(1);
  EXPECT_TRUE(Synthesize16(one, 8000, set, {100, 10, 10}));
  EXPECT_EQ(one[0], 0xA5);
  // A rate so low that D would round to 0: the steady part ends with the block. f0 is
  // limited to 1 Hz = the rate, so every sample is sin(pi/2) * 100 * 10.
  auto slow = Block(20);
  EXPECT_FALSE(Synthesize16(slow, 1, set, {0, 10, 0}));
  for (int n = 0; n < 10; ++n) EXPECT_EQ(Sample16(slow, n), 1000) << n;
}

TEST(Synthesis, ControlsOutsideTheirRangesAreLimitedToThem) {
  const HarmonicSet set = Harmonic(1, 100);
  auto a = Block(1600), b = Block(1600);
  Synthesize16(a, 8000, set, {2000, 300, 30});
  Synthesize16(b, 8000, set, {99999, 1000, 31});
  EXPECT_EQ(a, b);
  auto quiet = Block(1600);
  EXPECT_FALSE(Synthesize16(quiet, 8000, set, {100, -20, 10}));
  EXPECT_TRUE(AllBytes(quiet, 0, quiet.size()));
}

TEST(Synthesis, TwoThreadsGiveTheSameBytesAsOne) {
  HarmonicSet set;
  for (int k = 1; k <= kHarmonics; ++k) {
    set.Amplitude[k] = 1 + (k * 37) % 100;
    set.Phase[k] = 0.1 * k;
  }
  set.HarmCount = kHarmonics;
  const SynthPlan plan(SampleBits::Sixteen, 2 * 48000, 48000, set, {1, 2, 10});
  auto one = Block(2 * 48000), two = Block(2 * 48000);
  EXPECT_FALSE(SynthesizePlan(plan, one, 1));
  EXPECT_FALSE(SynthesizePlan(plan, two, 2));
  EXPECT_EQ(one, two);
}

TEST(Synthesis, OverflowFoundByTheSecondThreadSilencesTheFirstHalfToo) {
  // f0 1 Hz at 2 MHz: 600000 samples cover the rise of one sine to its crest at n = 500000,
  // where 110 * 300 = 33000 overflows; the first half stays below 27000.
  const HarmonicSet set = Harmonic(1, 110);
  for (int threads : {1, 2}) {
    const SynthPlan plan(SampleBits::Sixteen, 1200000, 2000000, set, {1, 300, 10});
    auto b = Block(1200000);
    EXPECT_TRUE(SynthesizePlan(plan, b, threads));
    EXPECT_TRUE(AllBytes(b, 0, b.size())) << threads;
  }
}

}  // namespace
