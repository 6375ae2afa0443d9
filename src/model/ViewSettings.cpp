#include "model/ViewSettings.h"

#include <cmath>

#include "base/nearest.h"

double StartFftLevel(std::uint32_t bits) { return std::pow(2.0, double(bits)) * 0.1 / 255; }

std::optional<ScaleChoice> ChooseScalesFor(std::uint32_t rate, std::uint32_t fftSize) {
  if (rate == 0) return std::nullopt;
  ScaleChoice c;
  const std::uint32_t q = (rate / 2) / 20;  // Nyquist over 20
  if (q >= 1000) {
    c.fftItem = 3, c.fftGridStep = 1000;
  } else if (q >= 500) {
    c.fftItem = 2, c.fftGridStep = 500;
  } else if (q >= 200) {
    c.fftItem = 1, c.fftGridStep = 200;
  } else {
    c.fftItem = 0, c.fftGridStep = 100;
  }
  // Milliseconds of one view window, over 6.
  const std::int64_t w = Nearest(double(fftSize) / double(rate) * 1000) / 6;
  if (w >= 10) {
    c.waveItem = 2, c.waveGridStep = 10;
  } else if (w >= 5) {
    c.waveItem = 1, c.waveGridStep = 5;
  } else {
    c.waveItem = 0, c.waveGridStep = 1;
  }
  return c;
}

std::uint32_t FftSizeOfItem(int item) {
  return std::uint32_t(Nearest(std::pow(2.0, item))) * 256;
}
