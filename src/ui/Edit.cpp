#include "Edit.h"

#include "PlaceControl.h"

Edit::Edit(QWidget* parent, const QString& name, int left, int top, int width, int height,
           const QString& text, int maxLength)
    : QLineEdit(text, parent) {
  PlaceControl(this, name, left, top, width, height);
  setMaxLength(maxLength);
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (OnChange) OnChange();
  });
}

int Edit::IntValue() const {
  bool ok = false;
  const int v = text().toInt(&ok);
  return ok ? v : 0;
}
