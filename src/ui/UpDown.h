#pragma once
// A horizontal pair of arrow buttons. OnClick tells which was pressed; the right arrow is
// the increasing direction, "next". GUI thread only.

#include <QWidget>
#include <functional>

class QToolButton;

class UpDown : public QWidget {
  Q_OBJECT
public:
  enum class Button { Next, Previous };

  UpDown(QWidget* parent, const QString& name, const QRect& place);

  QToolButton* NextButton() const { return next_; }
  QToolButton* PreviousButton() const { return previous_; }

  std::function<void(Button)> OnClick;

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  QToolButton* previous_;
  QToolButton* next_;
};
