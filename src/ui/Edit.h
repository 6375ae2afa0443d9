#pragma once
// A one-line edit. OnChange runs whenever the text really changes, whether the user typed
// or code set it; setting the same text again runs nothing.
//
// The character limit binds what the user types or pastes only: text set by code is kept
// whole, however long, and its handler runs once with the whole text. A text longer than
// the limit can still be edited, as long as an edit does not lengthen it.
//
// GUI thread only.

#include <QLineEdit>
#include <functional>

class Edit : public QLineEdit {
  Q_OBJECT
public:
  Edit(QWidget* parent, const QString& name, const QRect& place, const QString& text,
       int limit = 32767);

  QString Text() const { return text(); }
  void SetText(const QString& t);
  // The text read as an integer; text that is not one counts as 0.
  int IntValue() const;
  int Limit() const { return limit_; }

  std::function<void()> OnChange;

private:
  class TypedLimit;
  int limit_;
  QString last_;           // the text before the edit being typed
  bool fromCode_ = false;  // inside SetText
};
