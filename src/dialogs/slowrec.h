#pragma once
// The SlowRecTime dialog: chooses SlowRecSeconds of the main window, the length of each
// capture buffer while recording. Takes effect on click; OK only. GUI thread only.

#include <QDialog>

class QFrame;
class QPushButton;
class RadioGroup;

class TOKBottomDlg : public QDialog {
  Q_OBJECT
public:
  explicit TOKBottomDlg(QWidget* owner);

  QFrame* Bevel1;
  RadioGroup* SlowRecTime;
  QPushButton* OKBtn;

  void FormCreate();
  void SlowRecTimeClick();
};
