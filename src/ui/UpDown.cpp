#include "ui/UpDown.h"

#include "ui/PlaceControl.h"

#include <QKeyEvent>
#include <QToolButton>

UpDown::UpDown(QWidget* parent, const QString& name, const QRect& place)
    : QWidget(parent), previous_(new QToolButton(this)), next_(new QToolButton(this)) {
  PlaceControl(this, name, place);
  const int width = place.width(), height = place.height();
  setFocusPolicy(Qt::TabFocus);
  const int half = width / 2;
  previous_->setObjectName(name + QStringLiteral("_previous"));
  next_->setObjectName(name + QStringLiteral("_next"));
  previous_->setArrowType(Qt::LeftArrow);
  next_->setArrowType(Qt::RightArrow);
  previous_->setGeometry(0, 0, half, height);
  next_->setGeometry(half, 0, width - half, height);
  previous_->setAutoRepeat(true);
  next_->setAutoRepeat(true);
  for (auto* b : {previous_, next_}) b->setFocusPolicy(Qt::NoFocus);
  connect(previous_, &QToolButton::clicked, this, [this] {
    if (OnClick) OnClick(Button::Previous);
  });
  connect(next_, &QToolButton::clicked, this, [this] {
    if (OnClick) OnClick(Button::Next);
  });
}

void UpDown::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up) {
    if (OnClick) OnClick(Button::Next);
  } else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down) {
    if (OnClick) OnClick(Button::Previous);
  } else {
    QWidget::keyPressEvent(event);
  }
}
