// The main window's start-up, shutdown, the giving up of a held sound, the one path for a
// newly shown sound, the shell commands (New, Exit, Version, Help, the settings dialogs)
// and the format box.

#include "app/main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <cmath>

#include "analysis/mygraph.h"
#include "analysis/viewgrid.h"
#include "dialogs/about.h"
#include "dialogs/recbitsamp.h"
#include "dialogs/slowrec.h"
#include "model/PlayRange.h"
#include "ui/FixedWindow.h"
#include "ui/NoticePump.h"
#include "ui/PaintBox.h"
#include "ui/Prompts.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

const QString TFormMain::OpenDialog1Filter = QStringLiteral("wav (*.wav)");
const QString TFormMain::SaveDialog1Filter = QStringLiteral("wav (*.wav);;all (*)");

namespace {
const char* const kHomePage = "https://kelvor.org/";
}

TFormMain::TFormMain(AudioDevices& devices, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      devices_(devices),
      prompts_(prompts),
      player_(devices, notices_, Sound),
      rec_(devices, notices_),
      mixing_(Sound, NewSound) {
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
      case DeviceNotice::Kind::OutputDone: MMWomDone(); break;
      case DeviceNotice::Kind::InputData: MMWimData(n.hdr); break;
      case DeviceNotice::Kind::OutputLost: OutputLost(); break;
      case DeviceNotice::Kind::InputLost: InputLost(); break;
    }
  });
  FormCreate();
  // Fixed border: the window keeps the size of its menu bar and client area.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlags(FixedWindowFlags());
  adjustSize();
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TFormMain::~TFormMain() {
  if (!shutDown_) ShutDown();
  // Notices still queued must not reach a window that is going away.
  delete pump_;
  pump_ = nullptr;
}

void TFormMain::FormCreate() {
  player_.SetPlayPos(0);
  NewSound = NewSoundSettings{};
  ScrollBarWaveTimes->SetPosition(ScrollBarWaveTimes->maximum());
  ScrollBarFftTimes->SetPosition(ScrollBarFftTimes->maximum());
  view_ = ViewSettings{};
  view_.FftSize = FftSizeOfItem(Choicedatanum->ItemIndex());
  AllocFftBuffers();
  view_.FftLevel = StartFftLevel(NewSound.RecBits);
  view_.FftTimes = ZoomOfBar(ScrollBarFftTimes->maximum(), ScrollBarFftTimes->Position());
  view_.WaveTimes = ZoomOfBar(ScrollBarWaveTimes->maximum(), ScrollBarWaveTimes->Position());
  view_.FilterFreq = 20;
  view_.FftSpan = NewSound.SpectrumSpan();
  view_.FilterX = FilterXFromFreq(view_.FilterFreq, PaintBoxFft->Width(), view_.FftSpan);
  LbFilter->setText(QString::number(view_.FilterFreq));
  Sound.SetFormat(NewSound.MakeWaveFormat());
}

bool TFormMain::AllocFftBuffers() {
  if (analysis_.Allocate()) return true;
  ShowMessage("No memory", "ERROR");
  return false;
}

void TFormMain::GiveUpSound() {
  // The mixer's block goes with the sound: nothing is left for "BASE" to swap back, and a
  // later mixer is not one that fftmix made.
  if (mixing_.GiveUp()) DestroyMixer();
  ShowBaseLabel();
  if (rec_.InDeviceOpen()) CloseWaveIn();
  if (player_.OutDeviceOpen()) CloseWaveOut();
  Sound.Free();
}

bool TFormMain::ConfirmNewData() {
  // A held sound goes only when the user agrees, with or without a device (one refused or
  // lost still holds a sound that plays and saves), and so does an open mixer: it writes
  // into the held sound.
  if (!rec_.InDeviceOpen() && !player_.OutDeviceOpen() && !mixing_.MixerOpen() && !Sound.HasSound())
    return true;
  if (!rec_.Collecting() &&
      !prompts_.Message(this, "Input New data OK?", "Message", Prompts::Buttons::OkCancel))
    return false;
  GiveUpSound();
  return true;
}

void TFormMain::ResetPlayRange() {
  player_.SetPlayPos(0);
  PlayScrollBar->SetPosition(0);
  const PlayRange::NewRange r =
      PlayRange::ForNewSound(Sound.Size(), Sound.Format().nBlockAlign, view_.FftSize);
  if (r.fftSize != view_.FftSize) ShowSmallestWindow();
  PlayScrollBar->SetMax(r.bar.max);
  PlayScrollBar->SetLargeChange(r.bar.largeChange);
  PlayScrollBar->SetSmallChange(r.bar.smallChange);
  if (r.bar.tooShort) ShowMessage("Please Push Button", "Wait");
}

void TFormMain::ShowSmallestWindow() {
  view_.UseSmallestWindow();
  Choicedatanum->SetItemIndex(ViewSettings::kSmallestItem);
}

void TFormMain::ChooseScales() {
  const auto c = ChooseScalesFor(Sound.Format().nSamplesPerSec, view_.FftSize);
  if (!c) return;
  // Each selection runs its group's handler when it changes the selection; those set the
  // same step and redraw their view.
  ScaleFft->SetItemIndex(c->fftItem);
  view_.FftGridStep = c->fftGridStep;
  view_.WaveGridStep = c->waveGridStep;
  ScaleGraph->SetItemIndex(c->waveItem);
}

void TFormMain::ShowNewSound() {
  ChooseScales();
  DrawFormatBox();
  ResetPlayRange();
  RedrawViews();
}

void TFormMain::NewClick() {
  if (rec_.Recording()) return;
  // A playback in progress is stopped first, so that no device stays open and no timer
  // runs for the sound about to be freed.
  if (player_.Playing()) StopPlaying();
  GiveUpSound();
  ClearBox(PaintBoxGra->Canvas());
  ClearBox(PaintBoxFft->Canvas());
  ShowBaseFreq(false);  // no sound held: the readout must not show the previous one
}

void TFormMain::ShutDown() {
  shutDown_ = true;
  if (mixing_.GiveUp()) DestroyMixer();
  if (player_.Playing()) StopPlaying();
  if (rec_.Recording() && rec_.Collecting()) RecordOrStop();
  if (rec_.InDeviceOpen() || player_.OutDeviceOpen() || Sound.HasSound()) GiveUpSound();
  analysis_.Release();
}

bool TFormMain::ConfirmExit() {
  // A sound from a file is still in its file; a recording, the mixer's sound or a sound
  // AddFile lengthened exists nowhere else until it is saved.
  if (!rec_.Recording() && !Sound.HoldsUnsaved()) return true;
  return prompts_.Message(this, "Sound not saved. Exit OK?", "Message", Prompts::Buttons::OkCancel);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!shutDown_ && !ConfirmExit()) {
    event->ignore();
    return;
  }
  if (!shutDown_) ShutDown();
  event->accept();
}

void TFormMain::Exit1Click() {
  if (!ConfirmExit()) return;
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
  if (Busy() || mixing_.MixerOpen()) return;
  {
    Tbitsampling dialog(NewSound, this);
    dialog.exec();
  }
  view_.FftSpan = NewSound.SpectrumSpan();
}

void TFormMain::SlowRecTimeClick() {
  if (Busy() || mixing_.MixerOpen()) return;
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
  c.SetBrushColor(
      Rgb{std::uint8_t(face.red()), std::uint8_t(face.green()), std::uint8_t(face.blue())});
  c.FillRect(0, 0, wavedatafmt->Width(), wavedatafmt->Height());
  c.SetFontColor(Colors::Black);
  const QStringList lines = FormatBoxLines();
  for (int i = 0; i < 4; ++i) c.TextOut(0, 15 * i, lines[i].toStdString());
}
