#include "mixer/FrequencyScale.h"

#include <algorithm>

#include "base/nearest.h"

std::vector<ScaleLabel> FrequencyScaleLabels(int width, std::int32_t f0, int bank) {
  const std::int64_t f = std::clamp<std::int32_t>(f0, 1, 2000);
  const std::int64_t b = std::clamp(bank, 0, 3);
  std::vector<ScaleLabel> labels;
  for (std::int64_t k = 1; k <= 20; ++k) {
    const std::int64_t x = Nearest(double(width) * double(500 * k) / double(30 * f)) - 25;
    if (x >= width) break;
    labels.push_back({int(x), std::to_string(500 * k + 30 * f * b)});
  }
  return labels;
}

int PhaseGridX(int width, int i) { return int(Nearest(i * (double(width) / 14))); }
