// One full redraw of both views at core level, as the main window's RedrawViews does it
// for a 4096-point 16-bit stereo frame at 44100 Hz with the span at half the rate (every
// bin drawn): clear, grid and waveform on 393 x 169; clear, grid, window, two transforms,
// two traces and the level line on 393 x 177; then FindPeaks.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/PeakAnalysis.h"
#include "analysis/PixelCanvas.h"
#include "analysis/mygraph.h"
#include "analysis/viewgrid.h"

namespace {

void BM_Redraw4096Stereo16(benchmark::State& state) {
  constexpr int kN = 4096, kRate = 44100;
  std::vector<std::uint8_t> data(kN * 4);
  for (int i = 0; i < kN; ++i) {
    const int c1 = int(std::nearbyint(12000 * std::sin(2 * M_PI * 220 * i / kRate) +
                                      6000 * std::sin(2 * M_PI * 440 * i / kRate)));
    const int c2 = int(std::nearbyint(9000 * std::sin(2 * M_PI * 330 * i / kRate)));
    for (int k = 0; k < 2; ++k) {
      const int v = k == 0 ? c1 : c2;
      data[4 * i + 2 * k] = std::uint8_t(v & 0xFF);
      data[4 * i + 2 * k + 1] = std::uint8_t((v >> 8) & 0xFF);
    }
  }
  std::vector<std::uint32_t> wavePixels(393 * 169), fftPixels(393 * 177);
  PixelCanvas wave(wavePixels.data(), 393, 169, 393), fft(fftPixels.data(), 393, 177, 393);
  std::vector<double> input(4096), magnitude(4096);
  std::vector<TComplex> spectrum(4096), work(4096);
  std::uint32_t peakCount = 0;
  double peakLevel[kPeakSlots];
  std::uint32_t peakHarmonic[kPeakSlots];
  TComplex peakValue[kPeakSlots];
  std::int32_t baseFreq = 0;
  const double span = kRate / 2, level = 65536 * 0.1 / 255;

  for (auto _ : state) {
    ClearBox(wave);
    DrawGrid(wave, 10, 50, WaveGridSpan(kN, kRate));
    DrawWaveBox(1, kN, 1, wave, 16, 2, 0, data.data(), std::int64_t(data.size()));
    ClearBox(fft);
    DrawGrid(fft, 1000, 5000, span);
    DrawSpectrumBox(kRate, kN, 1, fft, 16, 2, 0, data.data(), std::int64_t(data.size()),
                    input.data(), magnitude.data(), spectrum.data(), work.data(), span, level);
    const bool found = FindPeaks({magnitude.data(), spectrum.data(), kN, kRate, level, 20, true},
                                 {peakCount, peakLevel, peakHarmonic, peakValue, baseFreq});
    benchmark::DoNotOptimize(found);
    benchmark::ClobberMemory();
  }
  state.counters["BaseFreq"] = baseFreq;
}

}  // namespace

BENCHMARK(BM_Redraw4096Stereo16)->Unit(benchmark::kMicrosecond);
