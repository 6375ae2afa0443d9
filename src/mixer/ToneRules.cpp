#include "mixer/ToneRules.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "base/nearest.h"

std::int32_t HarmonicLimit(std::uint32_t rate, std::int32_t f0) {
  const std::int64_t half = Nearest(rate / 2.0);
  const std::int64_t limit = half / std::clamp<std::int32_t>(f0, 1, 2000);
  return std::int32_t(std::min<std::int64_t>(120, limit));
}

std::int64_t GeneratedSize(std::uint32_t nAvgBytesPerSec, std::int32_t position) {
  const std::int64_t product = std::int64_t(nAvgBytesPerSec) * std::clamp(position, 1, 30);
  return Nearest(double(product) * 0.1);
}

std::int32_t WholeDegrees(double radians) {
  const double degrees = radians * 180 / std::numbers::pi;
  if (std::isnan(degrees)) return 0;
  constexpr auto lo = std::numeric_limits<std::int32_t>::min();
  constexpr auto hi = std::numeric_limits<std::int32_t>::max();
  if (degrees <= lo) return lo;
  if (degrees >= hi) return hi;
  return std::int32_t(Nearest(degrees));
}

double DegreesToPhase(std::int32_t degrees) { return degrees * std::numbers::pi / 180; }
