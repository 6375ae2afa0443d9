#include "ui/PaintBox.h"

#include "ui/PlaceControl.h"

#include <QMouseEvent>
#include <QPainter>

PaintBox::PaintBox(QWidget* parent, const QString& name, const QRect& place,
                   const QColor& background)
    : QWidget(parent), image_(place.size(), QImage::Format_RGB32), canvas_(image_) {
  PlaceControl(this, name, place);
  image_.fill(background);
  canvas_.Rebind();
  canvas_.SetFont(font());
  setAttribute(Qt::WA_OpaquePaintEvent);
  canvas_.OnDirty = [this] { update(); };
}

void PaintBox::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  // The image stays in the box's logical pixels (the drawing code and its tests work in
  // them). On a screen of several device pixels per logical one, each is repeated, not
  // interpolated: the traces stay sharp.
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(event->rect(), image_, event->rect());
  canvas_.MarkShown();
}

void PaintBox::showEvent(QShowEvent*) {
  if (shown_) return;
  shown_ = true;
  canvas_.SetFont(font());
  if (OnPaint) OnPaint();
  update();
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(event->button(), pos.x(), pos.y());
}
