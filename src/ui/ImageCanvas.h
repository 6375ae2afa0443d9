#pragma once
// Canvas over a QImage (Format_RGB32): lines and fills go through the exact PixelCanvas
// rasteriser, text through QPainter with the given font. GUI thread only.

#include <QFont>
#include <QImage>
#include <functional>

#include "analysis/PixelCanvas.h"

class ImageCanvas : public PixelCanvas {
public:
  explicit ImageCanvas(QImage& image);

  // Call after the image was replaced or resized.
  void Rebind();
  void SetFont(const QFont& font) { font_ = font; }

  // Text on an opaque background of the brush colour, top-left at (x, y).
  void TextOut(int x, int y, const std::string& utf8) override;
  void SetBrushColor(Rgb c) override;
  void LineTo(int x, int y) override;
  void FillRect(int left, int top, int right, int bottom) override;

  // Called once after the first drawing since the last MarkShown(), so the owning widget
  // can schedule one repaint for a whole batch of drawing.
  std::function<void()> OnDirty;
  void MarkShown() { dirty_ = false; }

private:
  void Own();
  void Touch() {
    if (!dirty_) {
      dirty_ = true;
      if (OnDirty) OnDirty();
    }
  }

  QImage& image_;
  QFont font_;
  Rgb brush_{};
  bool dirty_ = false;
};
