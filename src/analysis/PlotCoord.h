#pragma once
// A computed plot coordinate as a canvas integer: nearest, ties to even. Values beyond
// +-2^30 (far outside any box, e.g. from an absurd zoom) are held there so that the int
// never wraps back into the box; NaN goes far off the box too.

#include <cmath>

#include "base/nearest.h"

inline int PlotCoord(double v) {
  constexpr double kFar = 1073741824.0;  // 2^30
  if (!(v > -kFar)) return -int(kFar);   // also NaN
  if (v > kFar) return int(kFar);
  return int(Nearest(v));
}
