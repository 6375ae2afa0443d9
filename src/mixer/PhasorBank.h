#pragma once
// The fast harmonic sum: s(n) = sum over the plan's terms of A_k * sin(theta_k * n + phi_k),
// theta_k = 2*pi*f0*k / rate, computed without a sine per term per sample.
//
// Each term is a phasor z_k = A_k * exp(i * (theta_k * n + phi_k)); its imaginary part is
// the term, and one complex multiplication by w_k = exp(i * theta_k) moves it on one
// sample. The terms run side by side in vectors (2 lanes on the portable path, 4 with
// AVX2/FMA), in groups of four vectors whose state stays in registers while a chunk of
// samples goes by; each group adds its terms into a per-sample vector of partial sums.
//
// Anchor(n0) sets every phasor afresh from the exact angle. Because f0, k, n and the rate
// are integers, f0*k*n mod rate is exact in 64-bit integers, so the angle
// 2*pi*m/rate + phi is formed from a reduced argument below 2*pi (plus the phase) and is
// off by a few ulps only.
//
// Error bound (u = 2^-53), per term and relative to A_k, against the exact sine of the
// exact angle: the anchor (angle rounded twice below 2*pi, then once with the phase; sine,
// cosine and the amplitude product within an ulp each) is off by at most (32 + |phi_k|) u.
// w_k is the exact step rounded once (taken in long double), off by <= u; each step
// rounds the product by <= 3u (4.3u without fused multiply-adds), so after j steps since
// the anchor the phasor is off by at most (32 + |phi_k| + 6 j) u. Summing T terms in any
// order adds at most T u * sum A_k. kErrorPerStep and kErrorFixed carry these constants to
// the synthesis's margin (Synthesis.cpp).
//
// Threads: one bank per thread; it owns its state and reads the plan only.

#include <array>
#include <cstdint>

#include "base/SimdPath.h"
#include "mixer/SynthPlan.h"

class PhasorBank {
public:
  static constexpr int kChunk = 256;          // samples per call of Next at most
  static constexpr double kErrorPerStep = 6;  // units of u * A_k per step since the anchor
  static constexpr double kErrorFixed = 32;   // units of u * A_k, plus |phi_k| u

  // `path` must run on this machine (SimdPathRuns).
  explicit PhasorBank(const SynthPlan& plan, SimdPath path = BestSimdPath());

  // Sets every phasor to its exact value at sample n0 (0 <= n0).
  void Anchor(std::int64_t n0);

  // Writes the sums of the next `count` samples (1 .. kChunk) to s[0 .. count-1] and moves
  // every phasor on by `count` steps. The first sample after Anchor(n0) is n0.
  void Next(int count, double* s);

private:
  static constexpr int kPadded = 128;  // terms, rounded up to whole groups of 16 and of 8

  const SynthPlan& plan_;
  SimdPath path_;
  int padded_ = 0;  // terms in use, rounded up to a whole group of the path
  std::array<std::uint64_t, kHarmonics> stepIndex_{};  // f0*k mod rate
  // Structure of arrays: lane j is term j; padding terms stay 0 (w = 1).
  alignas(32) std::array<double, kPadded> re_{}, im_{}, wRe_{}, wIm_{};
  alignas(32) std::array<double, 4 * kChunk> partial_{};  // per sample, up to 4 lanes
};
