#include "ScrollBar.h"

#include "PlaceControl.h"

ScrollBar::ScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation, int left,
                     int top, int width, int height, int min, int max, int position,
                     int largeChange, int smallChange)
    : QScrollBar(orientation, parent) {
  PlaceControl(this, name, left, top, width, height);
  setRange(min, max);
  setValue(position);
  setPageStep(largeChange);
  setSingleStep(smallChange);
  // actionTriggered comes before the new position is applied: the handler may adjust it.
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderNoAction || !OnScroll) return;
    int pos = sliderPosition();
    OnScroll(pos);
    setSliderPosition(pos);
  });
}
