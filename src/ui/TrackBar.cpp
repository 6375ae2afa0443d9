#include "ui/TrackBar.h"

#include "ui/PlaceControl.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

TrackBar::TrackBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                   const QRect& place, Range range)
    : QSlider(orientation, parent) {
  PlaceControl(this, name, place);
  setRange(range.min, range.max);
  setValue(range.position);
  if (orientation == Qt::Vertical) {
    // Minimum at the top; the arrow keys and the wheel move the thumb the way they point.
    setInvertedAppearance(true);
    setInvertedControls(true);
  }
  connect(this, &QSlider::valueChanged, this, [this] {
    if (OnChange) OnChange();
  });
  MakeGroovePalette();
}

void TrackBar::MakeGroovePalette() {
  // The groove stays plain, as a track bar's does: a style's fill from the minimum to the
  // thumb would read as the opposite of the selection band beside it. Bars of one palette
  // share one groove palette, so that the style's cache holds one picture for all of
  // them, also across mixer windows, rather than one per bar ever made.
  static QPalette source, groove;
  static bool made = false;
  if (!made || !(palette() == source)) {
    source = palette();
    groove = source;
    groove.setColor(QPalette::Highlight, Qt::transparent);
    made = true;
  }
  groove_ = groove;
}

void TrackBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
    MakeGroovePalette();
  QSlider::changeEvent(event);
}

void TrackBar::SetSelection(int start, int end) {
  selStart_ = start;
  selEnd_ = end;
  update();
}

void TrackBar::paintEvent(QPaintEvent*) {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  if (tickPosition() != NoTicks) opt.subControls |= QStyle::SC_SliderTickmarks;
  opt.palette = groove_;
  QPainter p(this);
  style()->drawComplexControl(QStyle::CC_Slider, &opt, &p, this);
  if (selEnd_ <= selStart_) return;
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const bool vertical = orientation() == Qt::Vertical;
  const int span = vertical ? groove.height() : groove.width();
  auto at = [&](int v) {
    return QStyle::sliderPositionFromValue(minimum(), maximum(), v, span,
                                           invertedAppearance() != vertical);
  };
  p.setPen(Qt::NoPen);
  p.setBrush(palette().highlight());
  const int a = at(selStart_), b = at(selEnd_);
  if (vertical)
    p.drawRect(groove.right() + 2, groove.top() + std::min(a, b), 3, std::abs(b - a));
  else
    p.drawRect(groove.left() + std::min(a, b), groove.bottom() + 2, std::abs(b - a), 3);
}
