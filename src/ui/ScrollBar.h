#pragma once
// A scroll bar whose OnScroll runs for the user's scrolling only (arrows, page clicks,
// dragging, keys, wheel); setting the position, range or steps from code runs nothing.
// OnScroll receives the position the action leads to and may change it; the bar then
// takes that position. A new range clamps the position. GUI thread only.

#include <QScrollBar>
#include <functional>

class ScrollBar : public QScrollBar {
  Q_OBJECT
public:
  ScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation, int left, int top,
            int width, int height, int min, int max, int position, int largeChange,
            int smallChange);

  int Position() const { return value(); }
  void SetPosition(int position) { setValue(position); }
  void SetMax(int max) { setMaximum(max); }
  void SetLargeChange(int step) { setPageStep(step); }
  void SetSmallChange(int step) { setSingleStep(step); }

  std::function<void(int& position)> OnScroll;
};
