// The synthesis against hand-computed samples: the worked numbers, the silence rules and
// the harmonics that take part.

#include "mixer/Synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::int16_t At16(const Bytes& b, std::size_t n) {
  return std::int16_t(std::uint16_t(b[2 * n] | b[2 * n + 1] << 8));
}
bool All(const Bytes& b, std::uint8_t v) {
  return std::all_of(b.begin(), b.end(), [v](std::uint8_t x) { return x == v; });
}
// Harmonics {k, amplitude, phase}; HarmCount is the highest k given.
HarmonicSet Set(std::initializer_list<std::tuple<int, int, double>> list) {
  HarmonicSet set;
  for (auto [k, a, p] : list) {
    set.Amplitude[k] = a;
    set.Phase[k] = p;
    set.HarmCount = k;
  }
  return set;
}

TEST(Synthesis, WorkedSamplesAndFade) {
  const HarmonicSet one = Set({{1, 100, 0}});
  Bytes b16(1600, 0xA5), b8(800, 0xA5);  // 0.1 s at 8000 Hz
  EXPECT_FALSE(Synthesize16(b16, 8000, one, {100, 10, 10}));
  EXPECT_EQ(At16(b16, 0), 0);
  EXPECT_EQ(At16(b16, 20), 1000);
  EXPECT_EQ(At16(b16, 60), -1000);
  EXPECT_FALSE(Synthesize8(b8, 8000, one, {100, 10, 10}));
  EXPECT_EQ(b8[0], 128);
  EXPECT_EQ(b8[20], 132);
  EXPECT_EQ(b8[60], 124);

  // f0 = rate: every sample is sin(pi/2); D = Round(2000 * 0.005) = 10 of N = 100.
  Bytes fade(200);
  EXPECT_FALSE(Synthesize16(fade, 2000, Set({{1, 100, std::numbers::pi / 2}}), {2000, 10, 1}));
  EXPECT_EQ(At16(fade, 90), 1000);
  const int w[] = {810, 640, 490, 360, 250, 160, 90, 40, 10};  // ((100 - n) / 10)^2 * 1000
  for (int n = 91; n < 100; ++n) EXPECT_EQ(At16(fade, n), w[n - 91]) << n;
}

TEST(Synthesis, WholeBlockSilenceInsteadOfClipping) {
  // Two harmonics in phase at volume 300 peak at 52800; the odd trailing byte stays.
  Bytes b(1601, 0xA5);
  EXPECT_TRUE(Synthesize16(b, 8000, Set({{1, 100, 0}, {2, 100, 0}}), {100, 300, 10}));
  EXPECT_TRUE(All(Bytes(b.begin(), b.end() - 1), 0));
  EXPECT_EQ(b.back(), 0xA5);
  // 8 bit above 240 (128 + 117), and below 0: 100 sin x + 50 cos 2x reaches -150/256 * 240.
  Bytes b8(800);
  EXPECT_TRUE(Synthesize8(b8, 8000, Set({{1, 100, 0}}), {100, 300, 10}));
  EXPECT_TRUE(All(b8, 128));
  const HarmonicSet lopsided = Set({{1, 100, 0}, {2, 50, std::numbers::pi / 2}});
  EXPECT_TRUE(Synthesize8(b8, 8000, lopsided, {100, 240, 10}));
  EXPECT_TRUE(All(b8, 128));
  EXPECT_FALSE(Synthesize8(b8, 8000, lopsided, {100, 200, 10}));
  EXPECT_EQ(b8[60], 11);  // 128 - 117.2
  // A NaN or infinite phase on a sounding harmonic.
  for (double p : {kNaN, std::numeric_limits<double>::infinity()}) {
    EXPECT_TRUE(Synthesize16(b, 8000, Set({{1, 50, 0}, {2, 100, p}}), {100, 10, 10}));
    EXPECT_TRUE(All(Bytes(b.begin(), b.end() - 1), 0));
  }
}

TEST(Synthesis, FadeLongerThanTheSoundIsSilence) {
  // FadeSteps 30 at 8000 Hz: D = 1200; 0.1 s (800 samples) is silence, 1200 is not.
  Bytes b(1600, 0xA5), b8(1199, 0xA5), exact(2400);
  EXPECT_TRUE(Synthesize16(b, 8000, Set({{1, 100, 0}}), {100, 10, 30}));
  EXPECT_TRUE(All(b, 0));
  EXPECT_TRUE(Synthesize8(b8, 8000, Set({{1, 100, 0}}), {100, 10, 30}));
  EXPECT_TRUE(All(b8, 128));
  EXPECT_FALSE(Synthesize16(exact, 8000, Set({{1, 100, 0}}), {100, 10, 30}));
  EXPECT_EQ(At16(exact, 20), 967);  // 1000 * (1180 / 1200)^2
}

TEST(Synthesis, OnlyHarmonicsUpToHarmCountWithAmplitudeSound) {
  Bytes alone(1600), b(1600);
  Synthesize16(alone, 8000, Set({{1, 100, 0}}), {100, 10, 10});
  HarmonicSet set = Set({{1, 100, 0}, {2, 0, 1.0}, {3, 0, kNaN}});  // off, phases set
  set.Amplitude[4] = 100;                                           // above HarmCount 3
  set.Phase[4] = kNaN;
  EXPECT_FALSE(Synthesize16(b, 8000, set, {100, 10, 10}));
  EXPECT_EQ(b, alone);
  // Above the limit of a raised f0 (2 at 2000 Hz) a harmonic still sounds: sin(3pi/2 n).
  EXPECT_FALSE(Synthesize16(b, 8000, Set({{3, 100, 0}}), {2000, 10, 10}));
  EXPECT_EQ(At16(b, 1), -1000);
  // HarmCount beyond the tables reads 120; below 0 sums nothing (and is not silenced).
  set.HarmCount = 1 << 30;
  EXPECT_TRUE(Synthesize16(b, 8000, set, {100, 10, 10}));  // harmonic 4's NaN
  set.HarmCount = -5;
  EXPECT_FALSE(Synthesize8(b, 8000, set, {100, 10, 10}));
  EXPECT_TRUE(All(b, 128));
}

TEST(Synthesis, DegenerateInputsStayInBounds) {
  Bytes b(100, 0xA5), empty, one(1, 0xA5), slow(20);
  EXPECT_TRUE(Synthesize16(b, 0, Set({{1, 100, 0}}), {}));  // rate 0: no time axis
  EXPECT_TRUE(All(b, 0));
  EXPECT_TRUE(Synthesize8(empty, 8000, Set({{1, 100, 0}}), {}));
  EXPECT_TRUE(Synthesize16(one, 8000, Set({{1, 100, 0}}), {}));
  EXPECT_EQ(one[0], 0xA5);
  // 1 Hz, fade 0: D rounds to 0 and is taken as 1; f0 0 is read as 1 Hz.
  EXPECT_FALSE(Synthesize16(slow, 1, Set({{1, 100, std::numbers::pi / 2}}), {0, 10, 0}));
  for (int n = 0; n < 10; ++n) EXPECT_EQ(At16(slow, n), 1000) << n;
}

TEST(Synthesis, OverflowSeenByTheSecondThreadSilencesTheFirstHalfToo) {
  // 1 Hz at 2 MHz: 600000 samples rise to a crest of 110 * 300 = 33000 at n = 500000;
  // the first half stays below 27000.
  for (int threads : {1, 2}) {
    Bytes b(1200000, 0xA5);
    const SynthPlan plan(SampleBits::Sixteen, b.size(), 2000000, Set({{1, 110, 0}}), {1, 300, 10});
    EXPECT_TRUE(SynthesizePlan(plan, b, threads));
    EXPECT_TRUE(All(b, 0)) << threads;
  }
}

}  // namespace
