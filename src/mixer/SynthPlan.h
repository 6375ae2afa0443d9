#pragma once
// One synthesis with every input resolved: the block's shape, the fade, the scale and the
// harmonics that sound. The fast path and the plain reference both read it, so the rules
// for odd or damaged inputs live here once:
//   - 16 bit: N = bytes shr 1 samples; an odd trailing byte is never touched.
//   - HarmCount is limited to 0 .. 120; harmonics k <= HarmCount with Amplitude[k] != 0
//     sound, in ascending k.
//   - Freq is limited to 1 .. 2000, Volume to 0 .. 300, FadeSteps to 1 .. 30.
//   - D = Round(rate * 0.005 * FadeSteps) but at least 1 (a very low rate could round it to
//     0, which would put the steady part one sample past the block). D > N: all silence.
//   - rate 0 has no time axis: all silence.
// The steady part is n = 0 .. N-D, the fade n = N-D+1 .. N-1 with weight ((N-n)/D)^2.
//
// A plain value built on the caller's thread; read-only afterwards, so worker threads
// share it.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "mixer/HarmonicSet.h"
#include "mixer/ToneSettings.h"

enum class SampleBits { Eight, Sixteen };

struct SynthPlan {
  // One sounding harmonic: sin(2*pi*f0*k*n/rate + phase) * amplitude is its term.
  struct Term {
    std::int32_t k;    // 1 .. 120
    double amplitude;  // Amplitude[k]; for 8 bit already divided by 256 (exact)
    double phase;      // radians, as the set holds it (NaN and inf included)
  };

  SynthPlan(SampleBits bits, std::size_t blockBytes, std::uint32_t rate, const HarmonicSet& set,
            const ToneSettings& tone);

  SampleBits bits;
  std::uint32_t rate;  // samples per second
  std::int64_t N;      // samples in the block
  std::int64_t D;      // fade-out samples, >= 1
  std::int32_t freq;   // f0, Hz
  double volume;
  bool silent;  // the whole block is silence, nothing to sum
  // rate / gcd(f0, rate): every term's angle 2*pi*f0*k*n/rate moves on by a whole number of
  // turns in this many samples, so the exact sum repeats (the formula in double does not
  // quite: its argument is rounded afresh at every n). 1 when the rate is 0.
  std::int64_t period;
  int termCount = 0;
  std::array<Term, kHarmonics> terms{};

  // The harmonic sum of sample n by the formula itself: one sine per term, the argument
  // formed as ((2*pi * f0) * k * n) / rate + Phase[k] in Real (2*pi =
  // 6.283185307179586477), the terms summed in ascending k. Real = double is the value the
  // stored samples are the Round of; long double serves the tests as a closer reference.
  template <class Real>
  Real FormulaSum(std::int64_t n) const {
    constexpr Real kTwoPi = Real(6.283185307179586477L);
    Real s = 0;
    for (int j = 0; j < termCount; ++j) {
      const Term& t = terms[j];
      const Real arg = ((kTwoPi * Real(freq)) * Real(t.k) * Real(n)) / Real(rate) + Real(t.phase);
      s += std::sin(arg) * Real(t.amplitude);
    }
    return s;
  }

  // Value(FormulaSum<double>(n), n): what sample n stores the Round of (0 <= n < N).
  double LiteralValue(std::int64_t n) const;

  // v of sample n (0 <= n < N) from its harmonic sum s, before rounding: s * V in the
  // steady part, s * w * V in the fade; 8 bit adds 128.
  template <class Real>
  Real Value(Real s, std::int64_t n) const {
    Real v;
    if (n <= N - D) {
      v = s * volume;
    } else {
      const Real t = Real(N - n) / Real(D);
      v = s * (t * t) * volume;
    }
    return bits == SampleBits::Eight ? v + 128 : v;
  }

  // Stores Round(v) as sample n of `block` and returns true, or stores nothing and returns
  // false when the value may not be stored: 16 bit outside -32768 .. 32767; 8 bit above
  // 240 or rounding below 0; not a finite number in either case.
  bool Store(std::uint8_t* block, std::int64_t n, double v) const;

  // Fills the block with silence for these bits: N zero samples, or N bytes of 128.
  void Silence(std::span<std::uint8_t> block) const;
};
