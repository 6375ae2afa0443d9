#pragma once
// The Bit&Sampling dialog: chooses RecBits and RecSampleRate of the main window for the
// next recording and mixer sound. A choice takes effect the moment it is clicked; the
// dialog has an OK button only. GUI thread only; reaches the main window through FormMain.

#include <QDialog>

class QFrame;
class QPushButton;
class RadioGroup;

class Tbitsampling : public QDialog {
  Q_OBJECT
public:
  explicit Tbitsampling(QWidget* owner);

  QFrame* Bevel1;
  RadioGroup* Bit;
  RadioGroup* Sampling;
  QPushButton* OKBtn;

  void FormCreate();
  void BitClick();
  void SamplingClick();

  static constexpr unsigned kRates[9] = {8000, 11025, 12000, 16000, 22050,
                                         24000, 32000, 44100, 48000};
};
