// Fft against FFTW's complex transform of the same real samples plus the same magnitude
// loop, N = 256 .. 4096. Our Fft includes the 1/N scaling; FFTW's run does not.

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <vector>

#include "analysis/myfft.h"

namespace {

double Sample(int i) { return 100.0 * std::sin(0.37 * i) + 20.0 * std::cos(1.91 * i); }

void BM_Fft(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<double> input(n), magnitude(n);
  std::vector<TComplex> result(n), work(n);
  for (int i = 0; i < n; ++i) input[i] = Sample(i);
  if (!Fft(n, input.data(), magnitude.data(), result.data(), work.data()))  // builds the plan
    state.SkipWithError("Fft refused the size");
  for (auto _ : state) {
    Fft(n, input.data(), magnitude.data(), result.data(), work.data());
    benchmark::DoNotOptimize(magnitude.data());
    benchmark::ClobberMemory();
  }
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
  for (auto _ : state) {
    fftw_execute(plan);
    for (int k = 0; k <= n - 2; ++k)
      magnitude[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]);
    benchmark::DoNotOptimize(magnitude.data());
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

}  // namespace

BENCHMARK(BM_Fft)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftwComplex)->RangeMultiplier(2)->Range(256, 4096)->Unit(benchmark::kMicrosecond);
