#pragma once
// The Bit&Sampling dialog: chooses RecBits and RecSampleRate of the settings for new sound
// (the next recording and mixer sound). A choice takes effect the moment it is clicked;
// the dialog has an OK button only. GUI thread only.

#include <QDialog>

struct NewSoundSettings;

class QFrame;
class QPushButton;
class RadioGroup;

class Tbitsampling : public QDialog {
  Q_OBJECT
public:
  // `settings` must outlive the dialog.
  Tbitsampling(NewSoundSettings& settings, QWidget* owner);

  QFrame* Bevel1;
  RadioGroup* Bit;
  RadioGroup* Sampling;
  QPushButton* OKBtn;

  void FormCreate();
  void BitClick();
  void SamplingClick();

private:
  NewSoundSettings& settings_;
};
