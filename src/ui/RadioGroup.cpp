#include "RadioGroup.h"

#include "PlaceControl.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QSignalBlocker>

RadioGroup::RadioGroup(QWidget* parent, const QString& name, const QString& title, int left,
                       int top, int width, int height, const QStringList& items, int columns)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
  PlaceControl(this, name, left, top, width, height);
  group_->setExclusive(true);

  // Items fill the columns top to bottom; rows share the height under the title evenly.
  const int count = int(items.size());
  const int cols = std::max(1, columns);
  const int rows = std::max(1, (count + cols - 1) / cols);
  const int titleHeight = fontMetrics().height();
  const int inner = height - titleHeight - 4;
  const int rowHeight = inner / rows;
  const int colWidth = (width - 8) / cols;
  for (int i = 0; i < count; ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(QStringLiteral("%1_%2").arg(name).arg(i));
    const int col = i / rows, row = i % rows;
    b->setGeometry(8 + col * colWidth, titleHeight + row * rowHeight + (rowHeight - 14) / 2,
                   colWidth - 4, 14);
    group_->addButton(b, i);
    buttons_.push_back(b);
  }
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (!checked || id == index_) return;
    index_ = id;
    if (OnClick) OnClick();
  });
}

void RadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == index_) return;
  index_ = index;
  ShowSelection();
  if (index_ >= 0 && OnClick) OnClick();
}

void RadioGroup::ShowSelection() {
  const QSignalBlocker block(group_);
  if (index_ < 0) {
    group_->setExclusive(false);
    for (auto* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
  } else {
    buttons_[std::size_t(index_)]->setChecked(true);
  }
}
