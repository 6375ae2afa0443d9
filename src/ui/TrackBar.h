#pragma once
// A slider with an optional selection band (SelStart..SelEnd) drawn beside the groove.
// OnChange runs on every real change of position, from code as from the user, after the
// position was clamped to the range. Vertical bars have their minimum at the top.
// GUI thread only.

#include <QSlider>
#include <functional>

class TrackBar : public QSlider {
  Q_OBJECT
public:
  struct Range {
    int min = 0;
    int max = 100;
    int position = 0;
  };
  TrackBar(QWidget* parent, const QString& name, Qt::Orientation orientation, const QRect& place,
           Range range);

  int Position() const { return value(); }
  void SetPosition(int position) { setValue(position); }
  void SetSelection(int start, int end);
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }

  std::function<void()> OnChange;

protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  // The widget's palette with a transparent highlight, for the groove. Made once per
  // palette: the style caches what it draws under the palette's key, and a palette changed
  // at every paint had it cache a new picture each time (GUI thread only).
  void MakeGroovePalette();

  int selStart_ = 0, selEnd_ = 0;
  QPalette groove_;
};
