#pragma once
// A titled group of radio buttons in columns with one selected item (or none).
// OnClick runs whenever the selected item changes, whether the user clicked or code
// called SetItemIndex; selecting the item already selected, or setting -1 (no selection),
// runs nothing.
//
// Layout: the items fill the columns top to bottom, in rows that share the area inside the
// frame and below the title evenly, each item centred in its row (as a native radio group
// lays them out); the area follows the style and the font. GUI thread only.

#include <QGroupBox>
#include <QStringList>
#include <functional>
#include <vector>

class QButtonGroup;
class QRadioButton;

class RadioGroup : public QGroupBox {
  Q_OBJECT
public:
  RadioGroup(QWidget* parent, const QString& name, const QString& title, const QRect& place,
             const QStringList& items, int columns = 1);

  int ItemIndex() const { return index_; }
  void SetItemIndex(int index);
  int Count() const { return int(buttons_.size()); }
  QRadioButton* Button(int index) const { return buttons_.at(std::size_t(index)); }

  std::function<void()> OnClick;

protected:
  void changeEvent(QEvent* event) override;

private:
  void ShowSelection();
  // Where the items are laid out: inside the frame, below the title.
  QRect ItemArea() const;
  void LayOut();

  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int columns_;
  int index_ = -1;
};
