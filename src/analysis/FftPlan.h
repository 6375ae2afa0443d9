#pragma once
// The tables and the schedule of the real transform of one size N, built once and then
// only read. The N real samples are taken as N/2 complex values (even samples real, odd
// ones imaginary), transformed by radix-4 passes over bit-reversed input (a radix-2 or
// radix-8 first pass when log2(N/2) is odd), and split into the N-point spectrum; the
// upper half is the mirror (complex conjugate) of the lower one.
//
// Every twiddle factor is cos/sin of t = c * integer with c = 2*pi/N (2*pi in long double,
// c rounded to double), the angles of the textbook transform, so the tables only save the
// recomputation (the AVX2 path keeps w alone for a radix-4 pass and takes w^2 and w^3 as
// its powers, a few ulps away).
//
// Two code paths (SimdPath): the portable one keeps two values side by side in 2-lane
// vectors; the AVX2 one (N >= 32) keeps four, with fused multiply-adds. They agree to
// rounding error (a few ulps of the largest value), not bit for bit.
//
// Threads: a plan is immutable once built; ForSize builds each size once, guarded, and any
// thread may run a plan with its own arrays.

#include <cstdint>
#include <vector>

#include "analysis/TComplex.h"
#include "base/SimdPath.h"

// Which bins a run writes.
enum class FftBins {
  All,        // Fft's contract: result[0 .. N-1], magnitude[0 .. N-2]
  LowerHalf,  // result[0 .. N/2] and magnitude[0 .. N/2] only, the same values as All
};

class FftPlan {
public:
  // N must satisfy IsFftSize. Allocates the tables (throws std::bad_alloc).
  explicit FftPlan(int N);

  // The plan for N, built on first use and kept for the life of the process (12 sizes at
  // most). nullptr when N is not a valid size or memory ran out while building it.
  static const FftPlan* ForSize(std::int32_t N);

  int Size() const { return n_; }

  // Fft's contract (myfft.h) for this plan's N; the pointers must be valid. `path` must run
  // on this machine (SimdPathRuns); sizes below 32 always take the portable path. The four
  // arrays must not overlap; `work` is scratch in either case.
  void Run(const double* input, double* magnitude, TComplex* result, TComplex* work,
           FftBins bins = FftBins::All, SimdPath path = BestSimdPath()) const;

private:
  void RunPortable(const double* input, double* magnitude, TComplex* result, TComplex* work,
                   FftBins bins) const;
  void FirstPass(const double* input, TComplex* work) const;
  void Radix4Passes(TComplex* work) const;
  void Split(const TComplex* work, double* magnitude, TComplex* result, FftBins bins) const;

  // FftPlanAvx2.cpp; N >= 32.
  void RunAvx2(const double* input, double* magnitude, TComplex* result, TComplex* work,
               FftBins bins) const;
  void BuildAvx2Tables();

  int n_;                                    // real points N
  int half_;                                 // complex points N/2
  int bits_;                                 // log2(N/2)
  double c_;                                 // 2*pi/N
  std::vector<std::uint16_t> reverse_;       // bit reversal of 0 .. N/2-1 in `bits_` bits
  std::vector<double> splitCos_, splitSin_;  // cos, sin(c * k), k = 0 .. N/2
  // Radix-4 passes with span h >= 2, in pass order; per pair of butterflies (k, k+1):
  // w1.re, w1.im, w2.re, w2.im, w3.re, w3.im, each as two lanes, wq = exp(i * c * q*k*s).
  std::vector<double> passTwiddles_;

  // The AVX2 path's tables (empty below N = 32), laid out for 4-lane loads:
  std::vector<std::uint32_t> avxSources_;  // first pass: first sub-transform of each four
  double avxOmega_[4] = {};                // exp(i*pi/4), exp(3i*pi/4): radix-8 first pass
  std::vector<double> avxTwiddles_;        // passes: per 4 butterflies w1 as re[4], im[4]
};
