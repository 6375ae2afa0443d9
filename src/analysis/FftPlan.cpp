#include "analysis/FftPlan.h"

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "analysis/FftIndex.h"
#include "analysis/FftSplitEnds.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Layout of the N/2 complex values in `work` while they are transformed: values 2p and
// 2p+1 share two slots, work[2p] = (re[2p], re[2p+1]) and work[2p+1] = (im[2p], im[2p+1]),
// so that two butterflies run side by side in one 2-lane vector per part.

namespace {

typedef double V2 __attribute__((vector_size(16)));

inline V2 Load(const void* p) {
  V2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(void* p, V2 v) { std::memcpy(p, &v, sizeof v); }
inline V2 Pair(double a, double b) { return V2{a, b}; }
inline V2 Swap(V2 a) { return V2{a[1], a[0]}; }
inline V2 Sqrt(V2 a) {
#if defined(__SSE2__)
  return _mm_sqrt_pd(a);
#else
  return V2{std::sqrt(a[0]), std::sqrt(a[1])};
#endif
}

constexpr long double kTwoPi = 6.283185307179586476925286766559005768L;

// Real and imaginary part of logical value j in the paired layout.
inline double Re(const TComplex* w, int j) { return (j & 1) ? w[j & ~1].im : w[j & ~1].re; }
inline double Im(const TComplex* w, int j) {
  return (j & 1) ? w[(j & ~1) + 1].im : w[(j & ~1) + 1].re;
}

}  // namespace

FftPlan::FftPlan(int N) : n_(N), half_(N / 2), bits_(0) {
  while ((1 << bits_) < half_) ++bits_;
  c_ = double(kTwoPi / N);
  reverse_.resize(half_);
  for (int j = 0; j < half_; ++j) reverse_[j] = std::uint16_t(BitReverse(bits_, bits_, j));
  splitCos_.resize(half_ + 1);
  splitSin_.resize(half_ + 1);
  for (int k = 0; k <= half_; ++k) {
    const double t = c_ * double(k);
    splitCos_[k] = std::cos(t);
    splitSin_[k] = std::sin(t);
  }
  // Spans of the radix-4 passes with twiddles: h = 2 or 4, times 4 each pass, up to N/8.
  for (int h = (bits_ & 1) ? 2 : 4; 4 * h <= half_; h *= 4) {
    const int s = n_ / (4 * h);  // exp(2*pi*i*k/(4h)) = exp(i*c*k*s)
    for (int k = 0; k < h; k += 2) {
      for (int q = 1; q <= 3; ++q) {
        double re[2], im[2];
        for (int lane = 0; lane < 2; ++lane) {
          const double t = c_ * double(q * (k + lane) * s);
          re[lane] = std::cos(t);
          im[lane] = std::sin(t);
        }
        passTwiddles_.insert(passTwiddles_.end(), {re[0], re[1], im[0], im[1]});
      }
    }
  }
  if (n_ >= 32) BuildAvx2Tables();
}

const FftPlan* FftPlan::ForSize(std::int32_t N) {
  if (!IsFftSize(N)) return nullptr;
  int index = 0;
  while ((1 << index) < N) ++index;
  static std::array<std::once_flag, 13> built;
  static std::array<std::unique_ptr<FftPlan>, 13> plans;
  try {
    std::call_once(built[index], [&] { plans[index] = std::make_unique<FftPlan>(N); });
  } catch (const std::bad_alloc&) {
    return nullptr;  // the flag stays unset: the next call tries again
  }
  return plans[index].get();
}

void FftPlan::Run(const double* input, double* magnitude, TComplex* result, TComplex* work,
                  FftBins bins, SimdPath path) const {
  if (path == SimdPath::Avx2Fma && n_ >= 32)
    RunAvx2(input, magnitude, result, work, bins);
  else
    RunPortable(input, magnitude, result, work, bins);
}

void FftPlan::RunPortable(const double* input, double* magnitude, TComplex* result, TComplex* work,
                          FftBins bins) const {
  if (half_ == 1) {  // N = 2: no complex pass, the split alone
    const double inv = 1.0 / n_;
    result[0] = {(input[0] + input[1]) * inv, 0.0};
    result[1] = {(input[0] - input[1]) * inv, 0.0};
    magnitude[0] = std::sqrt(result[0].re * result[0].re + result[0].im * result[0].im);
    return;
  }
  FirstPass(input, work);
  Radix4Passes(work);
  Split(work, magnitude, result, bins);
}

// The first pass reads the input in bit-reversed order of its complex values
// z[m] = (x[2m], x[2m+1]); its twiddles are all 1.
void FftPlan::FirstPass(const double* input, TComplex* work) const {
  const std::uint16_t* rev = reverse_.data();
  if (bits_ & 1) {  // radix 2
    for (int j = 0; j < half_; j += 2) {
      const V2 a = Load(input + 2 * rev[j]), b = Load(input + 2 * rev[j + 1]);
      const V2 x0 = a + b, x1 = a - b;
      Store(&work[j], Pair(x0[0], x1[0]));
      Store(&work[j + 1], Pair(x0[1], x1[1]));
    }
    return;
  }
  // Radix 4 over blocks of 4 holding, in this order, the sub-transforms of residues
  // 0, 2, 1, 3 (bit-reversed order of two bits).
  for (int j = 0; j < half_; j += 4) {
    const V2 t0 = Load(input + 2 * rev[j]), t2 = Load(input + 2 * rev[j + 1]);
    const V2 t1 = Load(input + 2 * rev[j + 2]), t3 = Load(input + 2 * rev[j + 3]);
    const V2 s02 = t0 + t2, d02 = t0 - t2, s13 = t1 + t3, d13 = t1 - t3;
    const V2 x0 = s02 + s13, x2 = s02 - s13;
    const V2 id13 = Pair(-d13[1], d13[0]);  // i * d13
    const V2 x1 = d02 + id13, x3 = d02 - id13;
    Store(&work[j], Pair(x0[0], x1[0]));
    Store(&work[j + 1], Pair(x0[1], x1[1]));
    Store(&work[j + 2], Pair(x2[0], x3[0]));
    Store(&work[j + 3], Pair(x2[1], x3[1]));
  }
}

// Radix-4 decimation in time, in place. A block of 4h holds four transforms of size h in
// residue order 0, 2, 1, 3; with t_r = w^(r*k) * B_r[k] (w = exp(+2*pi*i/(4h))) the block
// becomes X[k + q*h] = sum_r i^(r*q) * t_r.
void FftPlan::Radix4Passes(TComplex* work) const {
  const double* tw = passTwiddles_.data();
  for (int h = (bits_ & 1) ? 2 : 4; 4 * h <= half_; h *= 4) {
    for (int base = 0; base < half_; base += 4 * h) {
      const double* w = tw;
      for (int k = 0; k < h; k += 2, w += 12) {
        TComplex* p0 = work + base + k;
        TComplex* p1 = p0 + h;  // B2
        TComplex* p2 = p1 + h;  // B1
        TComplex* p3 = p2 + h;  // B3
        const V2 w1r = Load(w), w1i = Load(w + 2), w2r = Load(w + 4), w2i = Load(w + 6);
        const V2 w3r = Load(w + 8), w3i = Load(w + 10);
        const V2 a0r = Load(p0), a0i = Load(p0 + 1);
        const V2 a1r = Load(p1), a1i = Load(p1 + 1);
        const V2 a2r = Load(p2), a2i = Load(p2 + 1);
        const V2 a3r = Load(p3), a3i = Load(p3 + 1);
        const V2 t1r = w1r * a2r - w1i * a2i, t1i = w1r * a2i + w1i * a2r;
        const V2 t2r = w2r * a1r - w2i * a1i, t2i = w2r * a1i + w2i * a1r;
        const V2 t3r = w3r * a3r - w3i * a3i, t3i = w3r * a3i + w3i * a3r;
        const V2 s02r = a0r + t2r, s02i = a0i + t2i, d02r = a0r - t2r, d02i = a0i - t2i;
        const V2 s13r = t1r + t3r, s13i = t1i + t3i, d13r = t1r - t3r, d13i = t1i - t3i;
        Store(p0, s02r + s13r);
        Store(p0 + 1, s02i + s13i);
        Store(p2, s02r - s13r);
        Store(p2 + 1, s02i - s13i);
        Store(p1, d02r - d13i);  // d02 + i*d13
        Store(p1 + 1, d02i + d13r);
        Store(p3, d02r + d13i);  // d02 - i*d13
        Store(p3 + 1, d02i - d13r);
      }
    }
    tw += 6 * h;
  }
}

// From Z = FFT(z) of size n = N/2 to X of size N: with A = Z[k], B = conj(Z[n-k]),
// E = (A + B)/2 and O = (A - B)/(2i) are the transforms of the even and odd samples, and
// X[k] = E + exp(i*c*k) * O. X[k] and X[n-k] come from the same A and B; the upper half is
// X[N-k] = conj(X[k]), whose magnitude is that of X[k].
void FftPlan::Split(const TComplex* work, double* magnitude, TComplex* result, FftBins bins) const {
  const int n = half_, N = n_;
  const double scale = 0.5 / N;  // a power of two: exact
  const double* cs = splitCos_.data();
  const double* sn = splitSin_.data();
  const bool all = bins == FftBins::All;
  const FftSplitOut out{N, cs, sn, result, magnitude, all};
  auto z = [work](int j) { return TComplex{Re(work, j), Im(work, j)}; };
  FftSplitZero(out, z(0));
  FftSplitPair(out, 1, z);  // with its partner n-1 (for n = 2, the middle bin alone)
  if (n == 2) return;
  const V2 vscale = {scale, scale};
  for (int k = 2; k + 1 < n / 2; k += 2) {
    const int p = n - k;  // partners p (even) and p-1 (odd)
    const V2 ar = Load(&work[k]), ai = Load(&work[k + 1]);
    const V2 pr0 = Load(&work[p]), pi0 = Load(&work[p + 1]);
    const V2 pr1 = Load(&work[p - 2]), pi1 = Load(&work[p - 1]);
    const V2 br = Pair(pr0[0], pr1[1]), bi = -Pair(pi0[0], pi1[1]);
    const V2 sr = ar + br, si = ai + bi, dr = ar - br, di = ai - bi;
    const V2 wr = Load(cs + k), wi = Load(sn + k);
    const V2 vr = Swap(Load(cs + p - 1)), vi = Swap(Load(sn + p - 1));
    const V2 xr = (sr + wr * di + wi * dr) * vscale;  // X[k], X[k+1]
    const V2 xi = (si + wi * di - wr * dr) * vscale;
    const V2 yr = (sr + vr * di - vi * dr) * vscale;  // X[p], X[p-1]
    const V2 yi = (vi * di + vr * dr - si) * vscale;
    Store(&result[k], Pair(xr[0], xi[0]));
    Store(&result[k + 1], Pair(xr[1], xi[1]));
    Store(&result[p], Pair(yr[0], yi[0]));
    Store(&result[p - 1], Pair(yr[1], yi[1]));
    const V2 mx = Sqrt(xr * xr + xi * xi), my = Sqrt(yr * yr + yi * yi);
    Store(magnitude + k, mx);
    Store(magnitude + p - 1, Swap(my));
    if (!all) continue;
    Store(&result[N - k], Pair(xr[0], -xi[0]));
    Store(&result[N - k - 1], Pair(xr[1], -xi[1]));
    Store(&result[n + k], Pair(yr[0], -yi[0]));  // N - p
    Store(&result[n + k + 1], Pair(yr[1], -yi[1]));
    Store(magnitude + N - k - 1, Swap(mx));
    Store(magnitude + n + k, my);
  }
  FftSplitPair(out, n / 2, z);
}
