#include "mixer/Synthesis.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <system_error>
#include <thread>

#include "mixer/PhasorBank.h"

namespace {

// Below this many terms (samples x sounding harmonics, about 0.15 ms of work) a second
// thread costs more than it saves.
constexpr std::int64_t kThreadTerms = std::int64_t(1) << 19;

// Samples between exact anchorings of the phasors (PhasorBank's error grows with it).
constexpr std::int64_t kAnchorSpan = 16 * PhasorBank::kChunk;

constexpr double kU = 0x1p-53;  // unit roundoff of double

// How far the fast v of sample n may lie from the literal one (SynthPlan::LiteralValue):
// at most base + slope * n. Where v lies farther than that from every half-integer (and,
// for 8 bit, from the bound 240), Round(v) and every range decision are the literal
// value's; elsewhere the literal value is computed.
//
// The bound, per sounding term of amplitude a (as the plan holds it), phase phi and
// harmonic k, with theta = 2*pi*f0*k/rate:
//   the formula's argument rounds four times in the products and the quotient (its 2*pi
//   is 0.4u off) and once in the sum with phi: off by <= 6u theta n + 2u |phi|; the sine
//   and the product with a add 2u a;
//   the phasor is off by <= (32 + |phi| + 6 j) u a, j <= kAnchorSpan (PhasorBank.h);
//   each way of summing T terms adds <= T u sum(a);
//   v from the sum: two or three roundings each way, <= 6u V sum(a) + 256u.
// So |v_fast - v_literal| <= V (6u theta1 G n + 3u H + (34 + 6 j + 2T + 6) u A) + 256u with
// G = sum(a k), H = sum(a |phi|), A = sum(a), theta1 = 2*pi*f0/rate; taken twice over.
struct Margin {
  double base = 0, slope = 0;

  explicit Margin(const SynthPlan& plan) {
    double G = 0, H = 0, A = 0;
    for (int j = 0; j < plan.termCount; ++j) {
      const SynthPlan::Term& t = plan.terms[j];
      const double a = std::fabs(t.amplitude);
      G += a * t.k;
      H += a * std::fabs(t.phase);  // inf or NaN: nothing is decided fast
      A += a;
    }
    const double theta1 = 6.283185307179586477 * plan.freq / plan.rate;
    const double perTerm = 34 + PhasorBank::kErrorPerStep * kAnchorSpan + 2.0 * kHarmonics + 6;
    slope = 2 * plan.volume * 6 * kU * theta1 * G;
    base = 2 * (plan.volume * (3 * kU * H + perTerm * kU * A) + 256 * kU);
  }

  // True when v decides sample n: then `nearest` is Round(v), which is also the formula's.
  bool Decides(double v, std::int64_t n, bool eight, double& nearest) const {
    const double m = base + slope * double(n);
    // The nearest integer, ties to even, for |v| < 2^51 (larger values never store).
    if (!(std::fabs(v) < 0x1p51)) return false;
    nearest = (v + 0x1.8p52) - 0x1.8p52;
    if (!(std::fabs(v - nearest) < 0.5 - m)) return false;
    return !eight || std::fabs(v - 240.0) > m;
  }
};

// Stores sample n, from its fast v where the margin decides it, else from the formula;
// false when the sample may not be stored (SynthPlan::Store's rules).
inline bool StoreSample(const SynthPlan& plan, const Margin& margin, bool eight,
                        std::uint8_t* block, std::int64_t n, double v) {
  double r;
  if (!margin.Decides(v, n, eight, r)) return plan.Store(block, n, plan.LiteralValue(n));
  if (eight) {  // v is clear of -0.5 and of 240
    if (!(r >= 0 && v <= 240)) return false;
    block[n] = std::uint8_t(r);
    return true;
  }
  if (!(r >= -32768 && r <= 32767)) return false;  // v is clear of -32768.5 and 32767.5
  const auto u = std::uint16_t(std::int16_t(r));
  block[2 * n] = std::uint8_t(u & 0xFF);
  block[2 * n + 1] = std::uint8_t(u >> 8);
  return true;
}

// Computes the sums of samples first .. end-1 of the first period (first a multiple of
// the chunk) and stores every sample they serve: n + q * period for q = 0, 1, ... below N.
// Stops early, setting `overflow`, at a sample that may not be stored, or when the other
// worker has set it.
void SynthesizeRange(const SynthPlan& plan, const Margin& margin, SimdPath path,
                     std::uint8_t* block, std::int64_t first, std::int64_t end,
                     std::atomic<bool>& overflow) noexcept {
  const bool eight = plan.bits == SampleBits::Eight;
  PhasorBank bank(plan, path);
  double s[PhasorBank::kChunk];
  for (std::int64_t j0 = first; j0 < end; j0 += PhasorBank::kChunk) {
    if (overflow.load(std::memory_order_relaxed)) return;
    if ((j0 - first) % kAnchorSpan == 0) bank.Anchor(j0);
    const int count = int(std::min<std::int64_t>(PhasorBank::kChunk, end - j0));
    bank.Next(count, s);
    for (std::int64_t n0 = j0; n0 < plan.N; n0 += plan.period) {
      const int copies = int(std::min<std::int64_t>(count, plan.N - n0));
      for (int i = 0; i < copies; ++i) {
        const std::int64_t n = n0 + i;
        if (!StoreSample(plan, margin, eight, block, n, plan.Value(s[i], n))) {
          overflow.store(true, std::memory_order_relaxed);
          return;
        }
      }
    }
  }
}

}  // namespace

bool SynthesizePlan(const SynthPlan& plan, std::span<std::uint8_t> block, int maxThreads,
                    SimdPath path) {
  if (plan.silent) {
    plan.Silence(block);
    return true;
  }
  const Margin margin(plan);
  std::atomic<bool> overflow{false};
  const std::int64_t sums = std::min(plan.period, plan.N);  // the sums ever needed
  // A multiple of the chunk, so that both halves anchor as one thread would.
  const std::int64_t mid = sums / 2 / PhasorBank::kChunk * PhasorBank::kChunk;
  std::thread second;
  if (maxThreads >= 2 && mid > 0 && sums * plan.termCount >= kThreadTerms) {
    try {
      second = std::thread(SynthesizeRange, std::cref(plan), std::cref(margin), path, block.data(),
                           mid, sums, std::ref(overflow));
    } catch (const std::system_error&) {
      // No thread to be had: the calling thread does it all.
    }
  }
  if (second.joinable()) {
    SynthesizeRange(plan, margin, path, block.data(), 0, mid, overflow);
    second.join();
  } else {
    SynthesizeRange(plan, margin, path, block.data(), 0, sums, overflow);
  }
  if (overflow.load()) {
    plan.Silence(block);
    return true;
  }
  return false;
}

bool Synthesize16(std::span<std::uint8_t> block, std::uint32_t rate, const HarmonicSet& set,
                  const ToneSettings& tone) {
  return SynthesizePlan(SynthPlan(SampleBits::Sixteen, block.size(), rate, set, tone), block, 2);
}

bool Synthesize8(std::span<std::uint8_t> block, std::uint32_t rate, const HarmonicSet& set,
                 const ToneSettings& tone) {
  return SynthesizePlan(SynthPlan(SampleBits::Eight, block.size(), rate, set, tone), block, 2);
}
