#include "analysis/mygraph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include "analysis/PlotCoord.h"
#include "analysis/viewgrid.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Sample `index` of one channel, `channels` samples apart: its signed value, silence 0.
inline int SampleValue(const std::uint8_t* first, std::int64_t index, int channels, int bits) {
  if (bits == 8) return int(first[index * channels]) - 128;
  const std::uint8_t* p = first + index * channels * 2;
  return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
}

// Fills input[0 .. N-1] with the windowed samples of one channel, silence past `frames`.
// Returns the spectrum scale; other widths store nothing and give 0.
double LoadChannel(int N, int bits, int channels, const std::uint8_t* first, std::int64_t frames,
                   double* input) {
  if (bits != 8 && bits != 16) return 0.0;
  const double* w = HammingWindow(N);
  const int n = int(std::min<std::int64_t>(N, frames));
  for (int i = 0; i < n; ++i) input[i] = w[i] * SampleValue(first, i, channels, bits);
  for (int i = n; i < N; ++i) input[i] = 0.0;  // w * silence
  return SpectrumScale(bits);
}

}  // namespace

void ClearBox(Canvas& box) {
  box.SetBrushColor(Colors::Black);
  box.FillRect(0, 0, box.Width(), box.Height());
}

double WaveScale(int bits, int height) {
  double s = 1.0;
  for (int i = 0; i < bits && s > 0.0; ++i) s /= 2.0;
  return s * height / 2.0;
}

void DrawWaveBox(Canvas& box, const SoundView& view, const WaveStyle& style) {
  const int bits = view.bits, channels = view.channels;
  box.SetPenStyle(PenStyle::Solid);
  box.SetPenColor(Colors::Green);
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || !view.data) return;
  if (view.FramesAvailable() == 0) return;
  const double h = box.Height();
  if (channels == 1) {
    DrawWaveTrace(box, view, 0, h / 2.0, style);
    return;
  }
  DrawWaveTrace(box, view, 0, h / 3.0, style);
  box.SetPenColor(Colors::Blue);
  DrawWaveTrace(box, view, 1, 2.0 * h / 3.0, style);
}

void DrawWaveTrace(Canvas& box, const SoundView& view, int channel, double centre,
                   const WaveStyle& style) {
  const int step = style.step, N = view.frames, channels = view.channels, bits = view.bits;
  const std::int64_t frames = view.FramesAvailable();
  if (step < 1 || N < 1 || frames < 1 || channel < 0 || channel >= channels ||
      (bits != 8 && bits != 16))
    return;
  const std::uint8_t* first = view.data + view.offset + channel * (bits / 8);
  const double scale = WaveScale(bits, box.Height());
  const int zoom = style.zoom;
  const double w = box.Width();
  // v = -(signed value): larger sound values are drawn higher.
  auto y = [&](std::int64_t frame) {
    return PlotCoord(-double(SampleValue(first, frame, channels, bits)) * scale * zoom + centre);
  };
  box.MoveTo(0, y(0));
  const int points = N / step;
  for (int i = 1; i < points; ++i) {
    const std::int64_t frame = std::int64_t(i) * step;
    if (frame >= frames) break;
    const double x = double(step) * double(Nearest(w * i / N));
    box.LineTo(PlotCoord(x), y(frame));
  }
}

double SpectrumScale(int bits) {
  if (bits == 8) return -1.0;
  if (bits == 16) return -1.0 / 255.0;
  return 0.0;
}

const double* HammingWindow(int N) {
  if (!IsFftSize(N)) return nullptr;
  // Sizes 2, 4, ..., 4096 packed one after the other: size N starts at N - 2.
  static std::array<double, 8190> table;
  static std::array<std::once_flag, 13> built;
  int index = 0;
  while ((1 << index) < N) ++index;
  double* w = table.data() + (N - 2);
  std::call_once(built[index], [&] {
    for (int i = 0; i < N; ++i) w[i] = double(0.54L - 0.46L * std::cos(2 * kPi * i / (N - 1)));
  });
  return w;
}

std::optional<double> TransformChannel(const SoundView& view, int channel,
                                       const FftArrays& arrays) {
  const int N = view.frames, bits = view.bits, channels = view.channels;
  // Check before the input is filled: an invalid N must not write N values into arrays
  // sized for the largest valid one.
  if (!arrays.Complete() || !view.data || !IsFftSize(N) || (channels != 1 && channels != 2) ||
      channel < 0 || channel >= channels)
    return std::nullopt;
  const int bytes = bits == 16 ? 2 : 1;
  // Other widths store nothing, but are stepped through as one byte per sample.
  SoundView stepped = view;
  stepped.bits = bytes * 8;
  const std::int64_t frames = stepped.FramesAvailable();
  // Unread when no frame is available.
  const std::uint8_t* first = frames > 0 ? view.data + view.offset + channel * bytes : nullptr;
  const double f = LoadChannel(N, bits, channels, first, frames, arrays.input);
  if (!Fft(N, arrays.input, arrays.magnitude, arrays.spectrum, arrays.work)) return std::nullopt;
  return f;
}

bool TransformReadoutChannel(const SoundView& view, const FftArrays& arrays) {
  return TransformChannel(view, view.channels - 1, arrays).has_value();
}

SpectrumDraw DrawSpectrumBox(Canvas& box, const SoundView& view, const SpectrumStyle& style,
                             const FftArrays& arrays) {
  const int N = view.frames, channels = view.channels;
  const auto f1 = TransformChannel(view, 0, arrays);
  if (!f1) return SpectrumDraw::NotDrawn;
  box.SetPenStyle(PenStyle::Solid);
  box.SetPenColor(Colors::White);
  const double h = box.Height();
  const int baseline = PlotCoord(channels == 1 ? h - 1 : h / 2.0);
  DrawSpectrumTrace(box, arrays.magnitude, N, style, {baseline, *f1});
  if (style.level) DrawLevelLine(box, baseline, *f1, *style.level, style.zoom);
  if (channels == 1) return SpectrumDraw::Drawn;

  const auto f2 = TransformChannel(view, 1, arrays);
  if (!f2) return SpectrumDraw::SecondTransformFailed;
  box.SetPenStyle(PenStyle::Solid);
  box.SetPenColor(Colors::White);
  DrawSpectrumTrace(box, arrays.magnitude, N, style, {PlotCoord(h - 1), *f2});
  return SpectrumDraw::Drawn;
}

void DrawSpectrumTrace(Canvas& box, const double* magnitudes, int N, const SpectrumStyle& style,
                       TraceBase base) {
  const std::uint32_t rate = style.rate;
  const int zoom = style.zoom, baseline = base.baseline;
  const double f = base.f, span = style.span;
  if (N < 2 || !magnitudes) return;
  auto y = [&](int h) { return PlotCoord(f * magnitudes[h] * zoom + baseline); };
  box.MoveTo(0, y(0));
  // Hz per box width, doubled: with no rate or no positive span there is no axis.
  const double hzPerSpan = (double(rate) / 2.0) / span;
  if (rate == 0 || !(span > 0) || !(hzPerSpan > 0)) return;
  const double gd = double(N) / hzPerSpan;
  const std::int64_t g = gd > 1e15 ? std::int64_t(1e15) : Nearest(gd);
  const std::int64_t last = std::min<std::int64_t>(g - 1, N - 2);
  const double w = box.Width();
  for (int h = 1; h <= last; ++h) box.LineTo(PlotCoord(2.0 * h * w / double(g)), y(h));
}
