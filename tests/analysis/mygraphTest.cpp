#include "analysis/mygraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/PixelCanvas.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// A paint box image: a PixelCanvas over its own black pixels.
struct Image {
  Image(int w, int h) : pixels(std::size_t(w) * h, 0xFF000000u), canvas(pixels.data(), w, h, w) {}
  std::vector<std::uint32_t> pixels;
  PixelCanvas canvas;
  int Count(Rgb c) const {
    int n = 0;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x) n += canvas.PixelAt(x, y) == c;
    return n;
  }
  int TopRow(Rgb c) const {  // first row holding colour c, -1 if none
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x)
        if (canvas.PixelAt(x, y) == c) return y;
    return -1;
  }
  // True when exactly columns [x0, x1] of row y hold c and no other pixel does.
  bool OnlyRow(int y, int x0, int x1, Rgb c) const {
    for (int x = x0; x <= x1; ++x)
      if (!(canvas.PixelAt(x, y) == c)) return false;
    return Count(c) == x1 - x0 + 1;
  }
};

// Records the drawing calls, for the exact points of a trace.
struct Recorder : Canvas {
  struct Op {
    char kind;  // 'M' move, 'L' line, 'P' pen colour
    int x, y;
    Rgb pen;
  };
  int w, h;
  std::vector<Op> ops;
  Recorder(int width, int height) : w(width), h(height) {}
  int Width() const override { return w; }
  int Height() const override { return h; }
  void SetPenColor(Rgb c) override { ops.push_back({'P', 0, 0, c}); }
  void SetPenStyle(PenStyle) override {}
  void SetBrushColor(Rgb) override {}
  void SetFontColor(Rgb) override {}
  void MoveTo(int x, int y) override { ops.push_back({'M', x, y, {}}); }
  void LineTo(int x, int y) override { ops.push_back({'L', x, y, {}}); }
  void FillRect(int, int, int, int) override {}
  void TextOut(int, int, const std::string&) override {}
  // The points of the n-th polyline (0-based): its MoveTo and following LineTos.
  std::vector<Op> Trace(int n) const {
    std::vector<Op> t;
    int seen = -1;
    for (const Op& op : ops) {
      if (op.kind == 'M') ++seen;
      if (seen == n && op.kind != 'P') t.push_back(op);
      if (seen > n) break;
    }
    return t;
  }
};

std::vector<std::uint8_t> Bytes8(int n, std::uint8_t v) { return std::vector<std::uint8_t>(n, v); }

// 8-bit mono: 128 + nearest(sum of amplitude * sin(2 pi f t)).
std::vector<std::uint8_t> Sine8(int frames, double hz, double amplitude, int rate) {
  std::vector<std::uint8_t> d(frames);
  for (int i = 0; i < frames; ++i)
    d[i] = std::uint8_t(128 + std::nearbyint(amplitude * std::sin(2 * kPi * hz * i / rate)));
  return d;
}

void Put16(std::vector<std::uint8_t>& d, std::size_t at, int v) {
  d[at] = std::uint8_t(v & 0xFF);
  d[at + 1] = std::uint8_t((v >> 8) & 0xFF);
}

struct TestArrays {
  std::vector<double> input = std::vector<double>(4096, 0.0);
  std::vector<double> magnitude = std::vector<double>(4096, 0.0);
  std::vector<TComplex> spectrum = std::vector<TComplex>(4096, TComplex{0, 0});
  std::vector<TComplex> work = std::vector<TComplex>(4096, TComplex{0, 0});
  FftArrays Arrays() {
    return FftArrays{input.data(), magnitude.data(), spectrum.data(), work.data()};
  }
};

SpectrumDraw Spectrum(Canvas& box, const std::vector<std::uint8_t>& d, int bits, int channels,
                      TestArrays& a, double span = 4000, int N = 512,
                      std::optional<double> level = std::nullopt) {
  return DrawSpectrumBox(box, SoundView{d.data(), std::int64_t(d.size()), channels, bits, 0, N},
                         SpectrumStyle{8000, 1, span, level}, a.Arrays());
}

// ---- Waveform ----

TEST(WavePlot, DrawWaveBox_EightBitMonoRows) {
  // s = 169/512; byte 128 -> 84.5 -> 84 (ties to even), 255 -> 42.58 -> 43, 0 -> 126.75 -> 127.
  for (auto [byte, row] : {std::pair{128, 84}, {255, 43}, {0, 127}}) {
    SCOPED_TRACE(byte);
    Image img(393, 169);
    const auto d = Bytes8(256, std::uint8_t(byte));
    DrawWaveBox(img.canvas, SoundView{d.data(), 256, 1, 8, 0, 256}, WaveStyle{1, 1});
    // The last point, x = 391, is a line end and not drawn.
    EXPECT_TRUE(img.OnlyRow(row, 0, 390, Colors::Green));
  }
}

TEST(WavePlot, DrawWaveBox_ZoomNineDrawsBelowTheBox) {
  Image img(393, 169);
  const auto d = Bytes8(256, 0);  // y = nearest(84.5 + 128 * 0.330078125 * 9) = 465
  DrawWaveBox(img.canvas, SoundView{d.data(), 256, 1, 8, 0, 256}, WaveStyle{1, 9});
  EXPECT_EQ(img.Count(Colors::Green), 0);
}

TEST(WavePlot, DrawWaveTrace_PointsSpanTheWidth) {
  Recorder rec(393, 169);
  const auto d = Bytes8(256, 128);
  DrawWaveBox(rec, SoundView{d.data(), 256, 1, 8, 0, 256}, WaveStyle{1, 1});
  const auto t = rec.Trace(0);
  ASSERT_EQ(t.size(), 256u);  // MoveTo + 255 LineTo
  EXPECT_EQ(t[0].x, 0);
  EXPECT_EQ(t[1].x, 2);      // 1.535
  EXPECT_EQ(t[2].x, 3);      // 3.07
  EXPECT_EQ(t[3].x, 5);      // 4.605
  EXPECT_EQ(t[128].x, 196);  // 196.5, ties to even
  EXPECT_EQ(t[255].x, 391);
  for (std::size_t i = 1; i < t.size(); ++i) ASSERT_GE(t[i].x, t[i - 1].x + 1);
}

TEST(WavePlot, DrawWaveBox_SixteenBitStereoChannels) {
  // Frame i: channel 1 = 100 i, channel 2 = -100 i; 4 bytes per frame.
  const int n = 256;
  std::vector<std::uint8_t> d(n * 4);
  for (int i = 0; i < n; ++i) {
    Put16(d, 4 * i, 100 * i);
    Put16(d, 4 * i + 2, -100 * i);
  }
  Recorder rec(393, 169);
  DrawWaveBox(rec, SoundView{d.data(), std::int64_t(d.size()), 2, 16, 0, n}, WaveStyle{1, 1});
  ASSERT_EQ(rec.ops.front().kind, 'P');
  EXPECT_EQ(rec.ops.front().pen, Colors::Green);
  const auto c1 = rec.Trace(0), c2 = rec.Trace(1);
  ASSERT_EQ(c1.size(), 256u);
  ASSERT_EQ(c2.size(), 256u);
  // s = 169/131072: frame 200 gives 56.333 - 25.787 -> 31 and 112.667 + 25.787 -> 138.
  EXPECT_EQ(c1[200].y, 31);
  EXPECT_EQ(c2[200].y, 138);
  EXPECT_EQ(c1[0].y, 56);   // 169/3
  EXPECT_EQ(c2[0].y, 113);  // 2*169/3
  bool blue = false;
  for (const auto& op : rec.ops) blue |= op.kind == 'P' && op.pen == Colors::Blue;
  EXPECT_TRUE(blue);

  Image img(393, 169);
  std::vector<std::uint8_t> flat(n * 4);
  for (int i = 0; i < n; ++i) {
    Put16(flat, 4 * i, 16384);
    Put16(flat, 4 * i + 2, -16384);
  }
  DrawWaveBox(img.canvas, SoundView{flat.data(), std::int64_t(flat.size()), 2, 16, 0, n},
              WaveStyle{1, 1});
  EXPECT_TRUE(img.OnlyRow(35, 0, 390, Colors::Green));  // 56.333 - 21.125
  EXPECT_TRUE(img.OnlyRow(134, 0, 390, Colors::Blue));  // 112.667 + 21.125
}

TEST(WavePlot, DrawWaveBox_OtherFormatsDrawNothing) {
  const auto d = Bytes8(4096, 0);
  for (auto [bits, channels] : {std::pair{12, 1}, {24, 1}, {8, 3}, {16, 0}}) {
    Image img(393, 169);
    DrawWaveBox(img.canvas, SoundView{d.data(), 4096, channels, bits, 0, 256}, WaveStyle{1, 1});
    EXPECT_EQ(img.Count(Colors::Black), 393 * 169) << bits << " " << channels;
  }
}

TEST(WavePlot, DrawWaveBox_NeverReadsPastTheBlock) {
  const auto d = Bytes8(100, 200);  // 100 frames for a 256-frame window
  Recorder rec(393, 169);
  DrawWaveBox(rec, SoundView{d.data(), 100, 1, 8, 0, 256}, WaveStyle{1, 1});
  EXPECT_EQ(rec.Trace(0).size(), 100u);  // stops at the last frame
  Recorder past(393, 169), before(393, 169), zeroStep(393, 169);
  DrawWaveBox(past, SoundView{d.data(), 100, 1, 8, 100, 256}, WaveStyle{1, 1});
  DrawWaveBox(before, SoundView{d.data(), 100, 1, 8, -1, 256}, WaveStyle{1, 1});
  DrawWaveBox(zeroStep, SoundView{d.data(), 100, 1, 8, 0, 256}, WaveStyle{0, 1});
  EXPECT_TRUE(past.Trace(0).empty());
  EXPECT_TRUE(before.Trace(0).empty());
  EXPECT_TRUE(zeroStep.Trace(0).empty());
  // 16-bit stereo, 2.5 frames: two whole frames per channel.
  Recorder odd(393, 169);
  DrawWaveBox(odd, SoundView{d.data(), 10, 2, 16, 0, 256}, WaveStyle{1, 1});
  EXPECT_EQ(odd.Trace(0).size(), 2u);
  EXPECT_EQ(odd.Trace(1).size(), 2u);
}

// ---- Spectrum ----

TEST(SpectrumPlot, HammingWindow_SymmetricWithEnds008) {
  for (int n : {2, 512, 4096}) {
    const double* w = HammingWindow(n);
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(w[0], 0.08, 1e-15);
    EXPECT_NEAR(w[n - 1], 0.08, 1e-15);
    for (int i = 0; i < n; ++i) ASSERT_NEAR(w[i], w[n - 1 - i], 1e-15);
  }
  EXPECT_NEAR(HammingWindow(4096)[2047], 1.0, 1e-6);
  EXPECT_EQ(HammingWindow(1000), nullptr);
  EXPECT_EQ(HammingWindow(8192), nullptr);
}

TEST(SpectrumPlot, DrawSpectrumBox_SineAt1000HzDrawnAtRows149And164) {
  const auto d = Sine8(512, 1000, 100, 8000);
  TestArrays a;
  Image img(393, 177);
  EXPECT_EQ(Spectrum(img.canvas, d, 8, 1, a), SpectrumDraw::Drawn);
  EXPECT_NEAR(a.magnitude[64], 27.01, 0.01);
  EXPECT_NEAR(a.magnitude[63], 11.53, 0.01);
  EXPECT_NEAR(a.magnitude[65], 11.53, 0.01);
  // g = 512: bin 63 at x 97, bin 64 at 98, bin 65 at 100.
  EXPECT_EQ(img.canvas.PixelAt(98, 149), Colors::White);
  EXPECT_EQ(img.canvas.PixelAt(97, 164), Colors::White);
  EXPECT_EQ(img.canvas.PixelAt(100, 164), Colors::White);
  EXPECT_EQ(img.TopRow(Colors::White), 149);

  Recorder rec(393, 177);
  Spectrum(rec, d, 8, 1, a);
  const auto t = rec.Trace(0);
  ASSERT_EQ(t.size(), 511u);  // bins 0 .. 510 (g - 1 = 511 is past N - 2)
  EXPECT_EQ(t[256].x, 393);   // 4000 Hz at the right edge
  EXPECT_EQ(t[64].y, 149);
}

TEST(SpectrumPlot, DrawSpectrumBox_Span1000DrawsBins0To127) {
  const auto d = Sine8(512, 1000, 100, 8000);
  TestArrays a;
  Recorder rec(393, 177);
  Spectrum(rec, d, 8, 1, a, 1000);
  const auto t = rec.Trace(0);
  ASSERT_EQ(t.size(), 128u);  // g = 128
  EXPECT_EQ(t[64].x, 393);    // 1000 Hz at the right edge
  EXPECT_EQ(t[64].y, 149);
  EXPECT_EQ(t[127].x, 780);
}

TEST(SpectrumPlot, DrawSpectrumTrace_SpanAboveHalfRateStopsAtBinNMinus2) {
  std::vector<double> m(512, 0.0);
  Recorder rec(393, 177);
  DrawSpectrumTrace(rec, m.data(), 512, SpectrumStyle{8000, 1, 8000}, {176, -1});  // g = 1024
  const auto t = rec.Trace(0);
  ASSERT_EQ(t.size(), 511u);
  EXPECT_EQ(t.back().x, 391);  // bin 510 at nearest(2 * 510 * 393 / 1024) = nearest(391.46)
}

TEST(SpectrumPlot, DrawSpectrumTrace_NoAxisWithoutRateOrSpan) {
  std::vector<double> m(512, 1.0);
  for (double span : {0.0, -100.0, std::nan("")}) {
    Recorder rec(393, 177);
    DrawSpectrumTrace(rec, m.data(), 512, SpectrumStyle{8000, 1, span}, {176, -1});
    EXPECT_EQ(rec.Trace(0).size(), 1u);
  }
  Recorder rec(393, 177);
  DrawSpectrumTrace(rec, m.data(), 512, SpectrumStyle{0, 1, 4000}, {176, -1});
  EXPECT_EQ(rec.Trace(0).size(), 1u);
}

TEST(SpectrumPlot, DrawSpectrumBox_SilenceIsFlatOnTheBaseline) {
  TestArrays a;
  Image mono(393, 177);
  Spectrum(mono.canvas, Bytes8(512, 128), 8, 1, a);
  EXPECT_TRUE(mono.OnlyRow(176, 0, 392, Colors::White));

  Image stereo(393, 177);
  Spectrum(stereo.canvas, Bytes8(1024, 128), 8, 2, a);
  EXPECT_EQ(stereo.Count(Colors::White), 2 * 393);
  for (int x = 0; x < 393; ++x) {
    ASSERT_EQ(stereo.canvas.PixelAt(x, 88), Colors::White);  // nearest(88.5)
    ASSERT_EQ(stereo.canvas.PixelAt(x, 176), Colors::White);
  }
}

TEST(SpectrumPlot, DrawSpectrumBox_StereoChannelsOnTheirBaselines) {
  // Channel 1: 1000 Hz (bin 64); channel 2: 2000 Hz (bin 128).
  const auto c1 = Sine8(512, 1000, 100, 8000), c2 = Sine8(512, 2000, 100, 8000);
  std::vector<std::uint8_t> d(1024);
  for (int i = 0; i < 512; ++i) {
    d[2 * i] = c1[i];
    d[2 * i + 1] = c2[i];
  }
  TestArrays a;
  Image img(393, 177);
  EXPECT_EQ(Spectrum(img.canvas, d, 8, 2, a), SpectrumDraw::Drawn);
  EXPECT_EQ(img.canvas.PixelAt(98, 61), Colors::White);    // 88 - 27.01
  EXPECT_EQ(img.canvas.PixelAt(196, 149), Colors::White);  // x(128) = nearest(196.5)
  EXPECT_EQ(img.TopRow(Colors::White), 61);
  // The arrays hold channel 2.
  EXPECT_NEAR(a.magnitude[128], 27.0, 0.1);
  EXPECT_LT(a.magnitude[64], 0.05);
}

TEST(SpectrumPlot, DrawSpectrumBox_SixteenBitHeightNearEightBit) {
  TestArrays a;
  std::vector<std::uint8_t> d16(1024);
  for (int i = 0; i < 512; ++i)
    Put16(d16, 2 * i, int(std::nearbyint(32767 * std::sin(2 * kPi * 64 * i / 512))));
  Image img16(393, 177);
  Spectrum(img16.canvas, d16, 16, 1, a);
  EXPECT_NEAR(a.magnitude[64] / 255, 34.6, 0.1);
  EXPECT_EQ(img16.TopRow(Colors::White), 141);  // 176 - 34.64

  Image img8(393, 177);
  Spectrum(img8.canvas, Sine8(512, 1000, 127, 8000), 8, 1, a);
  EXPECT_NEAR(a.magnitude[64], 34.2, 0.1);
  EXPECT_EQ(img8.TopRow(Colors::White), 142);  // 176 - 34.23
}

TEST(SpectrumPlot, DrawSpectrumBox_OtherWidthDrawsFlatOnTheBaseline) {
  TestArrays a;
  for (int i = 0; i < 512; ++i) a.input[i] = 50.0 * (i % 7);  // left by an earlier plot
  Image img(393, 177);
  Spectrum(img.canvas, Bytes8(4096, 7), 12, 1, a);
  EXPECT_TRUE(img.OnlyRow(176, 0, 392, Colors::White));
  EXPECT_EQ(a.input[3], 150.0);  // nothing stored
}

TEST(SpectrumPlot, DrawSpectrumBox_RefusesWithoutTouchingAnything) {
  const auto d = Sine8(8192, 1000, 100, 8000);
  constexpr double kGuard = -9.0;
  TestArrays a;
  a.input.assign(8192, kGuard);
  a.magnitude.assign(8192, kGuard);
  Image img(393, 177);
  auto run = [&](int N, int channels, double* input, double* mag) {
    return DrawSpectrumBox(img.canvas, SoundView{d.data(), 8192, channels, 8, 0, N},
                           SpectrumStyle{8000, 1, 4000, std::nullopt},
                           FftArrays{input, mag, a.spectrum.data(), a.work.data()});
  };
  // An invalid N must not fill the input for N values.
  EXPECT_EQ(run(8192, 1, a.input.data(), a.magnitude.data()), SpectrumDraw::NotDrawn);
  EXPECT_EQ(run(1000, 1, a.input.data(), a.magnitude.data()), SpectrumDraw::NotDrawn);
  EXPECT_EQ(run(512, 3, a.input.data(), a.magnitude.data()), SpectrumDraw::NotDrawn);
  EXPECT_EQ(run(512, 1, nullptr, a.magnitude.data()), SpectrumDraw::NotDrawn);
  EXPECT_EQ(run(512, 1, a.input.data(), nullptr), SpectrumDraw::NotDrawn);
  for (int i = 0; i < 8192; ++i) {
    ASSERT_EQ(a.input[i], kGuard);
    ASSERT_EQ(a.magnitude[i], kGuard);
  }
  EXPECT_EQ(img.Count(Colors::Black), 393 * 177);
}

TEST(SpectrumPlot, DrawSpectrumBox_MissingFramesCountAsSilence) {
  const auto d = Bytes8(100, 200);  // 100 frames for a 512-point window
  TestArrays a;
  a.input.assign(4096, -1.0);
  Image img(393, 177);
  EXPECT_EQ(Spectrum(img.canvas, d, 8, 1, a), SpectrumDraw::Drawn);
  EXPECT_DOUBLE_EQ(a.input[50], HammingWindow(512)[50] * 72);
  for (int i = 100; i < 512; ++i) ASSERT_EQ(a.input[i], 0.0);
  EXPECT_EQ(a.input[512], -1.0);
}

TEST(SpectrumPlot, DrawSpectrumBox_LevelLineComesBetweenTheChannels) {
  TestArrays a;
  Recorder rec(393, 177);
  Spectrum(rec, Bytes8(1024, 128), 8, 2, a, 4000, 512, 0.5);
  // Trace 0 (channel 1), trace 1 (level line), trace 2 (channel 2).
  const auto level = rec.Trace(1);
  ASSERT_EQ(level.size(), 2u);
  EXPECT_EQ(level[0].y, 88);  // nearest(-0.5 + 88) = nearest(87.5)
  EXPECT_EQ(level[1].x, 393);
  EXPECT_EQ(rec.Trace(2)[0].y, 176);
  int greens = 0, whitesAfterGreen = 0;
  for (const auto& op : rec.ops) {
    if (op.kind != 'P') continue;
    if (op.pen == Colors::Green) ++greens;
    if (op.pen == Colors::White && greens) ++whitesAfterGreen;
  }
  EXPECT_EQ(greens, 1);
  EXPECT_EQ(whitesAfterGreen, 1);  // channel 2 sets white again
}

TEST(SpectrumPlot, TransformReadoutChannel_LeavesTheArraysAsTheDrawingDoes) {
  // Stereo 16-bit with a different tone per channel, the last window short of frames: the
  // readout's transform alone must leave every array as the full drawing does.
  std::vector<std::uint8_t> d(4 * 400);
  for (int i = 0; i < 400; ++i) {
    Put16(d, 4 * i, std::int16_t(9000 * std::sin(2 * M_PI * 700 * i / 8000.0)));
    Put16(d, 4 * i + 2, std::int16_t(7000 * std::sin(2 * M_PI * 1300 * i / 8000.0)));
  }
  for (const int channels : {1, 2}) {
    TestArrays drawn, alone;
    Image img(393, 177);
    const SoundView view{d.data(), std::int64_t(d.size()), channels, 16, 0, 512};
    ASSERT_EQ(DrawSpectrumBox(img.canvas, view, SpectrumStyle{8000, 1, 4000, {}}, drawn.Arrays()),
              SpectrumDraw::Drawn);
    ASSERT_TRUE(TransformReadoutChannel(view, alone.Arrays()));
    for (int i = 0; i < 512; ++i) {
      ASSERT_EQ(alone.input[i], drawn.input[i]) << channels << " " << i;
      ASSERT_EQ(alone.spectrum[i].re, drawn.spectrum[i].re);
      ASSERT_EQ(alone.spectrum[i].im, drawn.spectrum[i].im);
    }
    for (int i = 0; i < 511; ++i) ASSERT_EQ(alone.magnitude[i], drawn.magnitude[i]);
  }
  // A channel the view does not have writes nothing.
  TestArrays a;
  a.input.assign(4096, -1.0);
  const SoundView mono{d.data(), std::int64_t(d.size()), 1, 16, 0, 512};
  EXPECT_FALSE(TransformChannel(mono, 1, a.Arrays()));
  EXPECT_FALSE(TransformChannel(mono, -1, a.Arrays()));
  EXPECT_EQ(a.input[0], -1.0);
}

}  // namespace
