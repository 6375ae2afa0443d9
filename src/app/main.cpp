// The main window's start-up, shutdown, the giving up of a held sound, the shell commands
// (New, Exit, Version, Help, the settings dialogs) and the format box.

#include "main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <cmath>

#include "NoticePump.h"
#include "PaintBox.h"
#include "Prompts.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "about.h"
#include "analysis/mygraph.h"
#include "analysis/viewgrid.h"
#include "model/PlayRange.h"
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
      Player(devices, notices_, Sound),
      Rec(devices, notices_),
      devices_(devices),
      prompts_(prompts) {
  FormMain = this;
  setObjectName("FormMain");
  setWindowTitle("Kelvor");
  setAcceptDrops(true);
  QFont face(QStringLiteral("IPAPGothic"));
  face.setPixelSize(12);
  setFont(face);
  CreateControls();
  CreateMenu();
  BindHandlers();
  pump_ = new NoticePump(notices_, this, [this](const DeviceNotice& n) {
    if (shutDown_) return;  // late notices of devices given up at the shutdown
    switch (n.kind) {
      case DeviceNotice::Kind::OutputDone:
        MMWomDone();
        break;
      case DeviceNotice::Kind::InputData:
        MMWimData(n.hdr);
        break;
      case DeviceNotice::Kind::OutputLost:  // the block's own notice follows
      case DeviceNotice::Kind::InputLost:
        break;
    }
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
  // Notices still queued must not reach a window that is going away.
  delete pump_;
  pump_ = nullptr;
  if (FormMain == this) FormMain = nullptr;
}

void TFormMain::FormCreate() {
  Player.SetPlayPos(0);
  NewSound = NewSoundSettings{};
  ScrollBarWaveTimes->SetPosition(ScrollBarWaveTimes->maximum());
  ScrollBarFftTimes->SetPosition(ScrollBarFftTimes->maximum());
  View = ViewSettings{};
  View.FftSize = FftSizeOfItem(Choicedatanum->ItemIndex());
  AllocFftBuffers();
  View.FftLevel = StartFftLevel(NewSound.RecBits);
  View.FftTimes = ScrollBarFftTimes->maximum() - ScrollBarFftTimes->Position() + 1;
  View.WaveTimes = ScrollBarWaveTimes->maximum() - ScrollBarWaveTimes->Position() + 1;
  View.FilterFreq = 20;
  View.FftSpan = double(NewSound.RecSampleRate / 2);
  View.FilterX = FilterXFromFreq(View.FilterFreq, PaintBoxFft->Width(), View.FftSpan);
  LbFilter->setText(QString::number(View.FilterFreq));
  Sound.Format() = NewSound.MakeWaveFormat();
}

bool TFormMain::AllocFftBuffers() {
  if (Analysis.Allocate()) return true;
  ShowMessage("No memory", "ERROR");
  return false;
}

void TFormMain::GiveUpSound() {
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  // The mixer's block goes with the sound: nothing is left for "BASE" to swap back, and a
  // later mixer is not one that fftmix made.
  MixerFromFft = false;
  FftMixMode = false;
  LBAorFFT->hide();
  if (Rec.InDeviceOpen()) CloseWaveIn();
  if (Player.OutDeviceOpen()) CloseWaveOut();
  Sound.Free();
}

bool TFormMain::ConfirmNewData() {
  // A sound is given up also when its device was lost (a refused prepare or write), and
  // with it the mixer that writes into it.
  if (!Rec.InDeviceOpen() && !Player.OutDeviceOpen() && !MixerOpen && !Sound.Data()) return true;
  if (!Rec.Collecting() &&
      !prompts_.Message(this, "Input New data OK?", "Message", Prompts::Buttons::OkCancel))
    return false;
  GiveUpSound();
  return true;
}

void TFormMain::ResetPlayRange() {
  Player.SetPlayPos(0);
  PlayScrollBar->SetPosition(0);
  const WAVEFORMATEX& fmt = Sound.Format();
  // Bytes left after the last view window; compared with FftSize, a frame count.
  std::int64_t room = PlayRange::LastWindow(Sound.Size(), fmt.nBlockAlign, View.FftSize);
  if (room < std::int64_t(View.FftSize)) {
    View.FftSize = 256;
    Choicedatanum->SetItemIndex(0);
    View.WaveStep = 1;
    room = PlayRange::LastWindow(Sound.Size(), fmt.nBlockAlign, 256);
  }
  const PlayRange::Bar bar = PlayRange::ForRoom(room, View.FftSize);
  PlayScrollBar->SetMax(bar.max);
  PlayScrollBar->SetLargeChange(bar.largeChange);
  PlayScrollBar->SetSmallChange(bar.smallChange);
  if (bar.tooShort) ShowMessage("Please Push Button", "Wait");
}

void TFormMain::ChooseScales() {
  const auto c = ChooseScalesFor(Sound.Format().nSamplesPerSec, View.FftSize);
  if (!c) return;
  // Each selection runs its group's handler when it changes the selection; those set the
  // same step and redraw their view.
  ScaleFft->SetItemIndex(c->fftItem);
  View.FftGridStep = c->fftGridStep;
  View.WaveGridStep = c->waveGridStep;
  ScaleGraph->SetItemIndex(c->waveItem);
}

void TFormMain::NewClick() {
  if (Rec.Recording()) return;
  // A playback in progress is stopped first, so that no device stays open and no timer
  // runs for the sound about to be freed.
  if (Player.Playing()) StopPlaying();
  GiveUpSound();
  ClearBox(PaintBoxGra->Canvas());
  ClearBox(PaintBoxFft->Canvas());
  ShowBaseFreq(false);  // no sound held: the readout must not show the previous one
}

void TFormMain::ShutDown() {
  shutDown_ = true;
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  if (Player.Playing()) StopPlaying();
  if (Rec.Recording() && Rec.Collecting()) RecordOrStop();
  if (Rec.InDeviceOpen() || Player.OutDeviceOpen()) GiveUpSound();
  Analysis.Release();
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
  if (Busy() || MixerOpen) return;
  {
    Tbitsampling dialog(NewSound, this);
    dialog.exec();
  }
  View.FftSpan = double(NewSound.RecSampleRate / 2);
}

void TFormMain::SlowRecTimeClick() {
  if (Busy() || MixerOpen) return;
  TOKBottomDlg dialog(NewSound, this);
  dialog.exec();
}

void TFormMain::VersionClick() {
  TAboutBox box(this, QString::fromStdString(devices_.Description()));
  box.exec();
}

void TFormMain::Help1Click() { ShowMessage(kHomePage, "Help"); }

void TFormMain::wavedatafmtPaint() { DrawFormatBox(); }

QStringList TFormMain::FormatBoxLines() const {
  const WAVEFORMATEX& fmt = Sound.Format();
  const std::uint32_t size = std::uint32_t(Sound.Size());
  QString time;
  if (fmt.nAvgBytesPerSec != 0) time = FormatFixed(double(size) / fmt.nAvgBytesPerSec, 2);
  return {"Bit=" + QString::number(fmt.wBitsPerSample),
          "Sampling=" + QString::number(fmt.nSamplesPerSec), "Size=" + QString::number(size),
          "Time=" + time + "s"};
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
