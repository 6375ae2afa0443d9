#include "ui/ScrollBar.h"

#include "ui/PlaceControl.h"

ScrollBar::ScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation,
                     const QRect& place, Range range)
    : QScrollBar(orientation, parent) {
  PlaceControl(this, name, place);
  setRange(range.min, range.max);
  setValue(range.position);
  setPageStep(range.largeChange);
  setSingleStep(range.smallChange);
  // actionTriggered comes before the new position is applied: the handler may adjust it.
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderNoAction || !OnScroll) return;
    int pos = sliderPosition();
    OnScroll(pos);
    setSliderPosition(pos);
  });
}
