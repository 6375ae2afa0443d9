// One full redraw of both views as the main window's RedrawViews does it, for a 4096-point
// 16-bit stereo frame at 44100 Hz with the span at half the rate (every bin drawn): clear,
// grid and waveform on 393 x 169; clear, grid, window, two transforms, two traces and the
// level line on 393 x 177; then the peak search on the window's analysis object. The same
// calls run on three targets:
//   Redraw4096Stereo16: plain pixel buffers (PixelCanvas), the core drawing alone;
//   Redraw4096Stereo16PaintBox/0: the QImages of two shown PaintBoxes through their
//     ImageCanvas, as the window draws: adds the canvas' per-call check that the image is
//     not shared and the one update() a batch of drawing schedules on each box;
//   Redraw4096Stereo16PaintBox/1: the same, then both boxes repainted at once (their paint
//     events copy the images to the window's backing store on the offscreen platform).
// Left out: the readout label, the handler and event dispatch around the redraw, and the
// platform's flush to a real screen. The QApplication is made in main (bench_main.cpp).

#include <benchmark/benchmark.h>

#include <QWidget>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/PixelCanvas.h"
#include "analysis/SpectrumAnalysis.h"
#include "analysis/mygraph.h"
#include "analysis/viewgrid.h"
#include "ui/PaintBox.h"

namespace {

constexpr int kN = 4096;
constexpr std::uint32_t kRate = 44100;
constexpr double kSpan = kRate / 2, kLevel = 65536 * 0.1 / 255;

// Two tones on channel 1, one on channel 2.
std::vector<std::uint8_t> Frame() {
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
  return data;
}

// The calls of RedrawViews for the frame; true when the base frequency was found.
bool Redraw(Canvas& wave, Canvas& fft, const SoundView& view, SpectrumAnalysis& analysis) {
  ClearBox(wave);
  DrawGrid(wave, 10, 50, WaveGridSpan(kN, kRate));
  DrawWaveBox(wave, view, WaveStyle{1, 1});
  ClearBox(fft);
  DrawGrid(fft, 1000, 5000, kSpan);
  DrawSpectrumBox(fft, view, SpectrumStyle{kRate, 1, kSpan, kLevel}, analysis.Arrays());
  return analysis.FindPeaks({kN, kRate, kLevel, 20, true});
}

void BM_Redraw4096Stereo16(benchmark::State& state) {
  const std::vector<std::uint8_t> data = Frame();
  const SoundView view{data.data(), std::int64_t(data.size()), 2, 16, 0, kN};
  std::vector<std::uint32_t> wavePixels(393 * 169), fftPixels(393 * 177);
  PixelCanvas wave(wavePixels.data(), 393, 169, 393), fft(fftPixels.data(), 393, 177, 393);
  SpectrumAnalysis analysis;
  if (!analysis.Allocate()) {
    state.SkipWithError("no memory for the analysis arrays");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(Redraw(wave, fft, view, analysis));
    benchmark::ClobberMemory();
  }
  state.counters["BaseFreq"] = analysis.BaseFreq;
}

void BM_Redraw4096Stereo16PaintBox(benchmark::State& state) {
  const bool repaint = state.range(0) != 0;
  const std::vector<std::uint8_t> data = Frame();
  const SoundView view{data.data(), std::int64_t(data.size()), 2, 16, 0, kN};
  // The two views at their places in the window's client area.
  QWidget client;
  client.resize(638, 392);
  auto* gra = new PaintBox(&client, "PaintBoxGra", QRect(8, 0, 393, 169), Qt::black);
  auto* fftBox = new PaintBox(&client, "PaintBoxFft", QRect(8, 192, 393, 177), Qt::black);
  client.show();
  SpectrumAnalysis analysis;
  if (!analysis.Allocate()) {
    state.SkipWithError("no memory for the analysis arrays");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(Redraw(gra->Canvas(), fftBox->Canvas(), view, analysis));
    if (repaint) {
      gra->repaint();
      fftBox->repaint();
    } else {
      // What a paint event does for the canvas, so that the next batch schedules its
      // update() again as it does in the window.
      gra->Canvas().MarkShown();
      fftBox->Canvas().MarkShown();
    }
    benchmark::ClobberMemory();
  }
  state.counters["BaseFreq"] = analysis.BaseFreq;
}

}  // namespace

BENCHMARK(BM_Redraw4096Stereo16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Redraw4096Stereo16PaintBox)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
