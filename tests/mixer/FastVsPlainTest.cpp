// The fast synthesis against the formula evaluated literally in double precision: every
// stored byte the same, ties and silencing included, on every code path this machine runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "mixer/PhasorBank.h"
#include "mixer/PlainSynthesis.h"
#include "mixer/Synthesis.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<SimdPath> Paths() {
  std::vector<SimdPath> paths{SimdPath::Portable};
  if (SimdPathRuns(SimdPath::Avx2Fma)) paths.push_back(SimdPath::Avx2Fma);
  return paths;
}

// The block from every path, with one and two threads, equals the literal one.
void ExpectLiteral(const SynthPlan& plan, std::size_t bytes) {
  Bytes literal(bytes, 0xA5);
  const bool silenced = PlainSynthesize(plan, literal);
  for (SimdPath path : Paths())
    for (int threads : {1, 2}) {
      Bytes fast(bytes, 0xA5);
      EXPECT_EQ(SynthesizePlan(plan, fast, threads, path), silenced);
      const auto diff = std::mismatch(fast.begin(), fast.end(), literal.begin());
      EXPECT_TRUE(diff.first == fast.end())
          << "path " << int(path) << ", " << threads << " threads: byte "
          << (diff.first - fast.begin()) << " is " << int(*diff.first) << ", the formula's "
          << int(*diff.second);
    }
}

HarmonicSet One(int amplitude, double phase = 0) {
  HarmonicSet set;
  set.Amplitude[1] = amplitude;
  set.Phase[1] = phase;
  set.HarmCount = 1;
  return set;
}

TEST(FastVsPlain, TiesRoundToEvenAsTheFormulaDoes) {
  // 8 bit, 8000 Hz, f0 100, amplitude 10, volume 192: sample 100 is 128 + 7.5 exactly.
  const SynthPlan tie(SampleBits::Eight, 800, 8000, One(10), {100, 192, 10});
  EXPECT_EQ(tie.LiteralValue(100), 135.5);
  Bytes b(800);
  EXPECT_FALSE(SynthesizePlan(tie, b, 1));
  EXPECT_EQ(b[100], 136);
  EXPECT_EQ(b[20], 136);  // one period earlier: the same tie

  // Every amplitude and volume of one harmonic there, 8 and 16 bit. Exact ties (x.5) sit on
  // the crests, and in the fade (16 bit: 562.5 and the like).
  int ties = 0;
  for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen})
    for (int a = 1; a <= 100; ++a)
      for (int volume = 1; volume <= 300; ++volume) {
        const std::size_t bytes = bits == SampleBits::Eight ? 400 : 800;
        const SynthPlan plan(bits, bytes, 8000, One(a), {100, volume, 8});
        Bytes fast(bytes), literal(bytes);
        const bool silenced = PlainSynthesize(plan, literal);
        ASSERT_EQ(SynthesizePlan(plan, fast, 1), silenced) << a << " " << volume;
        ASSERT_EQ(fast, literal) << "amplitude " << a << ", volume " << volume;
        for (std::int64_t n = 0; n < plan.period && !silenced; ++n) {
          const double v = plan.LiteralValue(n);
          ties += v - std::floor(v) == 0.5;
        }
      }
  EXPECT_GT(ties, 100);

  // sin(pi/6) = 0.5 every 12 samples (f0 1000 at 12000 Hz), volume 1: the exact value is a
  // tie at each of them, but the formula's rounded argument makes some 0.5 and others a
  // hair either side, so the first period's samples cannot stand for the later ones.
  const SynthPlan sixth(SampleBits::Sixteen, 2 * 36000, 12000, One(1), {1000, 1, 10});
  int differ = 0;
  for (std::int64_t n = 13; n < sixth.N - sixth.D; n += 12)
    differ += std::nearbyint(sixth.LiteralValue(n)) != std::nearbyint(sixth.LiteralValue(1));
  EXPECT_GT(differ, 0);
  ExpectLiteral(sixth, 2 * 36000);
}

struct Shape {
  int count;        // harmonics 1..count
  std::int32_t f0;  // Hz
  bool gaps;        // a third of them off (keeping a phase)
  int fadeFrom, fadeTo;
};

// Random amplitudes and phases (whole degrees or any radians); the volume either anything
// up to 300 or low enough that the amplitude sum cannot overflow.
SynthPlan RandomPlan(std::mt19937_64& rng, SampleBits bits, std::size_t bytes, std::uint32_t rate,
                     const Shape& shape) {
  std::uniform_int_distribution<int> amp(1, 100), deg(-180, 180), three(0, 2);
  std::uniform_real_distribution<double> rad(-std::numbers::pi, std::numbers::pi);
  HarmonicSet set;
  int sum = 0;
  for (int k = 1; k <= shape.count; ++k) {
    set.Phase[k] = three(rng) == 0 ? deg(rng) * std::numbers::pi / 180 : rad(rng);
    if (!(shape.gaps && three(rng) == 0)) sum += set.Amplitude[k] = amp(rng);
  }
  set.HarmCount = shape.count;
  const int room = bits == SampleBits::Eight ? 110 * 256 : 32000;
  const int top = three(rng) == 0 ? 300 : std::clamp(room / std::max(sum, 1), 1, 300);
  const ToneSettings tone{shape.f0, std::uniform_int_distribution<int>(1, top)(rng),
                          std::uniform_int_distribution<int>(shape.fadeFrom, shape.fadeTo)(rng)};
  return SynthPlan(bits, bytes, rate, set, tone);
}

TEST(FastVsPlain, RandomSetsAtEveryRateAndBitDepth) {
  // 0.1 s sounds, some longer than their period and some not, with fades that fit, and
  // one set per rate and depth with a longer fade, which silences it.
  std::mt19937_64 rng(20240611);
  std::uniform_int_distribution<int> anyF0(1, 2000), anyCount(2, 119);
  int sounding = 0;
  for (std::uint32_t rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}) {
    for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen}) {
      const Shape shapes[] = {{1, 1, false, 1, 20},
                              {1, 2000, false, 1, 20},
                              {120, 2000, false, 1, 20},
                              {120, 1, true, 1, 20},
                              {anyCount(rng), anyF0(rng), true, 1, 20},
                              {anyCount(rng), 100 * anyCount(rng) / 6, true, 1, 20},
                              {anyCount(rng), anyF0(rng), true, 21, 30}};
      for (const Shape& shape : shapes) {
        const std::size_t bytes = rate / 10 * (bits == SampleBits::Eight ? 1 : 2);
        const SynthPlan plan = RandomPlan(rng, bits, bytes, rate, shape);
        SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(bytes) + " bytes, f0 " +
                     std::to_string(shape.f0) + ", volume " + std::to_string(plan.volume));
        ExpectLiteral(plan, bytes);
        Bytes b(bytes);
        sounding += !PlainSynthesize(plan, b);
        EXPECT_EQ(plan.silent, shape.fadeFrom > 20);
      }
    }
  }
  EXPECT_GE(sounding, 60);  // of 126: most sets are compared sample by sample
}

TEST(FastVsPlain, LongBlocksFarFromTheOrigin) {
  // 3 s with 120 harmonics at 48000 Hz (the largest block; f0 1999 has no shorter period)
  // and at 8000 Hz with f0 2000 (the largest argument, ~4.5e6 rad, and a period of 4
  // samples); volume 1 cannot overflow.
  std::mt19937_64 rng(7);
  for (auto [rate, f0] : {std::pair{48000u, 1999}, std::pair{8000u, 2000}}) {
    for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen}) {
      const std::size_t bytes = 3 * rate * (bits == SampleBits::Eight ? 1 : 2);
      SynthPlan plan = RandomPlan(rng, bits, bytes, rate, {120, f0, false, 1, 30});
      plan.volume = 1;
      ExpectLiteral(plan, bytes);
    }
  }
}

TEST(FastVsPlain, PhasorSumsStayWithinTheirStatedBound) {
  // Every harmonic at 100, phases up to 3 rad, far from the origin (8000 Hz, f0 1999): over
  // a whole anchoring span the sum stays within the bound the rounding decisions rely on
  // (PhasorBank.h), measured against the exact angles in extended precision. A drift a
  // thousand times larger would go unseen by the byte comparisons until it met a half.
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> rad(-3, 3);
  HarmonicSet set;
  long double phases = 0;
  for (int k = 1; k <= kHarmonics; ++k) {
    set.Amplitude[k] = 100;
    phases += std::fabs(set.Phase[k] = rad(rng));
  }
  set.HarmCount = kHarmonics;
  const SynthPlan plan(SampleBits::Sixteen, 2 * 24000, 8000, set, {1999, 1, 1});
  auto exact = [&](std::int64_t n) {
    long double s = 0;
    for (int k = 1; k <= kHarmonics; ++k) {
      const std::int64_t m = std::int64_t(1999) * k * n % 8000;
      s += 100 * std::sin(2 * std::numbers::pi_v<long double> * m / 8000 + set.Phase[k]);
    }
    return s;
  };
  constexpr int kSteps = 4096;
  for (SimdPath path : Paths()) {
    PhasorBank bank(plan, path);
    bank.Anchor(plan.N - kSteps);
    std::vector<double> s(PhasorBank::kChunk);
    long double worst = 0;
    for (int j = 0; j < kSteps; j += PhasorBank::kChunk) {
      bank.Next(PhasorBank::kChunk, s.data());
      for (int i = 0; i < PhasorBank::kChunk; i += 7) {
        const long double bound =
            100 *
            (kHarmonics * (PhasorBank::kErrorFixed + PhasorBank::kErrorPerStep * (j + i)) + phases +
             kHarmonics * kHarmonics) *
            0x1p-53L;
        worst = std::max(worst, std::fabs(s[i] - exact(plan.N - kSteps + j + i)) / bound);
      }
    }
    EXPECT_LT(worst, 1) << "path " << int(path);
    EXPECT_GT(worst, 1e-4) << "path " << int(path);  // the bound is not absurdly loose
  }
}

}  // namespace
