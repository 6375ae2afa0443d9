#pragma once
// A paint box: a fixed-size widget holding an image of its own size. Handlers draw on
// Canvas() at once; paintEvent only shows the image. OnPaint runs when the box is first
// shown, so its owner can draw the initial picture. GUI thread only.

#include <QImage>
#include <QWidget>
#include <functional>

#include "ui/ImageCanvas.h"

class PaintBox : public QWidget {
  Q_OBJECT
public:
  PaintBox(QWidget* parent, const QString& name, const QRect& place, const QColor& background);

  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  ImageCanvas& Canvas() { return canvas_; }
  const QImage& Image() const { return image_; }

  std::function<void()> OnPaint;
  // Mouse press at (x, y) in box pixels.
  std::function<void(Qt::MouseButton button, int x, int y)> OnMouseDown;

protected:
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  QImage image_;
  ImageCanvas canvas_;
  bool shown_ = false;
};
