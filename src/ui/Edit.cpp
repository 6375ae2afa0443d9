#include "ui/Edit.h"

#include <QValidator>

#include "ui/PlaceControl.h"

// The line edit asks its validator about every change, the user's (keys, paste, drop,
// undo) and the code's: a typed change that would leave the text longer than both the
// limit and the text before it is refused; text from SetText always passes (a text the
// validator refused would also stop it from refusing the next typed change).
class Edit::TypedLimit : public QValidator {
public:
  explicit TypedLimit(Edit* edit) : QValidator(edit), edit_(edit) {}
  State validate(QString& input, int&) const override {
    const qsizetype n = input.size();
    return edit_->fromCode_ || n <= edit_->limit_ || n <= edit_->last_.size() ? Acceptable
                                                                              : Invalid;
  }

private:
  const Edit* edit_;
};

Edit::Edit(QWidget* parent, const QString& name, const QRect& place, const QString& text, int limit)
    : QLineEdit(text, parent), limit_(limit), last_(text) {
  PlaceControl(this, name, place);
  setValidator(new TypedLimit(this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
    last_ = now;
    if (OnChange) OnChange();
  });
}

void Edit::SetText(const QString& t) {
  const bool outer = fromCode_;
  fromCode_ = true;
  setText(t);
  fromCode_ = outer;
}

int Edit::IntValue() const {
  bool ok = false;
  const int v = text().toInt(&ok);
  return ok ? v : 0;
}
