// The tone mixer window and the hand-over of the analysed harmonics to it (fftmix), "BASE",
// and this window's side of the mixer's host.

#include <QLabel>
#include <QScreen>

#include "app/main.h"
#include "app/mix.h"
#include "ui/ScrollBar.h"
#include "ui/WindowPlace.h"

Tmixplay* TFormMain::mixplay() const { return mixplay_.data(); }

void TFormMain::MixerClick() { OpenMixer(); }

Tmixplay* TFormMain::ShowMixer(bool byFftmix) {
  auto* w = new Tmixplay(static_cast<MixerHost&>(*this), this);  // FormCreate runs here
  mixplay_ = w;
  mixing_.WindowOpened(byFftmix);
  // Beside this window on its screen, rather than over it at the screen's corner.
  if (const QScreen* s = screen())
    w->move(PlaceBeside(frameGeometry(), w->frameGeometry().size(), s->availableGeometry()));
  w->show();
  return w;
}

void TFormMain::DestroyMixer() {
  // Deleting the window does not run its close handler.
  delete mixplay_.data();
  mixplay_ = nullptr;
}

void TFormMain::ShowBaseLabel() { LBAorFFT->setVisible(mixing_.BaseShown()); }

void TFormMain::OpenMixer() {
  if (Busy()) return;
  if (mixing_.MixerOpen()) {
    if (Tmixplay* w = mixplay()) {
      w->show();
      w->raise();
      w->activateWindow();
    }
    return;
  }
  if (!ConfirmNewData()) return;
  if (mixing_.MakeMixerSound() == MixSession::Made::NoMemory) {
    ChooseScales();
    ShowMessage("No Memory", "ERROR");
    return;
  }
  OpenWaveOut();  // a refusal has shown its box; the mixer opens all the same
  // The silent sound replaces the last one in the views and the readout too.
  ShowNewSound();
  ShowMixer(false);
}

void TFormMain::fftmixClick() {
  if (!Sound.HasSound() || Busy() || !analysis_.HasArrays()) return;
  const MixSession::FftMix r = mixing_.StartFftMix([this] { return FindPeaks(); });
  switch (r) {
    case MixSession::FftMix::Ignored: return;
    case MixSession::FftMix::TwoChannels: ShowMessage("2channel", "error"); return;
    case MixSession::FftMix::NoPeaks: ShowMessage("fft", "error"); return;
    case MixSession::FftMix::NoMemory: ShowMessage("No Memory", "ERROR"); return;
    case MixSession::FftMix::TakeOverInWindow:
      ShowBaseLabel();
      // Its activation takes the analysis over; an activation may come late or not at all
      // (another window keeps the focus), so it is asked for here.
      if (Tmixplay* w = mixplay()) {
        w->show();
        w->raise();
        w->activateWindow();
        w->FormActivate();
      }
      return;
    case MixSession::FftMix::OpenWindow:
      ShowBaseLabel();
      ShowMixer(true);  // takes the analysis over as it is made
      return;
  }
}

void TFormMain::LBAorFFTDblClick() {
  if (rec_.Recording()) return;
  // The shown block changes: the device must give the mixer's back first.
  if (player_.Playing()) StopPlaying();
  if (!mixing_.ShowBase()) return;
  ShowNewSound();
  ShowBaseLabel();
}

// ---- The mixer's host ----

void TFormMain::StopPlayback() {
  if (player_.Playing()) StopPlaying();
}

void TFormMain::ShowRebuiltSound() {
  ShowNewSound();
  ShowBaseLabel();
}

void TFormMain::PlayFromStart() {
  PlayScrollBar->SetPosition(0);
  PlayOrStop();
}

void TFormMain::MixerClosed() {
  // A mixer of fftmix gives its block up: no device may hold it then.
  if (mixing_.MixerFromFft()) StopPlayback();
  if (mixing_.MixerClosed() == MixSession::Closed::AnalysedShown) {
    ShowNewSound();
    ShowBaseLabel();
    return;
  }
  RedrawViews();
}
