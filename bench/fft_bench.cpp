// Fft against FFTW on the same real samples, N = 256 .. 4096, each timed after its plan
// exists (Fft's tables are built by a first call, FFTW's plans with FFTW_MEASURE). The
// repetitions of all runs are interleaved in random order (bench_main.cpp), and the table at
// the end compares medians.
//
// What a run covers, and what it leaves out:
//   Fft/N          the whole call: N reals to the full spectrum X[0..N-1] in natural
//                  order with the 1/N scaling, and |X[k]| for k = 0..N-2, on the code path
//                  this machine runs (AVX2/FMA where there is one). Leaves out the first
//                  call's table building.
//   FftPortable/N  the same on the portable path (2-lane vectors), which machines without
//                  AVX2 run.
//   FftwComplex/N  FFTW's complex transform (positive exponent) of the samples as complex
//                  numbers with zero imaginary parts, then a plain magnitude loop over its
//                  N-1 bins (scalar std::sqrt, which the compiler does not vectorise: at
//                  4096 it costs about as much as the transform). Leaves out the 1/N scaling
//                  (its magnitudes are N times ours), turning the real input into complex,
//                  and writing a TComplex result (it reads FFTW's array in place).
//   FftwReal/N     FFTW's real-input transform (r2c: negative exponent, bins 0..N/2), then
//                  what makes it Fft's exact output, done as Fft does it: bins 0..N/2
//                  conjugated and scaled by 1/N, the upper half mirrored (X[N-k] = conj
//                  X[k]), all into a TComplex array; magnitudes of bins 0..N/2 two at a
//                  time (SSE2), mirrored for the rest. Leaves out nothing of Fft's output;
//                  like the others it runs on the arrays FFTW planned for (its aligned
//                  allocation), where a caller's own arrays would need fftw_execute_dft_r2c.
//                  This is the fair comparison, and the goal is Fft <= FftwReal at every N.
//
// The setup of each FFTW run and of FftPortable first checks its output against Fft's,
// within 1e-9 of the largest magnitude (FftwComplex after the 1/N it leaves out); a
// mismatch is reported as the run's error and nothing is timed.

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

#include "analysis/FftPlan.h"
#include "analysis/myfft.h"

namespace {

constexpr double kTolerance = 1e-9;  // relative to the largest magnitude

double Sample(int i) { return 100.0 * std::sin(0.37 * i) + 20.0 * std::cos(1.91 * i); }

// Fft's output for the benchmark's samples, for the checks.
struct Reference {
  std::vector<TComplex> spectrum;
  std::vector<double> magnitude;
};

Reference OurSpectrum(int n) {
  Reference r{std::vector<TComplex>(n), std::vector<double>(n)};
  std::vector<double> input(n);
  std::vector<TComplex> work(n);
  for (int i = 0; i < n; ++i) input[i] = Sample(i);
  Fft(n, input.data(), r.magnitude.data(), r.spectrum.data(), work.data());
  return r;
}

// Largest difference from Fft's bins 0..N-1 and magnitudes 0..N-2, over the largest
// magnitude; `scale` multiplies the other transform's values first.
double Mismatch(const Reference& ours, const TComplex* bins, const double* magnitude, int n,
                double scale) {
  double peak = 0, worst = 0;
  for (int k = 0; k < n; ++k) {
    peak = std::max(peak, std::hypot(ours.spectrum[k].re, ours.spectrum[k].im));
    worst = std::max(worst, std::hypot(ours.spectrum[k].re - scale * bins[k].re,
                                       ours.spectrum[k].im - scale * bins[k].im));
    if (k <= n - 2) worst = std::max(worst, std::abs(ours.magnitude[k] - scale * magnitude[k]));
  }
  return peak > 0 ? worst / peak : worst;
}

// Skips the run with the reason when `mismatch` is beyond the tolerance.
bool Agrees(benchmark::State& state, double mismatch, const char* what) {
  if (mismatch <= kTolerance) return true;
  char text[160];
  std::snprintf(text, sizeof text, "%s differs from Fft by %.3g of the peak (limit %.0e)", what,
                mismatch, kTolerance);
  state.SkipWithError(text);
  return false;
}

void BM_Fft(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<double> input(n), magnitude(n);
  std::vector<TComplex> result(n), work(n);
  for (int i = 0; i < n; ++i) input[i] = Sample(i);
  if (!Fft(n, input.data(), magnitude.data(), result.data(), work.data())) {  // builds the plan
    state.SkipWithError("Fft refused the size");
    return;
  }
  for (auto _ : state) {
    Fft(n, input.data(), magnitude.data(), result.data(), work.data());
    benchmark::DoNotOptimize(magnitude.data());
    benchmark::ClobberMemory();
  }
}

void BM_FftPortable(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<double> input(n), magnitude(n);
  std::vector<TComplex> result(n), work(n);
  for (int i = 0; i < n; ++i) input[i] = Sample(i);
  const FftPlan* plan = FftPlan::ForSize(n);
  auto run = [&] {
    plan->Run(input.data(), magnitude.data(), result.data(), work.data(), FftBins::All,
              SimdPath::Portable);
  };
  run();
  if (!Agrees(state, Mismatch(OurSpectrum(n), result.data(), magnitude.data(), n, 1.0),
              "the portable path"))
    return;
  for (auto _ : state) {
    run();
    benchmark::DoNotOptimize(magnitude.data());
    benchmark::ClobberMemory();
  }
}

// The timed part of FftwComplex: the transform and the magnitudes.
void RunFftwComplex(const fftw_plan plan, const fftw_complex* out, double* magnitude, int n) {
  fftw_execute(plan);
  for (int k = 0; k <= n - 2; ++k)
    magnitude[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]);
}

void BM_FftwComplex(benchmark::State& state) {
  const int n = int(state.range(0));
  auto* in = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
  auto* out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
  // Positive exponent, as Fft; planning with MEASURE overwrites the arrays, so fill after.
  fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_BACKWARD, FFTW_MEASURE);
  for (int i = 0; i < n; ++i) {
    in[i][0] = Sample(i);
    in[i][1] = 0.0;
  }
  std::vector<double> magnitude(n);
  RunFftwComplex(plan, out, magnitude.data(), n);
  std::vector<TComplex> bins(n);
  for (int k = 0; k < n; ++k) bins[k] = {out[k][0], out[k][1]};
  if (Agrees(state, Mismatch(OurSpectrum(n), bins.data(), magnitude.data(), n, 1.0 / n),
             "FFTW's complex transform")) {
    for (auto _ : state) {
      RunFftwComplex(plan, out, magnitude.data(), n);
      benchmark::DoNotOptimize(magnitude.data());
      benchmark::ClobberMemory();
    }
  }
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

// |x| of `count` bins, two at a time where SSE2 is there (as Fft computes them).
void Magnitudes(const TComplex* x, double* magnitude, int count) {
  int k = 0;
#if defined(__SSE2__)
  for (; k + 1 < count; k += 2) {
    const __m128d a = _mm_loadu_pd(&x[k].re);  // re0 im0
    const __m128d b = _mm_loadu_pd(&x[k + 1].re);
    const __m128d aa = _mm_mul_pd(a, a), bb = _mm_mul_pd(b, b);
    const __m128d sum = _mm_add_pd(_mm_unpacklo_pd(aa, bb), _mm_unpackhi_pd(aa, bb));
    _mm_storeu_pd(magnitude + k, _mm_sqrt_pd(sum));
  }
#endif
  for (; k < count; ++k) magnitude[k] = std::sqrt(x[k].re * x[k].re + x[k].im * x[k].im);
}

// The timed part of FftwReal: the r2c transform, then Fft's layout, sign and scale.
void RunFftwReal(const fftw_plan plan, const fftw_complex* half, TComplex* result,
                 double* magnitude, int n) {
  fftw_execute(plan);
  const double scale = 1.0 / n;
  for (int k = 0; k <= n / 2; ++k) {  // X[k] = conj(Y[k]) / N
    result[k].re = half[k][0] * scale;
    result[k].im = -half[k][1] * scale;
  }
  for (int k = n / 2 + 1; k < n; ++k) {  // X[k] = conj(X[N-k]) for real input
    result[k].re = result[n - k].re;
    result[k].im = -result[n - k].im;
  }
  Magnitudes(result, magnitude, n / 2 + 1);
  for (int k = n / 2 + 1; k <= n - 2; ++k) magnitude[k] = magnitude[n - k];  // |X[N-k]| = |X[k]|
}

void BM_FftwReal(benchmark::State& state) {
  const int n = int(state.range(0));
  auto* in = static_cast<double*>(fftw_malloc(sizeof(double) * n));
  auto* half = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (n / 2 + 1)));
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, half, FFTW_MEASURE);
  for (int i = 0; i < n; ++i) in[i] = Sample(i);  // after planning, which overwrites
  std::vector<TComplex> result(n);
  std::vector<double> magnitude(n);
  RunFftwReal(plan, half, result.data(), magnitude.data(), n);
  if (Agrees(state, Mismatch(OurSpectrum(n), result.data(), magnitude.data(), n, 1.0),
             "FFTW's real-input transform")) {
    for (auto _ : state) {
      RunFftwReal(plan, half, result.data(), magnitude.data(), n);
      benchmark::DoNotOptimize(result.data());
      benchmark::DoNotOptimize(magnitude.data());
      benchmark::ClobberMemory();
    }
  }
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(half);
}

}  // namespace

BENCHMARK(BM_FftwComplex)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftwReal)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fft)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftPortable)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
