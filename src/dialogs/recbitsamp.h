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

  static constexpr unsigned kRates[9] = {8000, 11025, 12000, 16000, 22050,
                                         24000, 32000, 44100, 48000};

private:
  NewSoundSettings& settings_;
};
