#pragma once
// The immediate-mode drawing surface that plots draw on. Coordinates are pixels with y
// growing downwards; anything outside 0..Width()-1 x 0..Height()-1 is clipped.
//
// Semantics the plots rely on:
//  - LineTo draws from the current point up to, but not including, its end point, and
//    makes the end point current;
//  - a dotted pen draws every other pixel of a line, starting with its first;
//  - FillRect(l, t, r, b) fills l <= x < r, t <= y < b with the brush colour;
//  - TextOut draws with the font colour; the text's top-left is at (x, y).

#include <cstdint>
#include <string>

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace Colors {
constexpr Rgb Black{0, 0, 0};
constexpr Rgb White{255, 255, 255};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb Green{0, 128, 0};
constexpr Rgb Blue{0, 0, 255};
}  // namespace Colors

enum class PenStyle { Solid, Dotted };

class Canvas {
public:
  virtual ~Canvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetPenColor(Rgb c) = 0;
  virtual void SetPenStyle(PenStyle s) = 0;
  virtual void SetBrushColor(Rgb c) = 0;
  virtual void SetFontColor(Rgb c) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void FillRect(int left, int top, int right, int bottom) = 0;
  virtual void TextOut(int x, int y, const std::string& utf8) = 0;
};
