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
  struct Range {
    int min = 0;
    int max = 100;
    int position = 0;
    int largeChange = 10;
    int smallChange = 1;
  };
  ScrollBar(QWidget* parent, const QString& name, Qt::Orientation orientation, const QRect& place,
            Range range);

  int Position() const { return value(); }
  void SetPosition(int position) { setValue(position); }
  void SetMax(int max) { setMaximum(max); }
  void SetLargeChange(int step) { setPageStep(step); }
  void SetSmallChange(int step) { setSingleStep(step); }

  std::function<void(int& position)> OnScroll;
};
