#pragma once
// The bins of the split (FftPlan) that the vector loops leave to plain code, shared by
// both code paths: X[0] and X[n] from Z[0], and single pairs X[k], X[n-k] (n = N/2) with
// their mirrors. `z(j)` reads Z[j] from the path's own layout of the work array.

#include <cmath>

#include "analysis/TComplex.h"

struct FftSplitOut {
  int N;
  const double* cs;  // cos(c * k), k = 0 .. N/2
  const double* sn;  // sin(c * k)
  TComplex* result;
  double* magnitude;
  bool all;  // the upper half too (FftBins::All)
};

inline double FftMagnitude(const TComplex& x) { return std::sqrt(x.re * x.re + x.im * x.im); }

// X[0] = (Z0.re + Z0.im) / N and X[n] = (Z0.re - Z0.im) / N, both real. N >= 4.
inline void FftSplitZero(const FftSplitOut& o, TComplex z0) {
  const int n = o.N / 2;
  const double inv = 1.0 / o.N;  // a power of two: exact
  o.result[0] = {(z0.re + z0.im) * inv, 0.0};
  o.result[n] = {(z0.re - z0.im) * inv, 0.0};
  o.magnitude[0] = FftMagnitude(o.result[0]);
  o.magnitude[n] = FftMagnitude(o.result[n]);  // n <= N-2
}

// X[k] and, unless k is the middle bin n/2, X[n-k]; with A = Z[k] and B = conj(Z[n-k]),
// X[k] = ((A + B) + exp(i*c*k) * (A - B) / i) / (2N). 1 <= k <= n/2.
template <class ReadZ>
void FftSplitPair(const FftSplitOut& o, int k, ReadZ z) {
  const int N = o.N, n = N / 2;
  const double scale = 0.5 / N;
  const double* cs = o.cs;
  const double* sn = o.sn;
  auto put = [&](int j, TComplex x) {
    o.result[j] = x;
    o.magnitude[j] = FftMagnitude(x);
    if (!o.all) return;
    o.result[N - j] = {x.re, -x.im};
    if (N - j <= N - 2) o.magnitude[N - j] = o.magnitude[j];
  };
  const TComplex a = z(k), b = z(n - k);
  const double sr = a.re + b.re, si = a.im - b.im, dr = a.re - b.re, di = a.im + b.im;
  put(k, {(sr + cs[k] * di + sn[k] * dr) * scale, (si + sn[k] * di - cs[k] * dr) * scale});
  if (2 * k == n) return;
  const int p = n - k;
  put(p, {(sr + cs[p] * di - sn[p] * dr) * scale, (-si + sn[p] * di + cs[p] * dr) * scale});
}
