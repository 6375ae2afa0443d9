#include "model/ViewSettings.h"

#include <cmath>

#include "base/nearest.h"

double StartFftLevel(std::uint32_t bits) { return std::pow(2.0, double(bits)) * 0.1 / 255; }

std::optional<std::int32_t> WaveGridStepOfItem(int item) {
  if (item < 0 || item >= int(kWaveGridSteps.size())) return std::nullopt;
  return kWaveGridSteps[std::size_t(item)];
}

std::optional<std::int32_t> FftGridStepOfItem(int item) {
  if (item < 0 || item >= int(kFftGridSteps.size())) return std::nullopt;
  return kFftGridSteps[std::size_t(item)];
}

int ZoomOfBar(int max, int position) { return max - position + 1; }

std::optional<ScaleChoice> ChooseScalesFor(std::uint32_t rate, std::uint32_t fftSize) {
  if (rate == 0) return std::nullopt;
  ScaleChoice c;
  // The spectrum grid from the Nyquist frequency over 20: the largest step it reaches.
  const std::uint32_t q = (rate / 2) / 20;
  c.fftItem = q >= 1000 ? 3 : q >= 500 ? 2 : q >= 200 ? 1 : 0;
  c.fftGridStep = kFftGridSteps[std::size_t(c.fftItem)];
  // The waveform grid from the milliseconds of one view window, over 6.
  const std::int64_t w = Nearest(double(fftSize) / double(rate) * 1000) / 6;
  c.waveItem = w >= 10 ? 2 : w >= 5 ? 1 : 0;
  c.waveGridStep = kWaveGridSteps[std::size_t(c.waveItem)];
  return c;
}

std::uint32_t FftSizeOfItem(int item) { return std::uint32_t(Nearest(std::pow(2.0, item))) * 256; }
