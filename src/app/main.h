#pragma once
// The main window: the controls, the menu and the handlers the user reaches, wired to the
// core objects that hold the state and do the work:
//   Sound     the sound document (format, block, size, playback header);
//   NewSound  the settings for sound made here (recording, mixer);
//   view_     the view settings;  analysis_  the analysis arrays and the peak tables;
//   player_   the transport (output device, playing, play position, late notices);
//   rec_      the recorder (input device, capture buffers, the growing recording);
//   mixing_   the mixer's session (MixerOpen, MixerFromFft, FftMixMode, "BASE").
// A handler tests the state, calls the core, and turns what it returns into captions,
// drawings and boxes. The settings dialogs get NewSound; the tone mixer window reaches
// this window only through its MixerHost side.
//
// Threads: everything here runs on the GUI thread. Devices post their notices to a queue
// whose pump hands them to MMWomDone / MMWimData on the GUI thread, in turn with the other
// events.
//
// The implementation is split by concern: main.cpp (start-up, shutdown, giving a sound
// up, the shown sound, shell commands, format box), main_layout.cpp (controls and menu),
// main_files.cpp (Open, AddFile, Save), main_views.cpp (views, scales, readout),
// main_transport.cpp (playback, timer, cursor), main_record.cpp (recording), main_mix.cpp
// (mixer, fftmix, "BASE" and the mixer's host).

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "analysis/SpectrumAnalysis.h"
#include "app/MixerHost.h"
#include "audio/AudioDevices.h"
#include "audio/NoticeQueue.h"
#include "mixer/MixSession.h"
#include "model/NewSoundSettings.h"
#include "model/Recorder.h"
#include "model/SoundDocument.h"
#include "model/Transport.h"
#include "model/ViewSettings.h"

class QLabel;
class QPushButton;
class QFrame;
class QAction;
class QMenu;
class PaintBox;
class RadioGroup;
class ScrollBar;
class UpDown;
class Prompts;
class NoticePump;
class Tmixplay;

class TFormMain : public QMainWindow, private MixerHost {
  Q_OBJECT
public:
  // `devices` and `prompts` must outlive the window.
  TFormMain(AudioDevices& devices, Prompts& prompts, QWidget* parent = nullptr);
  ~TFormMain() override;

  // ---- Controls (objectName = member name; what each one is: see the end of the class) ----
  PaintBox* PaintBoxGra = nullptr;
  PaintBox* PaintBoxFft = nullptr;
  PaintBox* PaintBoxfftfilter = nullptr;
  PaintBox* wavedatafmt = nullptr;
  QFrame* Bevel1 = nullptr;
  ScrollBar* PlayScrollBar = nullptr;
  ScrollBar* ScrollBarWaveTimes = nullptr;
  ScrollBar* ScrollBarFftTimes = nullptr;
  QLabel* Label2 = nullptr;
  RadioGroup* Choicedatanum = nullptr;
  RadioGroup* ScaleGraph = nullptr;
  RadioGroup* ScaleFft = nullptr;
  QLabel* Label4 = nullptr;
  UpDown* UpDownfftscale = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* LbFilter = nullptr;
  QLabel* LBAorFFT = nullptr;
  QPushButton* PlayButton = nullptr;
  QPushButton* RepButton = nullptr;
  QPushButton* Mixer = nullptr;
  QPushButton* fftmix = nullptr;
  QLabel* Label1 = nullptr;
  QTimer* Timer1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* Open = nullptr;
  QAction* AddFile1 = nullptr;
  QAction* Save = nullptr;
  QAction* New = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Delay1 = nullptr;
  QAction* FormatData = nullptr;
  QAction* SlowRecTime = nullptr;
  QAction* Version = nullptr;
  QAction* Help1 = nullptr;
  static const QString OpenDialog1Filter;  // "wav|*.wav"
  static const QString SaveDialog1Filter;  // "wav|*.wav|all|*.*"

  // ---- The document and the settings for new sound ----
  SoundDocument Sound;
  NewSoundSettings NewSound;

  // ---- State the handlers keep (read-only from outside) ----
  const ViewSettings& View() const { return view_; }
  const SpectrumAnalysis& Analysis() const { return analysis_; }
  const Transport& Player() const { return player_; }
  const Recorder& Rec() const { return rec_; }
  const MixSession& Mixing() const { return mixing_; }
  // The tone mixer window while it exists (MixerOpen); owned by this window.
  Tmixplay* mixplay() const;

  // ---- Start-up, shutdown, the sound (main.cpp) ----
  void FormCreate();
  bool AllocFftBuffers();  // the analysis arrays; "No memory" on failure
  void ShutDown();
  bool ConfirmNewData();
  void ResetPlayRange();
  void ChooseScales();
  void DrawFormatBox();
  QStringList FormatBoxLines() const;  // the four lines DrawFormatBox writes
  // A sound is now shown (opened, appended, recorded, made, rebuilt or restored): the
  // scales for its format, the format box, the play range from its start, both views and
  // the readout.
  void ShowNewSound();

  // ---- Menu and shell handlers ----
  void OpenClick();
  // File > Open with `path` instead of the dialog's choice: the same refusals, question
  // and boxes (a file dropped on the window).
  void OpenFile(const QString& path);
  // The same for a path given as the file system's bytes, which need not be UTF-8 (a
  // file named on the command line).
  void OpenFileNamed(const QByteArray& nativePath);
  void AddFile1Click();
  void SaveClick();
  void NewClick();
  void Exit1Click();
  void FormatDataClick();
  void SlowRecTimeClick();
  void VersionClick();
  void Help1Click();
  void wavedatafmtPaint();

  // ---- Files (main_files.cpp) ----
  // How a file command ended: a cancel (the user's, in the progress box) shows no box.
  enum class FileOutcome { Done, Failed, Cancelled };
  FileOutcome LoadWaveFile(const QByteArray& nativePath);
  FileOutcome AppendWaveFile(const QByteArray& nativePath);
  FileOutcome SaveWaveFile(const QByteArray& nativePath);

  // ---- Views (main_views.cpp) ----
  void RedrawViews();
  // Both views, without grids, for the window of FftSize frames at `offset` of the held
  // sound, then the readout.
  void RedrawViewsAt(std::uint32_t offset);
  void PaintBoxGraPaint();
  void PaintBoxFftPaint();
  void PaintBoxfftfilterPaint();
  void ScrollBarWaveTimesScroll(int& position);
  void ScrollBarFftTimesScroll(int& position);
  void ChoicedatanumClick();
  void ScaleGraphClick();
  void ScaleFftClick();
  void UpDownfftscaleClick(bool next);
  void PaintBoxFftMouseDown(int x, int y);
  void PaintBoxfftfilterMouseDown(int x, int y);
  bool FindPeaks();
  // A painting job for the window of FftSize frames that `source` gives at paint time,
  // with the view settings of this moment; it paints after the caller has returned.
  void StartPaintJob(std::function<std::optional<SoundView>()> source);

  // ---- Playback and transport (main_transport.cpp) ----
  bool OpenWaveOut();  // the device for the held sound; "ERROR" box on refusal
  void CloseWaveOut();
  bool StopPlaying();
  void MMWomDone();
  void PlayButtonClick();
  void PlayOrStop();
  void Timer1Timer();
  void PlayScrollBarScroll(int& position);
  // The output device lost its sound server: a playback ends where it was heard and says
  // so; the sound stays held, and the next PLAY opens a device again.
  void OutputLost();
  // "0.000s" with the locale's decimal separator.
  static QString FormatSeconds(double seconds);
  // `decimals` decimals, the locale's decimal separator, no digit grouping.
  static QString FormatFixed(double value, int decimals);

  // ---- Recording (main_record.cpp) ----
  void RepButtonClick();
  void RecordOrStop();
  void MMWimData(WAVEHDR* hdr);
  // The input device lost its sound server: the recording is stopped, finished from what
  // was collected, and the loss is said.
  void InputLost();

  // ---- Mixer and fftmix (main_mix.cpp) ----
  void MixerClick();
  void OpenMixer();  // a new sound for the mixer (settings for new sound), and the window
  void fftmixClick();
  void LBAorFFTDblClick();

protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  // A local .wav file dropped on the window opens as File > Open opens it, after the
  // drop has ended; refused while playing or recording.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // ---- MixerHost ----
  MixSession& Session() override { return mixing_; }
  const SpectrumAnalysis& LastAnalysis() const override { return analysis_; }
  Prompts& Ask() override { return prompts_; }
  void StopPlayback() override;
  void ShowRebuiltSound() override;
  void PlayFromStart() override;
  void MixerClosed() override;

  void CreateControls();
  // `choose` gives the file system's bytes of the path, or nothing.
  void OpenChosen(const std::function<std::optional<QByteArray>()>& choose);
  void CreateMenu();
  void BindHandlers();
  // Gives the held sound up: the mixer window (without its close handler), both devices
  // and the document's blocks.
  void GiveUpSound();
  void DestroyMixer();  // destroys the mixer window without running its close handler
  Tmixplay* ShowMixer(bool byFftmix);  // creates the window beside this one and shows it
  void ShowBaseLabel();                // LBAorFFT as the session offers "BASE"
  void ShowMessage(const QString& text, const QString& caption);
  // A device's refusal as the boxes show it (at most 127 characters).
  static QString DeviceErrorText(const DeviceResult& r);
  bool Busy() const { return player_.Playing() || rec_.Recording(); }

  void DrawWave();
  void DrawSpectrum();
  void DrawWaveGrid();
  void DrawFftGrid();
  void ShowBaseFreq(bool found);       // Label2: BaseFreq in decimal, or empty
  std::uint32_t SpectrumRate() const;  // the rate of the spectrum's frequency axis
  // FftSize falls back to 256 points, and "DataNum" shows it (its handler runs when the
  // selection changes).
  void ShowSmallestWindow();

  void ShowDone(const Transport::Done& done);
  void SyncTimer();      // Timer1 runs exactly while the transport wants it
  void FitPlayRange();   // window size and cursor range for one capture buffer
  void StopRecording();  // the stop request
  // The recording becomes the held sound (or nothing, when empty), with its device.
  void FinishRecording(Recorder::Data& done);
  // Before the program ends: false when a recording runs or a sound made here was never
  // saved and the user cancels the question.
  bool ConfirmExit();
  void CloseWaveIn();

  AudioDevices& devices_;
  Prompts& prompts_;
  ViewSettings view_;
  SpectrumAnalysis analysis_;
  NoticeQueue notices_;  // before player_ and rec_, which post into it
  Transport player_;
  Recorder rec_;
  MixSession mixing_;
  QPointer<Tmixplay> mixplay_;
  NoticePump* pump_ = nullptr;
  bool shutDown_ = false;

  // What the cryptic control names are:
  //   PaintBoxGra: waveform view; PaintBoxFft: spectrum view; PaintBoxfftfilter: the strip
  //   under it where a click sets the filter frequency; wavedatafmt: format box (bits,
  //   rate, size, time); Bevel1: its frame; PlayScrollBar: play cursor (bytes);
  //   ScrollBarWaveTimes / ScrollBarFftTimes: vertical magnification of the two views;
  //   Label1: elapsed time "0.000s"; Label2: base-frequency readout (large red digits);
  //   Choicedatanum: "DataNum", frames per view window (256 .. 4096); ScaleGraph: "ms",
  //   waveform grid step; ScaleFft: "Hz", spectrum grid step; Label4: "Scale" beside
  //   UpDownfftscale, the span arrows of the spectrum; Label5: "Filter" beside LbFilter,
  //   the filter frequency; LBAorFFT: "BASE", shown while the mixer's rebuilt sound
  //   replaces the analysed one; PlayButton: PLAY/STOP; RepButton: REC/STOP; Mixer: opens
  //   the tone mixer; fftmix: hands the analysed harmonics to it; Timer1: the 200 ms
  //   follow timer; File1: File menu; Delay1: Option menu; Version: the About box.
};
