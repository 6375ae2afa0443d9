#include "mixer/PhasorBank.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr double kTwoPi = 6.283185307179586477;
constexpr long double kTwoPiLong = 6.283185307179586476925286766559005768L;

// One chunk on the portable path: groups of four 2-lane vectors (8 terms), named rather
// than an array so that they stay in registers while the chunk goes by; `acc` holds two
// partial sums per sample.
void NextPortable(double* re, double* im, const double* wRe, const double* wIm, int padded,
                  int count, double* acc) {
  using V = double __attribute__((vector_size(16)));
  auto load = [](const double* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  };
  auto store = [](double* p, V v) { __builtin_memcpy(p, &v, sizeof v); };
  auto step = [](V& x, V& y, V wr, V wi) {
    const V nx = x * wr - y * wi;
    y = x * wi + y * wr;
    x = nx;
  };
  for (int i = 0; i < count; ++i) store(acc + 2 * i, V{});
  for (int g = 0; g < padded; g += 8) {
    V x0 = load(re + g), x1 = load(re + g + 2), x2 = load(re + g + 4), x3 = load(re + g + 6);
    V y0 = load(im + g), y1 = load(im + g + 2), y2 = load(im + g + 4), y3 = load(im + g + 6);
    const double* wr = wRe + g;
    const double* wi = wIm + g;
    for (int i = 0; i < count; ++i) {
      store(acc + 2 * i, load(acc + 2 * i) + ((y0 + y1) + (y2 + y3)));
      step(x0, y0, load(wr), load(wi));
      step(x1, y1, load(wr + 2), load(wi + 2));
      step(x2, y2, load(wr + 4), load(wi + 4));
      step(x3, y3, load(wr + 6), load(wi + 6));
    }
    store(re + g, x0), store(re + g + 2, x1), store(re + g + 4, x2), store(re + g + 6, x3);
    store(im + g, y0), store(im + g + 2, y1), store(im + g + 4, y2), store(im + g + 6, y3);
  }
}

#if defined(__x86_64__)
#define KELVOR_AVX2_INLINE static inline __attribute__((target("avx2,fma"), always_inline))

// (x, y) turned by w, with fused multiply-adds.
KELVOR_AVX2_INLINE void Step(__m256d& x, __m256d& y, const double* wr, const double* wi) {
  const __m256d c = _mm256_load_pd(wr), s = _mm256_load_pd(wi);
  const __m256d nx = _mm256_fmsub_pd(x, c, _mm256_mul_pd(y, s));
  y = _mm256_fmadd_pd(x, s, _mm256_mul_pd(y, c));
  x = nx;
}

// The same with groups of four 4-lane vectors (16 terms); `acc` holds four partial sums
// per sample.
__attribute__((target("avx2,fma"))) void NextAvx2(double* re, double* im, const double* wRe,
                                                  const double* wIm, int padded, int count,
                                                  double* acc) {
  for (int i = 0; i < count; ++i) _mm256_store_pd(acc + 4 * i, _mm256_setzero_pd());
  for (int g = 0; g < padded; g += 16) {
    __m256d x0 = _mm256_load_pd(re + g), x1 = _mm256_load_pd(re + g + 4);
    __m256d x2 = _mm256_load_pd(re + g + 8), x3 = _mm256_load_pd(re + g + 12);
    __m256d y0 = _mm256_load_pd(im + g), y1 = _mm256_load_pd(im + g + 4);
    __m256d y2 = _mm256_load_pd(im + g + 8), y3 = _mm256_load_pd(im + g + 12);
    const double* wr = wRe + g;
    const double* wi = wIm + g;
    for (int i = 0; i < count; ++i) {
      const __m256d sum = _mm256_add_pd(_mm256_add_pd(y0, y1), _mm256_add_pd(y2, y3));
      _mm256_store_pd(acc + 4 * i, _mm256_add_pd(_mm256_load_pd(acc + 4 * i), sum));
      Step(x0, y0, wr, wi);
      Step(x1, y1, wr + 4, wi + 4);
      Step(x2, y2, wr + 8, wi + 8);
      Step(x3, y3, wr + 12, wi + 12);
    }
    _mm256_store_pd(re + g, x0), _mm256_store_pd(re + g + 4, x1);
    _mm256_store_pd(re + g + 8, x2), _mm256_store_pd(re + g + 12, x3);
    _mm256_store_pd(im + g, y0), _mm256_store_pd(im + g + 4, y1);
    _mm256_store_pd(im + g + 8, y2), _mm256_store_pd(im + g + 12, y3);
  }
}
#endif

}  // namespace

PhasorBank::PhasorBank(const SynthPlan& plan, SimdPath path) : plan_(plan), path_(path) {
#if !defined(__x86_64__)
  path_ = SimdPath::Portable;
#endif
  const int group = path_ == SimdPath::Avx2Fma ? 16 : 8;
  padded_ = (plan.termCount + group - 1) / group * group;
  wRe_.fill(1.0);
  for (int j = 0; j < plan.termCount; ++j) {
    const std::uint64_t step =
        std::uint64_t(plan.freq) * std::uint64_t(plan.terms[j].k) % plan.rate;
    stepIndex_[j] = step;
    // In long double, so that w_k is the exact step rounded once (every step repeats its
    // error; the anchor's is paid once).
    const long double theta = kTwoPiLong * (long double)step / plan.rate;
    wRe_[j] = double(std::cos(theta));
    wIm_[j] = double(std::sin(theta));
  }
}

void PhasorBank::Anchor(std::int64_t n0) {
  const std::uint64_t nMod = std::uint64_t(n0) % plan_.rate;
  for (int j = 0; j < plan_.termCount; ++j) {
    const SynthPlan::Term& t = plan_.terms[j];
    // Both factors are below the rate (< 2^32), so the product fits in 64 bits.
    const std::uint64_t m = stepIndex_[j] * nMod % plan_.rate;
    const double angle = kTwoPi * double(m) / plan_.rate + t.phase;
    re_[j] = t.amplitude * std::cos(angle);
    im_[j] = t.amplitude * std::sin(angle);
  }
}

void PhasorBank::Next(int count, double* s) {
  double* acc = partial_.data();
#if defined(__x86_64__)
  if (path_ == SimdPath::Avx2Fma) {
    NextAvx2(re_.data(), im_.data(), wRe_.data(), wIm_.data(), padded_, count, acc);
    for (int i = 0; i < count; ++i)
      s[i] = (acc[4 * i] + acc[4 * i + 1]) + (acc[4 * i + 2] + acc[4 * i + 3]);
    return;
  }
#endif
  NextPortable(re_.data(), im_.data(), wRe_.data(), wIm_.data(), padded_, count, acc);
  for (int i = 0; i < count; ++i) s[i] = acc[2 * i] + acc[2 * i + 1];
}
