#pragma once
// The synthesis formula evaluated literally, one C-library sine per term per sample
// (SynthPlan::LiteralValue), on one thread: the yardstick the tests and the benchmark hold
// the fast path against. Not used by the program.

#include <cstdint>
#include <span>

#include "mixer/SynthPlan.h"

// The whole block as SynthesizePlan writes it, with LiteralValue for every sample; true
// when silenced.
bool PlainSynthesize(const SynthPlan& plan, std::span<std::uint8_t> block);
