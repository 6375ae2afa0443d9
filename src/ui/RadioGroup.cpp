#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>

#include "ui/PlaceControl.h"

RadioGroup::RadioGroup(QWidget* parent, const QString& name, const QString& title,
                       const QRect& place, const QStringList& items, int columns)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)), columns_(std::max(1, columns)) {
  PlaceControl(this, name, place);
  group_->setExclusive(true);
  for (int i = 0; i < int(items.size()); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(QStringLiteral("%1_%2").arg(name).arg(i));
    group_->addButton(b, i);
    buttons_.push_back(b);
  }
  LayOut();
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (!checked || id == index_) return;
    index_ = id;
    if (OnClick) OnClick();
  });
}

QRect RadioGroup::ItemArea() const {
  QStyleOptionGroupBox opt;
  initStyleOption(&opt);
  QRect area =
      style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, this);
  // Whatever the style says, nothing goes above the title's lower edge.
  const QRect label =
      style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, this);
  if (!title().isEmpty()) area.setTop(std::max(area.top(), label.bottom() + 1));
  return area.intersected(rect());
}

void RadioGroup::LayOut() {
  const int count = Count();
  if (count == 0) return;
  const QRect area = ItemArea();
  const int rows = (count + columns_ - 1) / columns_;
  const int colWidth = area.width() / columns_;
  for (int i = 0; i < count; ++i) {
    QRadioButton* b = buttons_[std::size_t(i)];
    const int col = i / rows, row = i % rows;
    // Row r spans [top + r * h / rows, top + (r + 1) * h / rows): the rows share the
    // height to the pixel.
    const int top = area.top() + row * area.height() / rows;
    const int bottom = area.top() + (row + 1) * area.height() / rows;
    // A radio button takes clicks on its circle and text only: it is made no wider.
    const QSize hint = b->sizeHint();
    const int height = std::min(hint.height(), bottom - top);
    b->setGeometry(area.left() + col * colWidth, top + (bottom - top - height) / 2,
                   std::min(hint.width(), colWidth), height);
  }
}

void RadioGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) LayOut();
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
