#include "mixer/Synthesis.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>

#include "mixer/PhasorBank.h"

namespace {

// Below this many terms (samples x sounding harmonics, about 0.3 ms of work) a second
// thread costs more than it saves.
constexpr std::int64_t kThreadTerms = std::int64_t(1) << 19;

// Computes and stores samples first .. end-1; first is a multiple of the anchoring span.
// Stops early, setting `overflow`, at a sample that may not be stored, or when the other
// worker has set it.
void SynthesizeRange(const SynthPlan& plan, std::uint8_t* block, std::int64_t first,
                     std::int64_t end, std::atomic<bool>& overflow) noexcept {
  PhasorBank bank(plan);
  double s[PhasorBank::kSpan];
  for (std::int64_t n0 = first; n0 < end; n0 += PhasorBank::kSpan) {
    if (overflow.load(std::memory_order_relaxed)) return;
    const int count = int(std::min<std::int64_t>(PhasorBank::kSpan, end - n0));
    bank.Sums(n0, count, s);
    for (int i = 0; i < count; ++i) {
      const std::int64_t n = n0 + i;
      if (!plan.Store(block, n, plan.Value(s[i], n))) {
        overflow.store(true, std::memory_order_relaxed);
        return;
      }
    }
  }
}

}  // namespace

bool SynthesizePlan(const SynthPlan& plan, std::span<std::uint8_t> block, int maxThreads) {
  if (plan.silent) {
    plan.Silence(block);
    return true;
  }
  std::atomic<bool> overflow{false};
  const std::int64_t N = plan.N;
  // The split point is a multiple of the span, so both halves anchor where one thread would.
  const std::int64_t mid = N / 2 / PhasorBank::kSpan * PhasorBank::kSpan;
  std::thread second;
  if (maxThreads >= 2 && mid > 0 && N * plan.termCount >= kThreadTerms) {
    try {
      second = std::thread(SynthesizeRange, std::cref(plan), block.data(), mid, N,
                           std::ref(overflow));
    } catch (const std::system_error&) {
      // No thread to be had: the calling thread does it all.
    }
  }
  if (second.joinable()) {
    SynthesizeRange(plan, block.data(), 0, mid, overflow);
    second.join();
  } else {
    SynthesizeRange(plan, block.data(), 0, N, overflow);
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
