#include "ui/ImageCanvas.h"

#include <QPainter>

ImageCanvas::ImageCanvas(QImage& image)
    : PixelCanvas(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                  int(image.bytesPerLine() / 4)),
      image_(image) {}

void ImageCanvas::Rebind() {
  PixelCanvas::Rebind(reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(),
                      image_.height(), int(image_.bytesPerLine() / 4));
}

void ImageCanvas::SetBrushColor(Rgb c) {
  brush_ = c;
  PixelCanvas::SetBrushColor(c);
}

void ImageCanvas::TextOut(int x, int y, const std::string& utf8) {
  const QString text = QString::fromUtf8(utf8.c_str());
  Own();
  QPainter p(&image_);
  p.setFont(font_);
  const QFontMetrics fm(font_);
  const QRect box(x, y, fm.horizontalAdvance(text), fm.height());
  p.fillRect(box, QColor(brush_.r, brush_.g, brush_.b));
  const Rgb fc = FontColor();
  p.setPen(QColor(fc.r, fc.g, fc.b));
  p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  Touch();
}

// A copy of the image shares its pixels until one side writes; the canvas writes through
// its own pointer, so it makes the box's image the sole owner first.
void ImageCanvas::Own() {
  if (!image_.isDetached()) {
    image_.detach();
    Rebind();
  }
}

void ImageCanvas::LineTo(int x, int y) {
  Own();
  PixelCanvas::LineTo(x, y);
  Touch();
}

void ImageCanvas::FillRect(int left, int top, int right, int bottom) {
  Own();
  PixelCanvas::FillRect(left, top, right, bottom);
  Touch();
}
