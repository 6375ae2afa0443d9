#pragma once
// The tables and the schedule of the real transform of one size N, built once and then
// only read. The N real samples are taken as N/2 complex values (even samples real, odd
// ones imaginary), transformed by an in-place radix-4 pass over bit-reversed input
// (radix-2 for the first pass when log2(N/2) is odd), and split into the N-point
// spectrum; the upper half is the mirror (complex conjugate) of the lower one.
//
// Every twiddle factor is cos/sin of t = c * integer with c = 2*pi/N (2*pi in long double,
// c rounded to double), the angles of the textbook transform, so the tables only save the
// recomputation.
//
// Threads: a plan is immutable once built; ForSize builds each size once, guarded, and any
// thread may run a plan with its own arrays.

#include <cstdint>
#include <vector>

#include "analysis/TComplex.h"

class FftPlan {
public:
  // N must satisfy IsFftSize. Allocates the tables (throws std::bad_alloc).
  explicit FftPlan(int N);

  // The plan for N, built on first use and kept for the life of the process (12 sizes at
  // most). nullptr when N is not a valid size or memory ran out while building it.
  static const FftPlan* ForSize(std::int32_t N);

  int Size() const { return n_; }

  // Fft's contract (myfft.h) for this plan's N; the pointers must be valid.
  void Run(const double* input, double* magnitude, TComplex* result, TComplex* work) const;

private:
  void FirstPass(const double* input, TComplex* work) const;
  void Radix4Passes(TComplex* work) const;
  void Split(const TComplex* work, double* magnitude, TComplex* result) const;

  int n_;     // real points N
  int half_;  // complex points N/2
  int bits_;  // log2(N/2)
  double c_;  // 2*pi/N
  std::vector<std::uint16_t> reverse_;  // bit reversal of 0 .. N/2-1 in `bits_` bits
  std::vector<double> splitCos_, splitSin_;  // cos, sin(c * k), k = 0 .. N/2
  // Radix-4 passes with span h >= 2, in pass order; per pair of butterflies (k, k+1):
  // w1.re, w1.im, w2.re, w2.im, w3.re, w3.im, each as two lanes, wq = exp(i * c * q*k*s).
  std::vector<double> passTwiddles_;
};
