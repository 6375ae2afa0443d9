#pragma once
// The main window: holds the one sound document (format, sample bytes, playback header),
// the device handles and transport flags, the settings for new sound, the view settings,
// the analysis arrays and the peak tables. Every other window reaches it through FormMain.
//
// Threads: everything here runs on the GUI thread. Devices report through a notice queue
// whose notices are handled on the GUI thread, in turn with the other events.
//
// The implementation is split by concern: main.cpp (state, start-up, shutdown, document),
// main_layout.cpp (controls and menu), main_files.cpp (Open, AddFile, Save),
// main_views.cpp (views, scales, peaks), main_transport.cpp (playback, timer, cursor),
// main_record.cpp (recording), main_mix.cpp (mixer and fftmix).

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "analysis/myfft.h"
#include "audio/AudioDevices.h"
#include "base/wavetypes.h"

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
class NoticeQueue;
class NoticePump;

class TFormMain : public QMainWindow {
  Q_OBJECT
public:
  static constexpr int kPeakSlots = 120;  // indices 1 .. 119 in use, 0 unused
  static constexpr std::uint32_t kMaxFftSize = 4096;

  // `devices` and `prompts` must outlive the window.
  TFormMain(AudioDevices& devices, Prompts& prompts, QWidget* parent = nullptr);
  ~TFormMain() override;

  // ---- Controls (objectName = member name) ----
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

  // ---- Fields, in declaration order ----
  double* FftMagnitude = nullptr;   // kMaxFftSize doubles
  double* FftInput = nullptr;       // kMaxFftSize doubles
  TComplex* FftWork = nullptr;      // kMaxFftSize values
  TComplex* FftSpectrum = nullptr;  // kMaxFftSize values
  std::unique_ptr<WaveOutDevice> HWaveOut;
  std::unique_ptr<WaveInDevice> HWaveIn;
  WAVEHDR* WaveHdr = nullptr;
  WAVEHDR* RecHdr2 = nullptr;
  WAVEHDR* RecHdr3 = nullptr;
  WAVEHDR* RecHdr4 = nullptr;
  std::uint8_t* RecData = nullptr;
  std::uint8_t* RecBuf2 = nullptr;
  std::uint8_t* RecBuf3 = nullptr;
  std::uint8_t* RecBuf4 = nullptr;
  std::uint32_t RecTotal = 0;
  bool OutDeviceOpen = false;
  bool Playing = false;
  bool InDeviceOpen = false;
  bool Recording = false;
  bool RecCollecting = false;
  bool RecStopping = false;
  bool RecStopDone = false;
  WAVEFORMATEX WaveFormat;
  MMTIME PlayTime;
  std::int32_t PlayPos = 0;       // bytes into WaveData; a multiple of nBlockAlign
  std::uint32_t FftSize = 512;    // frames per view window and FFT, 256 .. 4096
  std::int32_t DataSize = 0;      // bytes in WaveData
  std::int32_t WaveGridStep = 10;  // ms
  std::int32_t WaveGridMajor = 5;
  std::int32_t FftGridStep = 100;  // Hz
  std::int32_t FftGridMajor = 5;
  std::uint32_t FilterFreq = 20;  // Hz
  std::int32_t FilterX = 2;       // pixels
  double FftLevel = 0;            // magnitude units
  std::int32_t FftTimes = 1;      // 1 .. 200
  std::int32_t WaveTimes = 1;     // 1 .. 9
  std::uint32_t WaveStep = 1;
  std::int32_t RecLimitSeconds = 300;
  std::uint8_t* MixData = nullptr;
  WAVEFORMATEX* MixFormat = nullptr;
  std::int32_t* MixSize = nullptr;
  bool MixerOpen = false;
  std::uint32_t RecBits = 8;
  std::uint32_t RecSampleRate = 8000;
  double MixSeconds = 0.5;
  double PeakLevel[kPeakSlots] = {};
  std::uint32_t PeakHarmonic[kPeakSlots] = {};
  TComplex PeakValue[kPeakSlots] = {};
  std::uint32_t PeakCount = 0;
  bool FftMixMode = false;
  std::int32_t BaseFreq = 0;
  double SlowRecSeconds = 0.2;
  ScrollBar* PlayScrollBarRef = nullptr;
  std::uint8_t* WaveData = nullptr;
  bool MixerFromFft = false;
  std::uint8_t* FftMixData = nullptr;
  std::uint8_t* SavedWaveData = nullptr;
  std::uint32_t SavedDataSize = 0;
  double FftSpan = 4000.0;  // Hz at the right edge of the spectrum view

  // The mixer window while it exists (MixerOpen); owned by this window.
  QPointer<QWidget> mixplay;

  // ---- Document and start-up (main.cpp) ----
  void FormCreate();
  void MakeWaveFormat(WAVEFORMATEX& fmt);
  void ClearSoundRefs();
  bool HasSound() const;
  void FreeSound();
  bool AllocFftBuffers(std::uint32_t n);
  void FreeFftBuffers();
  std::uint32_t WaveStepFor() const;
  void ResetPlayRange();
  void ChooseScales();
  void ShutDown();
  void DestroyMixer();  // destroys the mixer window without running its close handler
  void DrawFormatBox();
  QStringList FormatBoxLines() const;  // the four lines DrawFormatBox writes
  void ShowMessage(const QString& text, const QString& caption);
  // Text of a device's refusal as the boxes show it (at most 127 characters).
  static QString DeviceErrorText(const DeviceResult& r);

  // ---- Menu and shell handlers ----
  void OpenClick();
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
  bool LoadWaveFile(const QString& path);
  bool AppendWaveFile(const QString& path);
  bool SaveWaveFile(const QString& path, std::int32_t size);

  // ---- Views (main_views.cpp) ----
  void RedrawViews();
  void RedrawViewsAt(std::uint32_t n, const std::uint8_t* data, PaintBox* waveBox,
                     PaintBox* spectrumBox, std::uint32_t bits, std::uint32_t channels,
                     std::uint32_t offset);
  void DrawWave();
  void DrawSpectrum();
  void DrawLevelLine(PaintBox* box, int baseline, double f);
  void DrawFilterLine(PaintBox* box);
  void DrawWaveGrid(int minor, int major);
  void DrawFftGrid(int minor, int major);
  void DrawGrid(PaintBox* box, double minor, double major, double span);
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
  void ShowBaseFreq(bool found);  // Label2: BaseFreq in decimal, or empty
  int WaveZoom() const;           // ScrollBarWaveTimes.Max - Position + 1
  // The spectrum of n frames at byte `offset` of `data` (a block of DataSize bytes) into
  // `box`, with the level line after channel 1.
  void DrawSpectrumOf(PaintBox* box, std::uint32_t n, const std::uint8_t* data,
                      std::uint32_t bits, std::uint32_t channels, std::uint32_t offset);

  // ---- Playback and transport (main_transport.cpp) ----
  bool OpenWaveOut();
  void CloseWaveOut();
  bool PrepareOut(std::uint8_t* data, std::int32_t pos, std::int32_t size);
  bool StartOut(std::uint8_t* data, std::int32_t pos, std::int32_t size);
  bool StopPlaying();
  void MMWomDone();
  void PlayButtonClick();
  void PlayOrStop();
  void Timer1Timer();
  void PlayScrollBarScroll(int& position);
  bool ConfirmNewData();
  double BytesToSeconds(std::int32_t offset) const;
  static bool HasRoom(std::uint32_t size, std::uint32_t start, std::uint32_t block,
                      std::uint32_t frame);
  // A painting job for FftSize frames at `offset` of `data` (a block of `size` bytes),
  // with the view settings of this moment; it paints after the caller has returned.
  void StartPaintJob(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset);
  // "0.000s" with the locale's decimal separator.
  static QString FormatSeconds(double seconds);
  // `decimals` decimals, the locale's decimal separator, no digit grouping.
  static QString FormatFixed(double value, int decimals);

  // ---- Recording (main_record.cpp) ----
  void RepButtonClick();
  void RecordOrStop();
  void CloseWaveIn();
  void MMWimData(WAVEHDR* hdr);

  // ---- Mixer and fftmix (main_mix.cpp) ----
  void MixerClick();
  void fftmixClick();
  void LBAorFFTDblClick();

  // The devices this window opens, and the box shown for every prompt.
  AudioDevices& Devices() { return devices_; }
  Prompts& Ask() { return prompts_; }

protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void CreateControls();
  void CreateMenu();
  void BindHandlers();
  void HandleNotices();

  AudioDevices& devices_;
  Prompts& prompts_;
  std::unique_ptr<NoticeQueue> notices_;
  NoticePump* pump_ = nullptr;
  bool shutDown_ = false;
  // Changes whenever a block a painting job may draw from is freed or moved; a job made
  // under another epoch is dropped instead of painted.
  std::uint64_t soundEpoch_ = 0;
  // Every written block brings exactly one completion notice. blockOwed_: the current
  // device's block has not had its notice handled yet. staleNotices_: notices still to
  // come for blocks given up by a stop or a close, which must not end a later playback.
  bool blockOwed_ = false;
  int staleNotices_ = 0;
  void GiveUpBlock();
};

// The single main window, set while it exists.
extern TFormMain* FormMain;
