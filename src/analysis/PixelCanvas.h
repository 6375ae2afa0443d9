#pragma once
// Canvas over a caller's 32-bit pixel buffer (0xFFRRGGBB per pixel, rows `stride` pixels
// apart), so line and fill semantics are exact and the same with or without a toolkit.
// Text needs a font renderer: TextOut here does nothing; toolkit canvases override it.
// Single-threaded: use from the thread that owns the buffer.

#include <cstdint>

#include "analysis/Canvas.h"

class PixelCanvas : public Canvas {
public:
  PixelCanvas(std::uint32_t* pixels, int width, int height, int stride);

  // Points the canvas at another buffer (after the owner reallocated it); keeps the pen.
  void Rebind(std::uint32_t* pixels, int width, int height, int stride);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetPenColor(Rgb c) override { pen_ = c; }
  void SetPenStyle(PenStyle s) override { style_ = s; }
  void SetBrushColor(Rgb c) override { brush_ = c; }
  void SetFontColor(Rgb c) override { font_ = c; }
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void FillRect(int left, int top, int right, int bottom) override;
  void TextOut(int, int, const std::string&) override {}

  Rgb PixelAt(int x, int y) const;  // black outside the buffer
  Rgb PenColor() const { return pen_; }
  Rgb FontColor() const { return font_; }
  int CurrentX() const { return curX_; }
  int CurrentY() const { return curY_; }

  static std::uint32_t Pack(Rgb c) { return 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b; }

private:
  void Plot64(std::int64_t x, std::int64_t y);

  std::uint32_t* pixels_;
  int width_, height_, stride_;
  Rgb pen_{}, brush_{}, font_{};
  PenStyle style_ = PenStyle::Solid;
  int curX_ = 0, curY_ = 0;
};
