#pragma once
// The synthesis formula evaluated literally, one C-library sine per term per sample, on
// one thread: the yardstick the tests and the benchmark hold the fast path against. Not
// used by the program.
//
// The argument is formed as ((2*pi * f0) * k * n) / rate + Phase[k] in the precision Real
// (double, or long double for an extended-precision reference); the terms are summed in
// ascending k.

#include <cmath>
#include <cstdint>
#include <span>

#include "mixer/SynthPlan.h"

// v of sample n (0 <= n < plan.N) before rounding and the range test.
template <class Real>
Real PlainValue(const SynthPlan& plan, std::int64_t n) {
  constexpr Real kTwoPi = Real(6.283185307179586477L);
  Real s = 0;
  for (int j = 0; j < plan.termCount; ++j) {
    const SynthPlan::Term& t = plan.terms[j];
    const Real arg = ((kTwoPi * Real(plan.freq)) * Real(t.k) * Real(n)) / Real(plan.rate) +
                     Real(t.phase);
    s += std::sin(arg) * Real(t.amplitude);
  }
  return plan.Value(s, n);
}

// The whole block as SynthesizePlan writes it, with PlainValue<double> for every sample;
// true when silenced.
bool PlainSynthesize(const SynthPlan& plan, std::span<std::uint8_t> block);
