#pragma once
// A one-line edit. OnChange runs whenever the text really changes, whether the user typed
// or code set it; setting the same text again runs nothing. GUI thread only.

#include <QLineEdit>
#include <functional>

class Edit : public QLineEdit {
  Q_OBJECT
public:
  Edit(QWidget* parent, const QString& name, int left, int top, int width, int height,
       const QString& text, int maxLength = 32767);

  QString Text() const { return text(); }
  void SetText(const QString& t) { setText(t); }
  // The text read as an integer; text that is not one counts as 0.
  int IntValue() const;

  std::function<void()> OnChange;
};
