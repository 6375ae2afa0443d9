#pragma once
// The SlowRecTime dialog: chooses SlowRecSeconds of the settings for new sound, the length
// of each capture buffer while recording. Takes effect on click; OK only. GUI thread only.

#include <QDialog>

struct NewSoundSettings;

class QFrame;
class QPushButton;
class RadioGroup;

class TOKBottomDlg : public QDialog {
  Q_OBJECT
public:
  // `settings` must outlive the dialog.
  TOKBottomDlg(NewSoundSettings& settings, QWidget* owner);

  QFrame* Bevel1;
  RadioGroup* SlowRecTime;
  QPushButton* OKBtn;

  void FormCreate();
  void SlowRecTimeClick();

private:
  NewSoundSettings& settings_;
};
