// The main window's state: start-up, the sound document, shutdown, and the shell
// commands (New, Exit, Version, Help, the settings dialogs, the format box).

#include "main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <new>

#include "NoticePump.h"
#include "PaintBox.h"
#include "Prompts.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "about.h"
#include "analysis/mygraph.h"
#include "base/nearest.h"
#include "base/Heap.h"
#include "audio/NoticeQueue.h"
#include "recbitsamp.h"
#include "slowrec.h"

TFormMain* FormMain = nullptr;

const QString TFormMain::OpenDialog1Filter = QStringLiteral("wav (*.wav)");
const QString TFormMain::SaveDialog1Filter = QStringLiteral("wav (*.wav);;all (*)");

namespace {
const char* const kHomePage = "https://kelvor.org/";
}

TFormMain::TFormMain(AudioDevices& devices, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      devices_(devices),
      prompts_(prompts),
      notices_(std::make_unique<NoticeQueue>()) {
  FormMain = this;
  setObjectName("FormMain");
  setWindowTitle("Kelvor");
  QFont face(QStringLiteral("IPAPGothic"));
  face.setPixelSize(12);
  setFont(face);
  CreateControls();
  CreateMenu();
  BindHandlers();
  pump_ = new NoticePump(*notices_, this, [this](const DeviceNotice& n) {
    if (n.kind == DeviceNotice::Kind::OutputDone)
      MMWomDone();
    else
      MMWimData(n.hdr);
  });
  FormCreate();
  // Fixed border: the window keeps the size of its menu bar and client area.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  adjustSize();
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TFormMain::~TFormMain() {
  if (!shutDown_) ShutDown();
  // Jobs and notices still queued must not reach a window that is going away.
  delete pump_;
  pump_ = nullptr;
  HWaveOut.reset();
  HWaveIn.reset();
  FreeSound();
  for (std::uint8_t** block : {&RecData, &RecBuf2, &RecBuf3, &RecBuf4, &FftMixData}) {
    Heap::Free(*block);
    *block = nullptr;
  }
  for (WAVEHDR** hdr : {&RecHdr2, &RecHdr3, &RecHdr4}) {
    Heap::Free(*hdr);
    *hdr = nullptr;
  }
  if (FormMain == this) FormMain = nullptr;
}

void TFormMain::FormCreate() {
  PlayPos = 0;
  ClearSoundRefs();
  OutDeviceOpen = Playing = InDeviceOpen = Recording = MixerOpen = FftMixMode = false;
  RecCollecting = RecStopping = RecStopDone = MixerFromFft = false;
  MixSeconds = 0.5;
  RecBits = 8;
  RecSampleRate = 8000;
  SlowRecSeconds = 0.2;
  ScrollBarWaveTimes->SetPosition(ScrollBarWaveTimes->maximum());
  ScrollBarFftTimes->SetPosition(ScrollBarFftTimes->maximum());
  WaveGridStep = 10;
  WaveGridMajor = 5;
  FftGridStep = 100;
  FftGridMajor = 5;
  FftSize = std::uint32_t(Nearest(std::pow(2.0, Choicedatanum->ItemIndex()))) * 256;
  WaveStep = WaveStepFor();
  AllocFftBuffers(kMaxFftSize);
  PlayScrollBarRef = PlayScrollBar;
  FftLevel = std::pow(2.0, double(RecBits)) * 0.1 / 255;
  FftTimes = ScrollBarFftTimes->maximum() - ScrollBarFftTimes->Position() + 1;
  WaveTimes = ScrollBarWaveTimes->maximum() - ScrollBarWaveTimes->Position() + 1;
  FilterFreq = 20;
  FftSpan = double(RecSampleRate / 2);
  FilterX = std::int32_t(Nearest(double(std::int64_t(FilterFreq) * PaintBoxFft->Width()) / FftSpan));
  LbFilter->setText(QString::number(FilterFreq));
  MakeWaveFormat(WaveFormat);
  RecLimitSeconds = 300;
}

void TFormMain::MakeWaveFormat(WAVEFORMATEX& fmt) {
  fmt.wFormatTag = WAVE_FORMAT_PCM;
  fmt.nChannels = 1;
  fmt.wBitsPerSample = std::uint16_t(RecBits);
  fmt.nSamplesPerSec = RecSampleRate;
  fmt.nAvgBytesPerSec = RecSampleRate * (fmt.wBitsPerSample / 8);
  fmt.nBlockAlign = fmt.wBitsPerSample / 8;
  fmt.cbSize = 0;
}

// Forgets the device handles and the document block without freeing the block: callers
// use it only where the block was already given up.
void TFormMain::ClearSoundRefs() {
  HWaveOut.reset();
  HWaveIn.reset();
  WaveHdr = nullptr;
  WaveData = nullptr;
}

bool TFormMain::HasSound() const { return WaveData != nullptr && WaveHdr != nullptr; }

void TFormMain::FreeSound() {
  if (WaveData || WaveHdr) ++soundEpoch_;
  Heap::Free(WaveHdr);
  WaveHdr = nullptr;
  Heap::Free(WaveData);
  WaveData = nullptr;
}

bool TFormMain::AllocFftBuffers(std::uint32_t n) {
  FftMagnitude = static_cast<double*>(Heap::Alloc(n * sizeof(double)));
  FftInput = FftMagnitude ? static_cast<double*>(Heap::Alloc(n * sizeof(double))) : nullptr;
  FftWork = FftInput ? static_cast<TComplex*>(Heap::Alloc(n * sizeof(TComplex))) : nullptr;
  FftSpectrum = FftWork ? static_cast<TComplex*>(Heap::Alloc(n * sizeof(TComplex))) : nullptr;
  if (FftSpectrum) {
    // Zeroed, so that an analysis before the first spectrum finds silence, not garbage.
    std::fill_n(FftMagnitude, n, 0.0);
    std::fill_n(FftInput, n, 0.0);
    std::fill_n(FftWork, n, TComplex{});
    std::fill_n(FftSpectrum, n, TComplex{});
    return true;
  }
  FreeFftBuffers();
  ShowMessage("No memory", "ERROR");
  return false;
}

void TFormMain::FreeFftBuffers() {
  Heap::Free(FftMagnitude);
  Heap::Free(FftInput);
  Heap::Free(FftWork);
  Heap::Free(FftSpectrum);
  FftMagnitude = FftInput = nullptr;
  FftWork = FftSpectrum = nullptr;
}

std::uint32_t TFormMain::WaveStepFor() const { return 1; }

void TFormMain::ResetPlayRange() {
  PlayPos = 0;
  PlayScrollBar->SetPosition(0);
  // Bytes left after the last view window; compared with FftSize, a frame count.
  std::int64_t room = std::int64_t(DataSize) - std::int64_t(WaveFormat.nBlockAlign) * FftSize;
  if (room < std::int64_t(FftSize)) {
    FftSize = 256;
    Choicedatanum->SetItemIndex(0);
    WaveStep = WaveStepFor();
    room = std::int64_t(DataSize) - std::int64_t(WaveFormat.nBlockAlign) * 256;
  }
  if (room <= std::int64_t(FftSize)) {
    PlayScrollBar->SetMax(1);
    PlayScrollBar->SetLargeChange(1);
    PlayScrollBar->SetSmallChange(1);
    ShowMessage("Please Push Button", "Wait");
  } else {
    PlayScrollBar->SetMax(int(room));
    PlayScrollBar->SetLargeChange(int(FftSize / 2));
    PlayScrollBar->SetSmallChange(int(FftSize / 10));
  }
}

void TFormMain::ChooseScales() {
  const std::uint32_t rate = WaveFormat.nSamplesPerSec;
  if (rate == 0) return;
  const std::uint32_t q = (rate / 2) / 20;
  if (q >= 1000) {
    ScaleFft->SetItemIndex(3);
    FftGridStep = 1000;
  } else if (q >= 500) {
    ScaleFft->SetItemIndex(2);
    FftGridStep = 500;
  } else if (q >= 200) {
    ScaleFft->SetItemIndex(1);
    FftGridStep = 200;
  } else {
    FftGridStep = 100;
    ScaleFft->SetItemIndex(0);
  }
  const std::int64_t w = Nearest(double(FftSize) / double(rate) * 1000) / 6;
  if (w >= 10) {
    WaveGridStep = 10;
    ScaleGraph->SetItemIndex(2);
  } else if (w >= 5) {
    WaveGridStep = 5;
    ScaleGraph->SetItemIndex(1);
  } else {
    WaveGridStep = 1;
    ScaleGraph->SetItemIndex(0);
  }
}

void TFormMain::NewClick() {
  if (Recording) return;
  // A playback in progress is stopped first, so that no device stays open and no timer
  // runs for the sound about to be freed.
  if (Playing) StopPlaying();
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  if (OutDeviceOpen) CloseWaveOut();
  if (InDeviceOpen) CloseWaveIn();
  if (WaveHdr) FreeSound();
  ClearBox(PaintBoxGra->Canvas());
  ClearBox(PaintBoxFft->Canvas());
}

void TFormMain::ShutDown() {
  shutDown_ = true;
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  if (Playing) StopPlaying();
  if (Recording && RecCollecting) RecordOrStop();
  if (InDeviceOpen || OutDeviceOpen) {
    if (OutDeviceOpen) CloseWaveOut();
    if (InDeviceOpen) CloseWaveIn();
    FreeSound();
  }
  FreeFftBuffers();
}

void TFormMain::DestroyMixer() {
  // Deleting the window does not run its close handler.
  delete mixplay.data();
  mixplay = nullptr;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!shutDown_) ShutDown();
  event->accept();
}

void TFormMain::Exit1Click() {
  ShutDown();
  QCoreApplication::quit();
}

void TFormMain::ShowMessage(const QString& text, const QString& caption) {
  prompts_.Message(this, text, caption, Prompts::Buttons::Ok);
}

QString TFormMain::DeviceErrorText(const DeviceResult& r) {
  return QString::fromStdString(r.text).left(127);
}

void TFormMain::FormatDataClick() {
  if (Playing || Recording || MixerOpen) return;
  {
    Tbitsampling dialog(this);
    dialog.exec();
  }
  FftSpan = double(RecSampleRate / 2);
}

void TFormMain::SlowRecTimeClick() {
  if (Playing || Recording || MixerOpen) return;
  TOKBottomDlg dialog(this);
  dialog.exec();
}

void TFormMain::VersionClick() {
  TAboutBox box(this, QString::fromStdString(devices_.Description()));
  box.exec();
}

void TFormMain::Help1Click() { ShowMessage(kHomePage, "Help"); }

void TFormMain::wavedatafmtPaint() { DrawFormatBox(); }

QStringList TFormMain::FormatBoxLines() const {
  QString time;
  if (WaveFormat.nAvgBytesPerSec != 0)
    time = FormatFixed(double(std::uint32_t(DataSize)) / WaveFormat.nAvgBytesPerSec, 2);
  return {"Bit=" + QString::number(WaveFormat.wBitsPerSample),
          "Sampling=" + QString::number(WaveFormat.nSamplesPerSec),
          "Size=" + QString::number(std::uint32_t(DataSize)), "Time=" + time + "s"};
}

void TFormMain::DrawFormatBox() {
  ImageCanvas& c = wavedatafmt->Canvas();
  const QColor face = palette().color(QPalette::Button);
  c.SetBrushColor(Rgb{std::uint8_t(face.red()), std::uint8_t(face.green()), std::uint8_t(face.blue())});
  c.FillRect(0, 0, wavedatafmt->Width(), wavedatafmt->Height());
  c.SetFontColor(Colors::Black);
  const QStringList lines = FormatBoxLines();
  for (int i = 0; i < 4; ++i) c.TextOut(0, 15 * i, lines[i].toStdString());
}
