#include "analysis/viewgrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "analysis/PixelCanvas.h"
#include "analysis/mygraph.h"

namespace {

struct Image {
  Image(int w, int h) : pixels(std::size_t(w) * h, 0xFF000000u), canvas(pixels.data(), w, h, w) {}
  std::vector<std::uint32_t> pixels;
  PixelCanvas canvas;
  // Columns whose pixel in row y has colour c.
  std::set<int> Columns(int y, Rgb c) const {
    std::set<int> s;
    for (int x = 0; x < canvas.Width(); ++x)
      if (canvas.PixelAt(x, y) == c) s.insert(x);
    return s;
  }
};

TEST(ViewGrid, DrawGrid_WaveGridAt8000HzAnd512Points) {
  Image img(393, 169);
  const double span = WaveGridSpan(512, 8000);
  EXPECT_EQ(span, 64.0);
  DrawGrid(img.canvas, 10, 50, span);
  // Row 0 holds every line; row 1 only the solid one (dotted lines skip odd rows).
  EXPECT_EQ(img.Columns(0, Colors::Red), (std::set<int>{61, 123, 184, 246, 307, 368}));
  EXPECT_EQ(img.Columns(1, Colors::Red), (std::set<int>{307}));
  EXPECT_EQ(img.Columns(168, Colors::Red), (std::set<int>{61, 123, 184, 246, 307, 368}));
}

TEST(ViewGrid, DrawGrid_SpectrumGridAt4000HzSpan) {
  Image img(393, 177);
  DrawGrid(img.canvas, 100, 500, 4000);
  std::set<int> dotted;
  for (int i = 1; i <= 40; ++i) {
    const int x = int(std::nearbyint(9.825 * i));
    if (x < 393) dotted.insert(x);
  }
  EXPECT_EQ(img.Columns(0, Colors::Red), dotted);
  // 500 Hz lines; 196.5 rounds to 196 and the one at 393 falls outside the box.
  EXPECT_EQ(img.Columns(1, Colors::Red), (std::set<int>{49, 98, 147, 196, 246, 295, 344}));
}

TEST(ViewGrid, DrawGrid_LeavesThePenSolid) {
  Image img(20, 10);
  DrawGrid(img.canvas, 100, 500, 4000);
  img.canvas.MoveTo(0, 5);
  img.canvas.LineTo(20, 5);
  EXPECT_EQ(img.Columns(5, Colors::Red).size(), 20u);
}

TEST(ViewGrid, DrawGrid_DegenerateStepsStayBounded) {
  // Lines denser than a pixel: every column once, dotted, in time bounded by the width.
  Image dense(393, 177);
  DrawGrid(dense.canvas, 1e-9, 0, 4000);
  EXPECT_EQ(dense.Columns(0, Colors::Red).size(), 393u);
  EXPECT_TRUE(dense.Columns(1, Colors::Red).empty());
  for (double bad : {0.0, -100.0, std::nan(""), double(INFINITY)}) {
    Image img(393, 177);
    DrawGrid(img.canvas, bad, bad, 4000);
    DrawGrid(img.canvas, 100, 500, bad);
    EXPECT_TRUE(img.Columns(0, Colors::Red).empty()) << bad;
  }
  EXPECT_EQ(WaveGridSpan(512, 0), 0.0);
}

TEST(ViewGrid, DrawLevelLine_FallsWhereTheTraceDrawsThatLevel) {
  Image img(393, 177);
  DrawLevelLine(img.canvas, 176, SpectrumScale(8), 27.01, 1);
  EXPECT_EQ(img.Columns(149, Colors::Green).size(), 393u);
  Image start(393, 177);  // the start level 25.6/255 sits on the bottom row
  DrawLevelLine(start.canvas, 176, SpectrumScale(8), 25.6 / 255, 1);
  EXPECT_EQ(start.Columns(176, Colors::Green).size(), 393u);
  Image wide(393, 177);
  DrawLevelLine(wide.canvas, 176, SpectrumScale(16), 76 * 255, 1);
  EXPECT_EQ(wide.Columns(100, Colors::Green).size(), 393u);
}

TEST(ViewGrid, DrawFilterLine_GreenColumnFullHeight) {
  Image img(393, 14);
  DrawFilterLine(img.canvas, 100);
  for (int y = 0; y < 14; ++y) EXPECT_EQ(img.Columns(y, Colors::Green), (std::set<int>{100}));
}

TEST(ViewGrid, LevelFromClick_LineThroughTheClickedRow) {
  EXPECT_EQ(*LevelFromClick(176, 176, 1, -1.0), 0.0);  // bottom row: every peak passes
  EXPECT_NEAR(*LevelFromClick(100, 176, 1, SpectrumScale(16)), 76 * 255, 1e-9);
  EXPECT_NEAR(*LevelFromClick(76, 176, 4, -1.0), 25.0, 1e-12);
  EXPECT_FALSE(LevelFromClick(100, 176, 1, SpectrumScale(12)).has_value());
}

TEST(ViewGrid, FilterFreqFromClick_NearestHertz) {
  EXPECT_EQ(FilterFreqFromClick(100, 4000, 393), 1018u);
  EXPECT_EQ(FilterFreqFromClick(0, 4000, 393), 0u);
  EXPECT_EQ(FilterFreqFromClick(-5, 4000, 393), 0u);
  EXPECT_EQ(FilterFreqFromClick(100, 4000, 0), 0u);
  EXPECT_EQ(FilterXFromFreq(20, 393, 4000), 2);  // 1.965
  EXPECT_EQ(FilterXFromFreq(20, 393, 0), 0);
}

TEST(ViewGrid, StepFftSpan_ArrowsWalkBetween200AndHalfTheRate) {
  double span = 4000;
  std::int32_t x = 2;
  for (auto [s, fx] : {std::pair{2000.0, 4}, {1000.0, 8}, {500.0, 16}, {250.0, 32}}) {
    EXPECT_TRUE(StepFftSpan(true, span, x, 8000));
    EXPECT_EQ(span, s);
    EXPECT_EQ(x, fx);
  }
  EXPECT_FALSE(StepFftSpan(true, span, x, 8000));  // 125 < 200
  EXPECT_EQ(span, 250.0);
  EXPECT_EQ(x, 32);
  for (auto [s, fx] : {std::pair{500.0, 16}, {1000.0, 8}, {2000.0, 4}, {4000.0, 2}}) {
    EXPECT_TRUE(StepFftSpan(false, span, x, 8000));
    EXPECT_EQ(span, s);
    EXPECT_EQ(x, fx);
  }
  EXPECT_FALSE(StepFftSpan(false, span, x, 8000));  // 8000 > 4000
  EXPECT_EQ(span, 4000.0);
  EXPECT_EQ(x, 2);
  x = 3;
  span = 1000;
  EXPECT_TRUE(StepFftSpan(false, span, x, 8000));
  EXPECT_EQ(x, 1);  // halved, truncated
}

}  // namespace
