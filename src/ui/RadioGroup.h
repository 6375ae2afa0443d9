#pragma once
// A titled group of radio buttons in columns with one selected item (or none).
// OnClick runs whenever the selected item changes, whether the user clicked or code
// called SetItemIndex; selecting the item already selected, or setting -1 (no selection),
// runs nothing. GUI thread only.

#include <QGroupBox>
#include <QStringList>
#include <functional>
#include <vector>

class QButtonGroup;
class QRadioButton;

class RadioGroup : public QGroupBox {
  Q_OBJECT
public:
  RadioGroup(QWidget* parent, const QString& name, const QString& title, int left, int top,
             int width, int height, const QStringList& items, int columns = 1);

  int ItemIndex() const { return index_; }
  void SetItemIndex(int index);
  int Count() const { return int(buttons_.size()); }
  QRadioButton* Button(int index) const { return buttons_.at(std::size_t(index)); }

  std::function<void()> OnClick;

private:
  void ShowSelection();

  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int index_ = -1;
};
