// The fast synthesis against the formula evaluated literally in extended precision, over
// random harmonic sets at every rate the system makes, 8 and 16 bits. A sample may differ
// by 1 only where the formula's value lies within 1e-6 of a half; silencing must agree
// unless a deciding value lies that close to its boundary.

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

constexpr long double kNear = 1e-6L;

// Checks SynthesizePlan against PlainValue<long double>: every sample, or with `stride` > 1
// (long blocks: the extended sine is slow) every stride-th one, the last of each anchoring
// span (farthest from its anchor) and the last `stride`. A strided check sees only some of
// the values that decide the silencing, so it needs a set that cannot overflow.
// Returns whether the fast path silenced the block.
bool Check(const SynthPlan& plan, std::size_t bytes, int stride = 1) {
  std::vector<std::uint8_t> fast(bytes), scratch(bytes);
  const bool silenced = SynthesizePlan(plan, fast, 2);
  const bool eight = plan.bits == SampleBits::Eight;
  std::vector<long double> ref(std::size_t(plan.N));
  bool refSilenced = plan.silent, nearBoundary = false;
  for (std::int64_t n = 0; n < plan.N && !plan.silent; ++n) {
    if (stride > 1 && n % stride && n % PhasorBank::kSpan != PhasorBank::kSpan - 1 &&
        n < plan.N - stride)
      continue;
    const long double v = ref[n] = PlainValue<long double>(plan, n);
    nearBoundary |= eight ? std::fabs(v - 240) < kNear || std::fabs(v + 0.5L) < kNear
                          : std::fabs(v - 32767.5L) < kNear || std::fabs(v + 32768.5L) < kNear;
    refSilenced |= !plan.Store(scratch.data(), n, double(v));
    if (silenced) continue;
    const long double got = eight ? fast[n] : std::int16_t(fast[2 * n] | fast[2 * n + 1] << 8);
    const long double fromHalf = std::fabs(v - std::floor(v) - 0.5L);
    if (got != std::nearbyint(v)) {
      EXPECT_TRUE(std::fabs(got - std::nearbyint(v)) == 1 && fromHalf < kNear)
          << "n=" << n << ": " << double(got) << " vs " << double(v);
    }
  }
  if (silenced != refSilenced) {
    EXPECT_TRUE(nearBoundary) << "silenced " << silenced;
  }
  return silenced;
}

struct Shape {
  int count;        // harmonics 1..count
  std::int32_t f0;  // Hz
  bool gaps;        // a third of them off (keeping a phase)
  int fadeFrom, fadeTo;
};

// Random amplitudes and phases (whole degrees or any radians); the volume either anything
// up to 300 or low enough that the amplitude sum cannot overflow.
SynthPlan RandomPlan(std::mt19937_64& rng, SampleBits bits, std::size_t bytes,
                     std::uint32_t rate, const Shape& shape) {
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
  // 0.1 s sounds with fades that fit (1..20 steps), and one set per rate and depth with a
  // longer fade, which silences it.
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
                              {anyCount(rng), anyF0(rng), true, 21, 30}};
      for (const Shape& shape : shapes) {
        const std::size_t bytes = rate / 10 * (bits == SampleBits::Eight ? 1 : 2);
        const SynthPlan plan = RandomPlan(rng, bits, bytes, rate, shape);
        SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(bytes) + " bytes, f0 " +
                     std::to_string(shape.f0) + ", volume " + std::to_string(plan.volume));
        sounding += !Check(plan, bytes);
        EXPECT_EQ(plan.silent, shape.fadeFrom > 20);
      }
    }
  }
  EXPECT_GE(sounding, 60);  // of 108: most sets are compared sample by sample
}

TEST(FastVsPlain, LongBlocksFarFromTheOrigin) {
  // 3 s with 120 harmonics at 48000 Hz (the largest block) and at 8000 Hz with f0 2000
  // (the largest argument, ~4.5e6 rad); volume 1 cannot overflow.
  std::mt19937_64 rng(7);
  for (std::uint32_t rate : {48000u, 8000u}) {
    for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen}) {
      const std::size_t bytes = 3 * rate * (bits == SampleBits::Eight ? 1 : 2);
      SynthPlan plan = RandomPlan(rng, bits, bytes, rate, {120, 2000, false, 1, 30});
      plan.volume = 1;
      EXPECT_FALSE(Check(plan, bytes, 61)) << rate;
    }
  }
}

TEST(FastVsPlain, SumsStayWithinTheStatedErrorBound) {
  // Every harmonic at 100, far from the origin (8000 Hz, f0 1999, up to 3 s: arguments to
  // ~4.5e6 rad). The fast sum may be off by 1.2e-13 of the amplitude sum (12000); the
  // extended formula's own argument rounding adds up to 2.4e-13 of it. Rounding decisions
  // alone would not notice a drift a thousand times larger.
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> rad(-std::numbers::pi, std::numbers::pi);
  HarmonicSet set;
  for (int k = 1; k <= kHarmonics; ++k) {
    set.Amplitude[k] = 100;
    set.Phase[k] = rad(rng);
  }
  set.HarmCount = kHarmonics;
  const SynthPlan plan(SampleBits::Sixteen, 2 * 24000, 8000, set, {1999, 1, 1});
  PhasorBank bank(plan);
  std::vector<double> s(PhasorBank::kSpan);
  long double worst = 0;
  for (std::int64_t n0 = 0; n0 < plan.N; n0 += 7 * PhasorBank::kSpan) {
    const int count = int(std::min<std::int64_t>(PhasorBank::kSpan, plan.N - n0));
    bank.Sums(n0, count, s.data());  // each span is anchored afresh
    for (int i = 0; i < count; ++i)
      worst = std::max(worst, std::fabs(plan.Value<long double>(s[i], n0 + i) -
                                        PlainValue<long double>(plan, n0 + i)));
  }
  EXPECT_LT(worst, (1.2e-13L + 2.4e-13L) * 12000);
}

}  // namespace
