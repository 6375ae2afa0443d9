#include "mixer/PlainSynthesis.h"

bool PlainSynthesize(const SynthPlan& plan, std::span<std::uint8_t> block) {
  if (!plan.silent) {
    std::int64_t n = 0;
    while (n < plan.N && plan.Store(block.data(), n, plan.LiteralValue(n))) ++n;
    if (n == plan.N) return false;
  }
  plan.Silence(block);
  return true;
}
