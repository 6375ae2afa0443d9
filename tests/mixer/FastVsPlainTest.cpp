// The fast synthesis against the formula evaluated literally in extended precision, over
// random harmonic sets at every rate the system makes, 8 and 16 bits. A sample may differ
// by 1 only where the formula's value lies within 1e-6 of a half; silencing must agree
// unless the deciding value lies that close to its boundary.

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "mixer/PhasorBank.h"
#include "mixer/PlainSynthesis.h"
#include "mixer/Synthesis.h"
#include "mixer/ToneRules.h"

namespace {

constexpr std::uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr long double kNearHalf = 1e-6L;

bool NearHalf(long double v) {
  return std::fabs(v - std::floor(v) - 0.5L) < kNearHalf;
}

// True when v lies within kNearHalf of a value where storing it changes between allowed
// and refused.
bool NearBoundary(SampleBits bits, long double v) {
  if (bits == SampleBits::Eight) return std::fabs(v - 240) < kNearHalf || std::fabs(v + 0.5L) < kNearHalf;
  return std::fabs(v - 32767.5L) < kNearHalf || std::fabs(v + 32768.5L) < kNearHalf;
}

struct Outcome {
  int nearHalfDiffs = 0;  // samples 1 apart where that is allowed
  bool silenced = false;
};

// Runs the fast path on `plan` and checks it against PlainValue<long double>: every
// sample, or with `stride` > 1 (for long blocks, where the extended-precision sine is
// slow) every stride-th sample, the last sample of each anchoring span (the farthest
// from its anchor) and the last stride samples. A strided check needs a set that cannot
// overflow, as it does not see every value that could decide the silencing.
Outcome Compare(const SynthPlan& plan, std::size_t bytes, const std::string& what,
                int stride = 1) {
  std::vector<std::uint8_t> fast(bytes, 0xA5);
  Outcome out;
  out.silenced = SynthesizePlan(plan, fast, 2);
  const auto checked = [&](std::int64_t n) {
    return stride == 1 || n % stride == 0 || n % PhasorBank::kSpan == PhasorBank::kSpan - 1 ||
           n >= plan.N - stride;
  };

  std::vector<long double> ref(std::size_t(plan.N));
  bool refSilenced = plan.silent, boundary = false;
  std::vector<std::uint8_t> scratch(bytes);
  for (std::int64_t n = 0; n < plan.N && !plan.silent; ++n) {
    if (!checked(n)) continue;
    ref[n] = PlainValue<long double>(plan, n);
    boundary = boundary || NearBoundary(plan.bits, ref[n]);
    refSilenced = refSilenced || !plan.Store(scratch.data(), n, double(ref[n]));
  }
  if (out.silenced != refSilenced) {
    EXPECT_TRUE(boundary) << what << ": silenced " << out.silenced << " vs " << refSilenced;
    return out;
  }
  if (out.silenced) return out;
  for (std::int64_t n = 0; n < plan.N; ++n) {
    if (!checked(n)) continue;
    const long double expected = std::nearbyint(ref[n]);
    const long double got = plan.bits == SampleBits::Eight
                                ? fast[n]
                                : std::int16_t(std::uint16_t(fast[2 * n] | fast[2 * n + 1] << 8));
    if (got == expected) continue;
    ++out.nearHalfDiffs;
    EXPECT_TRUE(std::fabs(got - expected) == 1 && NearHalf(ref[n]))
        << what << " n=" << n << " fast " << double(got) << " formula " << double(ref[n]);
  }
  return out;
}

struct RandomSet {
  HarmonicSet set;
  ToneSettings tone;
};

// count harmonics 1..count sounding (a third of them switched off when `gaps`), phases
// whole degrees or arbitrary radians, volume either kept clear of overflow or anything.
// FadeSteps from fade.
RandomSet MakeSet(std::mt19937_64& rng, SampleBits bits, int count, std::int32_t f0, bool gaps,
                  std::uniform_int_distribution<int> fade) {
  RandomSet r;
  std::uniform_int_distribution<int> amp(1, 100), degrees(-180, 180), coin(0, 2);
  std::uniform_real_distribution<double> radians(-std::numbers::pi, std::numbers::pi);
  long sum = 0;
  for (int k = 1; k <= count; ++k) {
    if (gaps && coin(rng) == 0) {
      r.set.Phase[k] = radians(rng);  // off, but with a phase
      continue;
    }
    r.set.Amplitude[k] = amp(rng);
    r.set.Phase[k] = coin(rng) == 0 ? DegreesToPhase(degrees(rng)) : radians(rng);
    sum += r.set.Amplitude[k];
  }
  r.set.HarmCount = count;
  const double room = bits == SampleBits::Eight ? 110.0 * 256 : 32000.0;
  const int safe = std::max(1, std::min(300, int(room / std::max(1L, sum))));
  r.tone.Freq = f0;
  r.tone.Volume = std::uniform_int_distribution<int>(1, coin(rng) == 0 ? 300 : safe)(rng);
  r.tone.FadeSteps = fade(rng);
  return r;
}

TEST(FastVsPlain, RandomSetsAtEveryRateAndBitDepth) {
  // 0.1 s sounds (the extended-precision sine is slow), fades of 5 .. 100 ms, so that the
  // fade fits; a longer fade silences the sound, which the last set checks.
  std::mt19937_64 rng(20240611);
  std::uniform_int_distribution<int> anyF0(1, 2000), anyCount(2, 119), fits(1, 20), longer(21, 30);
  int compared = 0, sounding = 0, nearHalf = 0;
  for (std::uint32_t rate : kRates) {
    for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen}) {
      const RandomSet sets[] = {
          MakeSet(rng, bits, 1, 1, false, fits),
          MakeSet(rng, bits, 1, 2000, false, fits),
          MakeSet(rng, bits, 120, 2000, false, fits),
          MakeSet(rng, bits, 120, 1, true, fits),
          MakeSet(rng, bits, anyCount(rng), anyF0(rng), true, fits),
          MakeSet(rng, bits, anyCount(rng), anyF0(rng), true, longer),
      };
      for (const RandomSet& r : sets) {
        const std::uint32_t bytesPerSec = rate * (bits == SampleBits::Eight ? 1 : 2);
        const auto bytes = std::size_t(GeneratedSize(bytesPerSec, 1));
        const SynthPlan plan(bits, bytes, rate, r.set, r.tone);
        const std::string what = std::to_string(rate) + " Hz, " +
                                 (bits == SampleBits::Eight ? "8" : "16") + " bit, f0 " +
                                 std::to_string(r.tone.Freq) + ", " +
                                 std::to_string(plan.termCount) + " terms, volume " +
                                 std::to_string(r.tone.Volume) + ", fade " +
                                 std::to_string(r.tone.FadeSteps);
        const Outcome o = Compare(plan, bytes, what);
        EXPECT_EQ(o.silenced && plan.silent, r.tone.FadeSteps > 20) << what;
        ++compared;
        sounding += !o.silenced;
        nearHalf += o.nearHalfDiffs;
      }
    }
  }
  EXPECT_EQ(compared, 108);
  EXPECT_GE(sounding, 60);  // most sets must really be compared sample by sample
  EXPECT_LE(nearHalf, 3);
  std::printf("%d sets, %d sounding, %d samples 1 apart near a half\n", compared, sounding,
              nearHalf);
}

TEST(FastVsPlain, LongBlocksFarFromTheOrigin) {
  // 3 s at 48000 Hz (the largest block) and at 8000 Hz with f0 2000 (the largest argument,
  // ~4.5e6 rad), 120 harmonics, volume low enough that nothing can overflow.
  std::mt19937_64 rng(7);
  for (std::uint32_t rate : {48000u, 8000u}) {
    for (SampleBits bits : {SampleBits::Eight, SampleBits::Sixteen}) {
      RandomSet r = MakeSet(rng, bits, 120, 2000, false, std::uniform_int_distribution<int>(1, 30));
      r.tone.Volume = 1;
      const std::size_t bytes = 3 * rate * (bits == SampleBits::Eight ? 1 : 2);
      const SynthPlan plan(bits, bytes, rate, r.set, r.tone);
      EXPECT_FALSE(Compare(plan, bytes, std::to_string(rate) + " Hz, 3 s", 61).silenced);
    }
  }
}

TEST(FastVsPlain, HarmonicSumsStayWithinTheStatedErrorBound) {
  // Full amplitude on every harmonic, far from the origin (3 s at 8000 Hz, f0 1999, so the
  // formula's argument reaches ~4.5e6 rad). The fast sum may be off by 1.2e-13 of the
  // amplitude sum; the extended formula's own argument rounding (~2.4e-13 rad there) adds
  // up to twice that.
  HarmonicSet set;
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> radians(-std::numbers::pi, std::numbers::pi);
  for (int k = 1; k <= kHarmonics; ++k) {
    set.Amplitude[k] = 100;
    set.Phase[k] = radians(rng);
  }
  set.HarmCount = kHarmonics;
  const SynthPlan plan(SampleBits::Sixteen, 2 * 24000, 8000, set, {1999, 1, 1});
  PhasorBank bank(plan);
  double s[PhasorBank::kSpan];
  long double worst = 0;
  // Every fifth span: each one is anchored afresh, so the others add nothing new.
  for (std::int64_t n0 = 0; n0 < plan.N; n0 += 5 * PhasorBank::kSpan) {
    const int count = int(std::min<std::int64_t>(PhasorBank::kSpan, plan.N - n0));
    bank.Sums(n0, count, s);
    for (int i = 0; i < count; ++i) {
      const long double fast = plan.Value<long double>(s[i], n0 + i);
      worst = std::max(worst, std::fabs(fast - PlainValue<long double>(plan, n0 + i)));
    }
  }
  EXPECT_LT(worst, (1.2e-13L + 2.4e-13L) * 12000);
  RecordProperty("worst_error", std::to_string(double(worst)));
  std::printf("worst |fast - formula| of the sum: %.3g\n", double(worst));
}

TEST(FastVsPlain, PlainDoubleLoopMatchesTheExtendedFormulaOnTheWorkedSamples) {
  // The double-precision yardstick of the benchmark writes the same samples as the fast
  // path on a set far from any rounding boundary.
  HarmonicSet set;
  set.Amplitude[1] = 100;
  set.Amplitude[3] = 40;
  set.Phase[3] = 0.5;
  set.HarmCount = 3;
  const SynthPlan plan(SampleBits::Sixteen, 1600, 8000, set, {100, 10, 10});
  std::vector<std::uint8_t> plain(1600), fast(1600);
  EXPECT_FALSE(PlainSynthesize(plan, plain));
  EXPECT_FALSE(SynthesizePlan(plan, fast, 1));
  EXPECT_EQ(plain, fast);
}

}  // namespace
