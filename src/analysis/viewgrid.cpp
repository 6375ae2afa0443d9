#include "analysis/viewgrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/PlotCoord.h"

namespace {

void VerticalLine(Canvas& box, int x) {
  box.MoveTo(x, 0);
  box.LineTo(x, box.Height());
}

// One set of grid lines, x = nearest(i * W * step / span), i = 1 .. nearest(span / step).
void DrawGridLines(Canvas& box, double step, double span) {
  if (!(step > 0) || !(span > 0) || !std::isfinite(step) || !std::isfinite(span)) return;
  const double ratio = std::min(span / step, 1e15);  // lines across the box
  const std::int64_t count = Nearest(ratio);
  if (count < 1) return;
  const double w = box.Width();
  auto x = [&](std::int64_t i) { return PlotCoord(double(i) * w * step / span); };
  if (w * step / span >= 1.0) {
    for (std::int64_t i = 1; i <= count; ++i) VerticalLine(box, x(i));
    return;
  }
  // Less than a pixel apart: consecutive lines land on the same or the next column, so
  // every column from the first line to the last gets one; draw each column once.
  const int last = std::min(x(count), box.Width());
  for (int c = std::max(x(1), 0); c <= last; ++c) VerticalLine(box, c);
}

}  // namespace

void DrawGrid(Canvas& box, double minor, double major, double span) {
  box.SetPenColor(Colors::Red);
  box.SetPenStyle(PenStyle::Dotted);
  DrawGridLines(box, minor, span);
  box.SetPenStyle(PenStyle::Solid);
  DrawGridLines(box, major, span);
}

void DrawLevelLine(Canvas& box, int baseline, double f, double level, int zoom) {
  box.SetPenColor(Colors::Green);
  box.SetPenStyle(PenStyle::Solid);
  const int y = PlotCoord(f * level * zoom + baseline);
  box.MoveTo(0, y);
  box.LineTo(box.Width(), y);
}

void DrawFilterLine(Canvas& box, int x) {
  box.SetPenColor(Colors::Green);
  box.SetPenStyle(PenStyle::Solid);
  VerticalLine(box, x);
}

double WaveGridSpan(int N, std::uint32_t rate) {
  return rate == 0 ? 0.0 : double(N) * 1000.0 / rate;
}

std::optional<double> LevelFromClick(int y, int baseline, int zoom, double f) {
  const double scale = zoom * f;
  if (scale == 0 || !std::isfinite(scale)) return std::nullopt;
  return (double(y) - baseline) / scale;
}

std::uint32_t FilterFreqFromClick(int x, double span, int width) {
  if (width <= 0) return 0;
  const double hz = double(x) * span / width;
  if (!(hz > 0)) return 0;  // also NaN
  if (hz >= 4294967295.0) return 4294967295u;
  return std::uint32_t(Nearest(hz));
}

std::int32_t FilterXFromFreq(std::uint32_t freq, int width, double span) {
  if (!(span > 0)) return 0;
  const double x = double(std::int64_t(freq) * width) / span;
  return std::int32_t(std::clamp<std::int64_t>(Nearest(std::clamp(x, -2e9, 2e9)),
                                               std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

bool StepFftSpan(bool next, double& span, std::int32_t& filterX, std::uint32_t recSampleRate) {
  if (next) {
    const double newSpan = span / 2;
    if (!(newSpan >= 200)) return false;  // also NaN
    span = newSpan;
    filterX = std::int32_t(std::clamp<std::int64_t>(std::int64_t(filterX) * 2,
                                                    std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
    return true;
  }
  const double newSpan = span * 2;
  if (!(newSpan <= recSampleRate / 2.0)) return false;
  span = newSpan;
  filterX /= 2;
  return true;
}
