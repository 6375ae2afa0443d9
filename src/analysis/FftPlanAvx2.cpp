// The AVX2 path of FftPlan (N >= 32). Only the functions marked KELVOR_AVX2 use the wider
// instructions; the plan chooses them at run time (SimdPath), so the rest of the program
// keeps the baseline instruction set.
//
// Layout of the N/2 complex values in `work`: blocks of four consecutive values, each
// block eight doubles, the four real parts then the four imaginary parts. A radix-4 pass
// over sub-transforms of four values or more then runs four butterflies per vector with
// no shuffling; only the first pass (which gathers the bit-reversed input) and the split
// (which pairs value k with value N/2 - k) move values between lanes.

#include <cmath>

#include "analysis/FftIndex.h"
#include "analysis/FftPlan.h"
#include "analysis/FftSplitEnds.h"

void FftPlan::BuildAvx2Tables() {
  // First pass: sub-transforms of L = 4 or 8 values; sub-transform t is the L-point
  // transform of z[r + p*M] (p = 0..L-1, M = n/L, r = the reversal of t in log2(M) bits).
  // Four at a time, for r = s .. s+3 (s a multiple of 4): each of their L inputs is then
  // four neighbouring values. Lane l takes r = s + {0, 2, 1, 3}[l], that is
  // t = reversal(s) + l*M/4.
  const int L = (bits_ & 1) ? 8 : 4, M = half_ / L;
  int rBits = 0;
  while ((1 << rBits) < M) ++rBits;
  for (int s = 0; s < M; s += 4) avxSources_.push_back(std::uint32_t(BitReverse(rBits, rBits, s)));
  for (int q = 0; q < 2; ++q) {  // exp(i*pi/4) and exp(3i*pi/4) = exp(i*c*(2q+1)*N/8)
    const double t = c_ * double((2 * q + 1) * (n_ / 8));
    avxOmega_[2 * q] = std::cos(t);
    avxOmega_[2 * q + 1] = std::sin(t);
  }
  // Passes: spans h = L, 4L, ... while 4h <= n; per block of k = 4b .. 4b+3 the four cos
  // then the four sin of c*k*s, s = N/(4h): w1 alone, w2 and w3 are its powers (a third of
  // the table, which then stays in the first-level cache beside the values).
  for (int h = L; 4 * h <= half_; h *= 4) {
    const int s = n_ / (4 * h);
    for (int k0 = 0; k0 < h; k0 += 4) {
      double t[4];
      for (int lane = 0; lane < 4; ++lane) t[lane] = c_ * double((k0 + lane) * s);
      for (int lane = 0; lane < 4; ++lane) avxTwiddles_.push_back(std::cos(t[lane]));
      for (int lane = 0; lane < 4; ++lane) avxTwiddles_.push_back(std::sin(t[lane]));
    }
  }
}

#if defined(__x86_64__)

#include <immintrin.h>

#define KELVOR_AVX2 __attribute__((target("avx2,fma")))
#define KELVOR_AVX2_INLINE static inline __attribute__((target("avx2,fma"), always_inline))

namespace {

using V = __m256d;

struct CV {  // four complex values, one per lane
  V re, im;
};

KELVOR_AVX2_INLINE CV Add(CV a, CV b) {
  return {_mm256_add_pd(a.re, b.re), _mm256_add_pd(a.im, b.im)};
}
KELVOR_AVX2_INLINE CV Sub(CV a, CV b) {
  return {_mm256_sub_pd(a.re, b.re), _mm256_sub_pd(a.im, b.im)};
}
KELVOR_AVX2_INLINE CV AddI(CV a, CV b) {  // a + i*b
  return {_mm256_sub_pd(a.re, b.im), _mm256_add_pd(a.im, b.re)};
}
KELVOR_AVX2_INLINE CV SubI(CV a, CV b) {  // a - i*b
  return {_mm256_add_pd(a.re, b.im), _mm256_sub_pd(a.im, b.re)};
}
KELVOR_AVX2_INLINE CV Mul(V wr, V wi, CV a) {  // (wr + i*wi) * a
  return {_mm256_fmsub_pd(wr, a.re, _mm256_mul_pd(wi, a.im)),
          _mm256_fmadd_pd(wr, a.im, _mm256_mul_pd(wi, a.re))};
}

// Four neighbouring complex values z[j .. j+3] of the interleaved input (x[2j], x[2j+1]),
// in lane order j, j+2, j+1, j+3.
KELVOR_AVX2_INLINE CV Load4(const double* input, int j) {
  const V a = _mm256_loadu_pd(input + 2 * j);      // r0 i0 r1 i1
  const V b = _mm256_loadu_pd(input + 2 * j + 4);  // r2 i2 r3 i3
  return {_mm256_unpacklo_pd(a, b), _mm256_unpackhi_pd(a, b)};
}

// Stores values q = 0..3 of four sub-transforms, one per lane, as one block each: lane l
// goes to block first + l*step. A 4 x 4 transpose done as in-lane unpacks and 16-byte
// stores, which keeps the cross-lane shuffle unit free.
KELVOR_AVX2_INLINE void StoreRows(double* work, int first, int step, V y0, V y1, V y2, V y3) {
  const V t0 = _mm256_unpacklo_pd(y0, y1), t1 = _mm256_unpackhi_pd(y0, y1);
  const V t2 = _mm256_unpacklo_pd(y2, y3), t3 = _mm256_unpackhi_pd(y2, y3);
  double* b0 = work + 8 * first;
  double* b1 = b0 + 8 * step;
  double* b2 = b1 + 8 * step;
  double* b3 = b2 + 8 * step;
  _mm_storeu_pd(b0, _mm256_castpd256_pd128(t0));
  _mm_storeu_pd(b0 + 2, _mm256_castpd256_pd128(t2));
  _mm_storeu_pd(b1, _mm256_castpd256_pd128(t1));
  _mm_storeu_pd(b1 + 2, _mm256_castpd256_pd128(t3));
  _mm_storeu_pd(b2, _mm256_extractf128_pd(t0, 1));
  _mm_storeu_pd(b2 + 2, _mm256_extractf128_pd(t2, 1));
  _mm_storeu_pd(b3, _mm256_extractf128_pd(t1, 1));
  _mm_storeu_pd(b3 + 2, _mm256_extractf128_pd(t3, 1));
}
KELVOR_AVX2_INLINE void StoreColumns(double* work, int first, int step, CV y0, CV y1, CV y2,
                                     CV y3) {
  StoreRows(work, first, step, y0.re, y1.re, y2.re, y3.re);
  StoreRows(work + 4, first, step, y0.im, y1.im, y2.im, y3.im);
}

// y0..y3 -> Y_q = sum_p y_p * i^(p*q), in place.
KELVOR_AVX2_INLINE void Dft4(CV& y0, CV& y1, CV& y2, CV& y3) {
  const CV s02 = Add(y0, y2), d02 = Sub(y0, y2), s13 = Add(y1, y3), d13 = Sub(y1, y3);
  y0 = Add(s02, s13);
  y2 = Sub(s02, s13);
  y1 = AddI(d02, d13);
  y3 = SubI(d02, d13);
}

KELVOR_AVX2 void FirstPass4(const double* input, double* work, const std::uint32_t* first, int M) {
  for (int s = 0; s < M; s += 4) {
    CV y0 = Load4(input, s), y1 = Load4(input, s + M);
    CV y2 = Load4(input, s + 2 * M), y3 = Load4(input, s + 3 * M);
    Dft4(y0, y1, y2, y3);
    StoreColumns(work, int(first[s / 4]), M / 4, y0, y1, y2, y3);
  }
}

KELVOR_AVX2 void FirstPass8(const double* input, double* work, const std::uint32_t* first, int M,
                            const double* omega) {
  const V c1 = _mm256_set1_pd(omega[0]), s1 = _mm256_set1_pd(omega[1]);
  const V c3 = _mm256_set1_pd(omega[2]), s3 = _mm256_set1_pd(omega[3]);
  for (int s = 0; s < M; s += 4) {
    CV e0 = Load4(input, s), e1 = Load4(input, s + 2 * M);
    CV e2 = Load4(input, s + 4 * M), e3 = Load4(input, s + 6 * M);
    CV o0 = Load4(input, s + M), o1 = Load4(input, s + 3 * M);
    CV o2 = Load4(input, s + 5 * M), o3 = Load4(input, s + 7 * M);
    Dft4(e0, e1, e2, e3);  // even values
    Dft4(o0, o1, o2, o3);  // odd values
    o1 = Mul(c1, s1, o1);  // times exp(i*pi*q/4)
    o2 = {_mm256_sub_pd(_mm256_setzero_pd(), o2.im), o2.re};
    o3 = Mul(c3, s3, o3);
    // Sub-transform t takes blocks 2t (values 0..3) and 2t + 1 (values 4..7).
    const int b = 2 * int(first[s / 4]), step = M / 2;
    StoreColumns(work, b, step, Add(e0, o0), Add(e1, o1), Add(e2, o2), Add(e3, o3));
    StoreColumns(work, b + 1, step, Sub(e0, o0), Sub(e1, o1), Sub(e2, o2), Sub(e3, o3));
  }
}

// Radix-4 decimation in time over sub-transforms of h >= 4 values (see FftPlan.cpp):
// a block of 4h holds four transforms in residue order 0, 2, 1, 3.
KELVOR_AVX2 void Radix4Blocks(double* work, int n, int firstSpan, const double* tw) {
  for (int h = firstSpan; 4 * h <= n; tw += 2 * h, h *= 4) {
    // The twiddles of four butterflies serve every group of the pass: k outside.
    for (int k = 0; k < h; k += 4) {
      const V w1r = _mm256_loadu_pd(tw + 2 * k), w1i = _mm256_loadu_pd(tw + 2 * k + 4);
      const CV w2 = Mul(w1r, w1i, {w1r, w1i}), w3 = Mul(w1r, w1i, w2);
      for (int base = 0; base < n; base += 4 * h) {
        double* p0 = work + 2 * (base + k);
        double* p1 = p0 + 2 * h;  // B2
        double* p2 = p1 + 2 * h;  // B1
        double* p3 = p2 + 2 * h;  // B3
        const CV a0{_mm256_loadu_pd(p0), _mm256_loadu_pd(p0 + 4)};
        const CV a1{_mm256_loadu_pd(p1), _mm256_loadu_pd(p1 + 4)};
        const CV a2{_mm256_loadu_pd(p2), _mm256_loadu_pd(p2 + 4)};
        const CV a3{_mm256_loadu_pd(p3), _mm256_loadu_pd(p3 + 4)};
        const CV t1 = Mul(w1r, w1i, a2), t2 = Mul(w2.re, w2.im, a1), t3 = Mul(w3.re, w3.im, a3);
        const CV s02 = Add(a0, t2), d02 = Sub(a0, t2), s13 = Add(t1, t3), d13 = Sub(t1, t3);
        const CV x0 = Add(s02, s13), x2 = Sub(s02, s13);
        const CV x1 = AddI(d02, d13), x3 = SubI(d02, d13);
        _mm256_storeu_pd(p0, x0.re);
        _mm256_storeu_pd(p0 + 4, x0.im);
        _mm256_storeu_pd(p1, x1.re);
        _mm256_storeu_pd(p1 + 4, x1.im);
        _mm256_storeu_pd(p2, x2.re);
        _mm256_storeu_pd(p2 + 4, x2.im);
        _mm256_storeu_pd(p3, x3.re);
        _mm256_storeu_pd(p3 + 4, x3.im);
      }
    }
  }
}

// Four bins (re, im) as four TComplex at `out`, in lane order, or with Reversed, in the
// opposite order. In-lane unpacks and 16-byte stores, no cross-lane shuffle.
KELVOR_AVX2_INLINE void StoreComplex(TComplex* out, V re, V im) {
  const V lo = _mm256_unpacklo_pd(re, im), hi = _mm256_unpackhi_pd(re, im);  // bins 0, 2 / 1, 3
  _mm_storeu_pd(&out[0].re, _mm256_castpd256_pd128(lo));
  _mm_storeu_pd(&out[1].re, _mm256_castpd256_pd128(hi));
  _mm_storeu_pd(&out[2].re, _mm256_extractf128_pd(lo, 1));
  _mm_storeu_pd(&out[3].re, _mm256_extractf128_pd(hi, 1));
}
KELVOR_AVX2_INLINE void StoreComplexReversed(TComplex* out, V re, V im) {
  const V lo = _mm256_unpacklo_pd(re, im), hi = _mm256_unpackhi_pd(re, im);
  _mm_storeu_pd(&out[0].re, _mm256_extractf128_pd(hi, 1));
  _mm_storeu_pd(&out[1].re, _mm256_extractf128_pd(lo, 1));
  _mm_storeu_pd(&out[2].re, _mm256_castpd256_pd128(hi));
  _mm_storeu_pd(&out[3].re, _mm256_castpd256_pd128(lo));
}

KELVOR_AVX2_INLINE V Reverse(V v) { return _mm256_permute4x64_pd(v, 0x1B); }

// The vector part of the split: bins k = 4 .. n/2 - 1 in blocks of four, with their
// partners n - k and, for All, the mirrors N - k and N - (n - k).
KELVOR_AVX2 void SplitBlocks(const double* work, int n, const double* cs, const double* sn,
                             TComplex* result, double* magnitude, bool all) {
  const int N = 2 * n;
  const V scale = _mm256_set1_pd(0.5 / N);
  const V sign = _mm256_set1_pd(-0.0);
  for (int b = 1; 4 * b + 3 < n / 2; ++b) {
    const int k = 4 * b, p = n - k;  // lanes: bins k .. k+3 and p .. p-3
    const V ar = _mm256_loadu_pd(work + 8 * b), ai = _mm256_loadu_pd(work + 8 * b + 4);
    // Z[p - l] for lane l: lane 0 of block p/4, lanes 3, 2, 1 of the block before it.
    const double* lo = work + 8 * (p / 4 - 1);
    const double* hi = lo + 8;
    const V zr =
        _mm256_permute4x64_pd(_mm256_blend_pd(_mm256_loadu_pd(lo), _mm256_loadu_pd(hi), 0x1), 0x6C);
    const V zi = _mm256_permute4x64_pd(
        _mm256_blend_pd(_mm256_loadu_pd(lo + 4), _mm256_loadu_pd(hi + 4), 0x1), 0x6C);
    // A = Z[k], B = conj(Z[p]).
    const V sr = _mm256_add_pd(ar, zr), si = _mm256_sub_pd(ai, zi);
    const V dr = _mm256_sub_pd(ar, zr), di = _mm256_add_pd(ai, zi);
    // exp(i*c*k) = wr + i*wi; for the partner exp(i*c*(n - k)) = -wr + i*wi.
    const V wr = _mm256_loadu_pd(cs + k), wi = _mm256_loadu_pd(sn + k);
    const V xr = _mm256_mul_pd(_mm256_fmadd_pd(wi, dr, _mm256_fmadd_pd(wr, di, sr)), scale);
    const V xi = _mm256_mul_pd(_mm256_fnmadd_pd(wr, dr, _mm256_fmadd_pd(wi, di, si)), scale);
    const V yr = _mm256_mul_pd(_mm256_fnmadd_pd(wi, dr, _mm256_fnmadd_pd(wr, di, sr)), scale);
    const V yi = _mm256_mul_pd(_mm256_fnmadd_pd(wr, dr, _mm256_fmsub_pd(wi, di, si)), scale);
    const V mx = _mm256_sqrt_pd(_mm256_fmadd_pd(xr, xr, _mm256_mul_pd(xi, xi)));
    const V my = _mm256_sqrt_pd(_mm256_fmadd_pd(yr, yr, _mm256_mul_pd(yi, yi)));
    StoreComplex(result + k, xr, xi);
    StoreComplexReversed(result + p - 3, yr, yi);
    _mm256_storeu_pd(magnitude + k, mx);
    _mm256_storeu_pd(magnitude + p - 3, Reverse(my));
    if (!all) continue;
    StoreComplexReversed(result + N - k - 3, xr, _mm256_xor_pd(xi, sign));
    StoreComplex(result + n + k, yr, _mm256_xor_pd(yi, sign));  // N - p
    _mm256_storeu_pd(magnitude + N - k - 3, Reverse(mx));
    _mm256_storeu_pd(magnitude + n + k, my);
  }
}

}  // namespace

void FftPlan::RunAvx2(const double* input, double* magnitude, TComplex* result, TComplex* work,
                      FftBins bins) const {
  double* w = &work->re;
  if (bits_ & 1)
    FirstPass8(input, w, avxSources_.data(), half_ / 8, avxOmega_);
  else
    FirstPass4(input, w, avxSources_.data(), half_ / 4);
  Radix4Blocks(w, half_, (bits_ & 1) ? 8 : 4, avxTwiddles_.data());

  const int n = half_;
  const FftSplitOut out{n_,     splitCos_.data(), splitSin_.data(),
                        result, magnitude,        bins == FftBins::All};
  auto z = [w](int j) { return TComplex{w[8 * (j / 4) + j % 4], w[8 * (j / 4) + 4 + j % 4]}; };
  FftSplitZero(out, z(0));
  for (int k = 1; k < 4; ++k) FftSplitPair(out, k, z);
  SplitBlocks(w, n, splitCos_.data(), splitSin_.data(), result, magnitude, out.all);
  FftSplitPair(out, n / 2, z);
}

#else  // no AVX2 on this architecture: BestSimdPath never chooses it

void FftPlan::RunAvx2(const double* input, double* magnitude, TComplex* result, TComplex* work,
                      FftBins bins) const {
  RunPortable(input, magnitude, result, work, bins);
}

#endif
