#pragma once
// The fast harmonic sum: s(n) = sum over the plan's terms of A_k * sin(theta_k * n + phi_k),
// theta_k = 2*pi*f0*k / rate, computed without a sine per term per sample.
//
// Each term is a phasor z_k = A_k * exp(i * (theta_k * n + phi_k)); its imaginary part is
// the term, and one complex multiplication by w_k = exp(i * theta_k) moves it on one
// sample. The terms run two to a 16-byte vector, with four partial sums, so the inner
// loop is a handful of multiplications and additions per term.
//
// Anchoring: at the start of every run of at most kSpan samples each phasor is set afresh
// from the exact angle. Because f0, k, n and the rate are integers, f0*k*n mod rate is
// exact in 64-bit integers, so the angle 2*pi*m/rate + phi is formed from a reduced
// argument below 2*pi (plus the phase) and carries only a few ulps of error (~1e-15 rad),
// where the formula's own argument, up to about 5e6 rad for a 3 s sound, loses ~1e-9 rad
// in double. Runs start at multiples of kSpan, so a sample's value does not depend on how
// the block is split between threads.
//
// Error bound: w_k is rounded to double (angle and modulus off by <= 1.2e-16) and each
// step rounds the product (<= ~3.2e-16 relative), so after at most kSpan = 256 steps a
// term is off by at most ~256 * 4.4e-16 + 2e-15 ~ 1.2e-13 of A_k (typically far less, as
// the per-step errors do not all point the same way). Scaled by the volume, the worst sum
// (120 terms of 100 at volume 300, 3.6e6) is then off by < 5e-7, six orders below a
// sample step. The formula itself, even in extended precision, rounds its argument at up
// to ~5e6 rad by ~2.4e-13 rad, so in practice the two differ by ~1e-10 at volume 1, and
// only a value that close to a half can round the other way (by 1).
//
// Threads: one bank per thread; it owns its state and reads the plan only.

#include <array>
#include <cstdint>

#include "mixer/SynthPlan.h"

class PhasorBank {
public:
  static constexpr int kSpan = 256;  // samples between exact anchorings

  explicit PhasorBank(const SynthPlan& plan);

  // Writes the harmonic sums of samples n0 .. n0+count-1 to s[0 .. count-1]; count is
  // 1 .. kSpan. Anchors exactly at n0, so calls may come in any order.
  void Sums(std::int64_t n0, int count, double* s);

private:
  using Pair = double __attribute__((vector_size(16)));  // two terms, one per lane
  static constexpr int kPairs = (kHarmonics + 7) / 8 * 4;  // padded to groups of four pairs

  void Anchor(std::int64_t n0);

  const SynthPlan& plan_;
  int pairs_ = 0;  // pairs in use, a multiple of 4 (padding lanes have amplitude 0)
  std::array<std::uint64_t, 2 * kPairs> stepIndex_{};  // f0*k mod rate, per lane
  alignas(16) std::array<Pair, kPairs> re_{}, im_{};    // z_k at the current sample
  alignas(16) std::array<Pair, kPairs> wRe_{}, wIm_{};  // w_k
};
