#include "analysis/PixelCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

struct Image {
  Image(int w, int h, int stride = 0)
      : pixels(std::size_t(stride ? stride : w) * h, kBlack),
        canvas(pixels.data(), w, h, stride ? stride : w) {
    canvas.SetPenColor(Colors::White);
    canvas.SetBrushColor(Colors::Red);
  }
  std::vector<std::uint32_t> pixels;
  PixelCanvas canvas;
  bool White(int x, int y) const { return canvas.PixelAt(x, y) == Colors::White; }
  int Count(Rgb c) const {
    int n = 0;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x) n += canvas.PixelAt(x, y) == c;
    return n;
  }
};

TEST(PixelCanvas, LineTo_ExcludesTheEndPoint) {
  Image img(10, 10);
  img.canvas.MoveTo(2, 3);
  img.canvas.LineTo(6, 3);
  for (int x = 2; x <= 5; ++x) EXPECT_TRUE(img.White(x, 3)) << x;
  EXPECT_FALSE(img.White(6, 3));
  EXPECT_EQ(img.canvas.CurrentX(), 6);
  // The next segment starts at the old end point and draws it.
  img.canvas.LineTo(6, 7);
  for (int y = 3; y <= 6; ++y) EXPECT_TRUE(img.White(6, y)) << y;
  EXPECT_FALSE(img.White(6, 7));
  EXPECT_EQ(img.Count(Colors::White), 8);
  // A zero-length line draws nothing.
  Image dot(4, 4);
  dot.canvas.MoveTo(1, 1);
  dot.canvas.LineTo(1, 1);
  EXPECT_EQ(dot.Count(Colors::White), 0);
}

TEST(PixelCanvas, LineTo_MinorAxisRoundsHalfUp) {
  Image img(10, 10);
  img.canvas.MoveTo(0, 0);
  img.canvas.LineTo(4, 2);  // exact y: 0, 0.5, 1, 1.5
  EXPECT_TRUE(img.White(0, 0));
  EXPECT_TRUE(img.White(1, 1));
  EXPECT_TRUE(img.White(2, 1));
  EXPECT_TRUE(img.White(3, 2));
  EXPECT_EQ(img.Count(Colors::White), 4);
}

TEST(PixelCanvas, LineTo_DottedDrawsEveryOtherPixelFromTheStart) {
  Image img(12, 12);
  img.canvas.SetPenStyle(PenStyle::Dotted);
  img.canvas.MoveTo(0, 0);
  img.canvas.LineTo(0, 12);
  for (int y = 0; y < 12; ++y) EXPECT_EQ(img.White(0, y), y % 2 == 0) << y;
  // Counted from the line's start even where the start is clipped away.
  img.canvas.MoveTo(-3, 5);
  img.canvas.LineTo(12, 5);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(img.White(x, 5), x % 2 != 0) << x;
  // Upwards: from the start point down to (not including) the end.
  Image up(4, 8);
  up.canvas.SetPenStyle(PenStyle::Dotted);
  up.canvas.MoveTo(1, 7);
  up.canvas.LineTo(1, 0);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(up.White(1, y), y % 2 == 1) << y;
}

TEST(PixelCanvas, LineTo_VeryLongLinesClipCheaply) {
  Image img(16, 8);
  img.canvas.MoveTo(-2000000000, 4);
  img.canvas.LineTo(2000000000, 4);
  for (int x = 0; x < 16; ++x) EXPECT_TRUE(img.White(x, 4));
  EXPECT_EQ(img.Count(Colors::White), 16);
  // Steep and mostly off the box: the visible rows lie near x = 8.
  Image steep(16, 8);
  steep.canvas.MoveTo(8, -2000000000);
  steep.canvas.LineTo(9, 2000000000);
  EXPECT_EQ(steep.Count(Colors::White), 8);
  for (int y = 0; y < 8; ++y) EXPECT_TRUE(steep.White(8, y) || steep.White(9, y));
  // Entirely outside.
  Image none(16, 8);
  none.canvas.MoveTo(-5, -1000000);
  none.canvas.LineTo(2000000000, -999999);
  EXPECT_EQ(none.Count(Colors::White), 0);
}

TEST(PixelCanvas, FillRect_HalfOpenAndClipped) {
  Image img(6, 5);
  img.canvas.FillRect(1, 1, 3, 4);
  EXPECT_EQ(img.Count(Colors::Red), 6);
  EXPECT_EQ(img.canvas.PixelAt(1, 1), Colors::Red);
  EXPECT_EQ(img.canvas.PixelAt(2, 3), Colors::Red);
  EXPECT_EQ(img.canvas.PixelAt(3, 3), Colors::Black);
  EXPECT_EQ(img.canvas.PixelAt(2, 4), Colors::Black);
  Image all(6, 5);
  all.canvas.FillRect(-100, -100, 100, 100);
  EXPECT_EQ(all.Count(Colors::Red), 30);
  Image inverted(6, 5);
  inverted.canvas.FillRect(4, 4, 1, 1);
  EXPECT_EQ(inverted.Count(Colors::Red), 0);
}

TEST(PixelCanvas, Stride_PaddingIsNeverWritten) {
  Image img(4, 3, 6);
  img.canvas.FillRect(0, 0, 100, 100);
  img.canvas.MoveTo(-10, 1);
  img.canvas.LineTo(100, 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 4; x < 6; ++x) EXPECT_EQ(img.pixels[y * 6 + x], kBlack);
  EXPECT_EQ(img.canvas.PixelAt(4, 0), Colors::Black);  // outside reads black
  EXPECT_EQ(img.canvas.PixelAt(-1, 0), Colors::Black);
}

}  // namespace

// Every pixel of a line, clipped or not, is where the closed form puts it: point i of n
// at major0 + i along the major axis and floor((2 i |dMinor| + n) / 2n) along the minor.
TEST(PixelCanvas, LineTo_MatchesClosedFormForManyLines) {
  std::uint32_t seed = 12345;
  auto next = [&seed](int lo, int hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + int((seed >> 8) % std::uint32_t(hi - lo + 1));
  };
  for (int round = 0; round < 400; ++round) {
    Image img(37, 23);
    const int x0 = next(-60, 90), y0 = next(-60, 90), x1 = next(-60, 90), y1 = next(-60, 90);
    img.canvas.SetPenStyle(round % 3 ? PenStyle::Solid : PenStyle::Dotted);
    img.canvas.MoveTo(x0, y0);
    img.canvas.LineTo(x1, y1);
    std::vector<std::uint32_t> expected(std::size_t(37) * 23, kBlack);
    const long dx = x1 - x0, dy = y1 - y0, adx = std::labs(dx), ady = std::labs(dy);
    const long n = std::max(adx, ady);
    for (long i = 0; i < n; ++i) {
      if (round % 3 == 0 && (i & 1)) continue;
      const long major = i, minor = (2 * i * std::min(adx, ady) + n) / (2 * n);
      long x, y;
      if (adx >= ady) {
        x = x0 + (dx > 0 ? major : -major);
        y = y0 + (dy > 0 ? minor : -minor);
      } else {
        y = y0 + (dy > 0 ? major : -major);
        x = x0 + (dx > 0 ? minor : -minor);
      }
      if (x >= 0 && y >= 0 && x < 37 && y < 23) expected[std::size_t(y * 37 + x)] = 0xFFFFFFFFu;
    }
    ASSERT_EQ(img.pixels, expected) << x0 << "," << y0 << " -> " << x1 << "," << y1;
  }
}
