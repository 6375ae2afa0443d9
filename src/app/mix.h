#pragma once
// The tone mixer window `mixplay`: the user's instrument for the harmonic synthesiser. A
// shell over a ToneMixer (the rules and the state) that writes into the held sound: the
// controls, their layout, and handlers that call the model, run the control cascades
// (setting a slider, edit or group from code runs its handler when the value really
// changes) and turn the model's statuses into boxes and steps of its host.
//
// Created only by the main window (Mixer button or fftmix), as a child window of it, and
// destroyed when it closes (FormClose runs then) or when the main window gives its sound
// up (then FormClose does not run). At most one exists. It reaches the main window only
// through its MixerHost.
//
// Key preview: every character typed in the window reaches FormKeyPress first and then,
// unconsumed, the focused control.
//
// Threads: GUI thread only.
//
// The implementation is split: mix.cpp (life cycle, sliders, edits, notes, scale, rebuild
// and take-over), mix_layout.cpp (controls and bindings), mix_memory.cpp (memory slots and
// their file).

#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>

#include "mixer/ToneMixer.h"

class QLabel;
class QPushButton;
class Edit;
class PaintBox;
class RadioGroup;
class TrackBar;
class MixerHost;

class Tmixplay : public QWidget {
  Q_OBJECT
public:
  // Runs FormCreate on the shown block; the caller places and shows the window. `host`
  // and `owner` (the window it belongs to) must outlive it.
  Tmixplay(MixerHost& host, QWidget* owner);

  // ---- Controls (objectName = member name) ----
  TrackBar* freq = nullptr;  // base frequency, 1 .. 2000 Hz
  Edit* Edfreq = nullptr;
  QLabel* Label3 = nullptr;        // "Freq"
  QLabel* Label1 = nullptr;        // "Hz"
  TrackBar* volume = nullptr;      // 0 .. 300
  QLabel* Label4 = nullptr;        // "Amp"
  QLabel* Label2 = nullptr;        // the volume
  TrackBar* TBmixtime = nullptr;   // duration in tenths of a second, 1 .. 30
  QLabel* Label5 = nullptr;        // "Time"
  QLabel* LBmixtime = nullptr;     // the duration in seconds
  QLabel* Label7 = nullptr;        // "s"
  TrackBar* TBlastwave = nullptr;  // fade-out in 5 ms steps, 1 .. 30
  QLabel* Label6 = nullptr;        // "Last"
  QLabel* LBlastwave = nullptr;
  // Element i (1 .. 30) stands for harmonic i + 30 * Bank; element 0 is unused.
  std::array<TrackBar*, 31> AmpBars{};         // TrackBar1 .. 30: amplitude, top = 100
  std::array<TrackBar*, 31> PhaseBars{};       // TrackBar31 .. 60: phase, -180 .. 180 degrees
  std::array<Edit*, 31> PhaseEdits{};          // Edit1 .. 30: phase in degrees
  PaintBox* PaintBox1 = nullptr;               // frequency scale under the amplitude sliders
  PaintBox* PaintBox2 = nullptr;               // grid over the phase sliders
  RadioGroup* frectimesRG = nullptr;           // "Times": the bank
  QPushButton* reset = nullptr;                // "FFTReset"
  QPushButton* reserphase = nullptr;           // "PhaseReset"
  QPushButton* Transmit = nullptr;             // "OUT"
  std::array<QPushButton*, 20> NoteButtons{};  // in the order of kNotes
  RadioGroup* RGMemInOut = nullptr;            // "IN or OUT"
  RadioGroup* RGBarMem = nullptr;              // "FFTMemory": slots 1 .. 5
  QPushButton* FFtMemIn = nullptr;             // "FFTMEM": store
  QPushButton* BtnFftmemClear = nullptr;       // "SET": no slot selected
  QPushButton* Btnsave = nullptr;              // "FFTMemorySave"
  QPushButton* BtnLoad = nullptr;              // "FFTMemoryLoad"
  static const QString F2tFilter;              // "f2t (*.f2t)"

  const ToneMixer& Model() const { return Mixer; }

  // ---- Life cycle ----
  void FormCreate();
  void FormActivate();  // takes an analysis over when the main window asks (FftMixMode)
  void FormClose();

  // ---- Handlers ----
  void freqChange();
  void EdfreqChange();
  void volumeChange();
  void TBmixtimeChange();
  void TBlastwaveChange();
  void TrackBarChange(TrackBar* sender);
  void PhazeBarChange(TrackBar* sender);
  void EditChange(Edit* sender);
  void frectimesRGClick();
  void resetClick();
  void reserphaseClick();
  void TransmitClick();
  void FormKeyPress(const QString& typed);
  void PaintBox1Paint();
  void PaintBox2Paint();
  void FFtMemInClick();
  void RGBarMemClick();
  void BtnFftmemClearClick();
  void BtnsaveClick();
  void BtnLoadClick();

  // ---- Routines ----
  void ShowAmplitudes();
  void ResetControls();
  void GenerateAndPlay();
  // The note's frequency goes to the controls at once; its sound is built once the events
  // already waiting have been handled, so that a note coming meanwhile replaces it (keys
  // that repeat faster than notes are built never pile up work).
  void PlayNote(int hz);
  bool NoteWaiting() const { return noteBuild_.isActive(); }
  void TakeOverPeaks();

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void CreateControls();
  void BindHandlers();
  // For each of the thirty: the amplitude slider and its band, then the phase edit (whose
  // handler moves the phase slider), from the tables of the current bank.
  void ShowBankControls();
  void Report(const QString& text, const QString& caption);

  MixerHost& host_;
  ToneMixer Mixer;
  QTimer noteBuild_;     // single shot, 0 ms: the waiting note's GenerateAndPlay
  bool closed_ = false;  // the close handler ran; keys still queued play nothing
};
