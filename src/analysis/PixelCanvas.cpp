#include "analysis/PixelCanvas.h"

#include <algorithm>
#include <cstdlib>

PixelCanvas::PixelCanvas(std::uint32_t* pixels, int width, int height, int stride)
    : pixels_(pixels), width_(width), height_(height), stride_(stride) {}

void PixelCanvas::Rebind(std::uint32_t* pixels, int width, int height, int stride) {
  pixels_ = pixels;
  width_ = width;
  height_ = height;
  stride_ = stride;
}

void PixelCanvas::MoveTo(int x, int y) {
  curX_ = x;
  curY_ = y;
}

void PixelCanvas::Plot64(std::int64_t x, std::int64_t y) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * stride_ + x] = Pack(pen_);
}

// Lines step one pixel along their major axis per point, the minor coordinate rounded
// half up; the end point is not drawn. Only the stretch of the major axis that lies in the
// box is walked, so a line thousands of pixels long (a zoomed trace) costs no more than
// one across the box. Dotted lines draw points 0, 2, 4, ... counted from the line's start.
void PixelCanvas::LineTo(int x, int y) {
  const std::int64_t x0 = curX_, y0 = curY_;
  curX_ = x;
  curY_ = y;
  const std::int64_t dx = std::int64_t(x) - x0, dy = std::int64_t(y) - y0;
  const std::int64_t adx = std::llabs(dx), ady = std::llabs(dy);
  const bool xMajor = adx >= ady;
  const std::int64_t n = xMajor ? adx : ady;  // points drawn
  if (n == 0) return;
  const std::int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  const int majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
  const std::int64_t aMinor = xMajor ? ady : adx;
  const std::int64_t limit = xMajor ? width_ : height_;
  // Points i with 0 <= major0 + majorStep * i < limit.
  std::int64_t first, last;  // half-open [first, last)
  if (majorStep > 0) {
    first = std::max<std::int64_t>(0, -major0);
    last = std::min<std::int64_t>(n, limit - major0);
  } else {
    first = std::max<std::int64_t>(0, major0 - (limit - 1));
    last = std::min<std::int64_t>(n, major0 + 1);
  }
  if (first >= last) return;
  // Minor offset of point i: floor((2 i aMinor + n) / 2n), carried from point to point
  // (2 aMinor <= 2n, so it grows by at most one per point).
  const std::int64_t twoN = 2 * n, stepNum = 2 * aMinor;
  const __int128 num0 = __int128(2) * first * aMinor + n;
  std::int64_t off = std::int64_t(num0 / twoN), rem = std::int64_t(num0 % twoN);
  for (std::int64_t i = first; i < last; ++i) {
    if (style_ == PenStyle::Solid || !(i & 1)) {
      const std::int64_t major = major0 + majorStep * i, minor = minor0 + minorStep * off;
      if (xMajor)
        Plot64(major, minor);
      else
        Plot64(minor, major);
    }
    rem += stepNum;
    if (rem >= twoN) {
      rem -= twoN;
      ++off;
    }
  }
}

void PixelCanvas::FillRect(int left, int top, int right, int bottom) {
  const int l = std::max(left, 0), t = std::max(top, 0);
  const int r = std::min(right, width_), b = std::min(bottom, height_);
  const std::uint32_t c = Pack(brush_);
  for (int y = t; y < b; ++y)
    std::fill(pixels_ + y * stride_ + l, pixels_ + y * stride_ + std::max(r, l), c);
}

Rgb PixelCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Colors::Black;
  const std::uint32_t p = pixels_[y * stride_ + x];
  return Rgb{std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)};
}
