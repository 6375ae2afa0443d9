// Playback through the output device, the 200 ms timer that makes the views follow it,
// and the play cursor. The transport decides; this file shows what it decided.

#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "app/main.h"
#include "model/PlayRange.h"
#include "ui/PaintBox.h"
#include "ui/ScrollBar.h"

bool TFormMain::OpenWaveOut() {
  const DeviceResult r = player_.OpenOut();
  if (!r.ok()) ShowMessage(DeviceErrorText(r), "ERROR");
  return r.ok();
}

void TFormMain::CloseWaveOut() { player_.CloseOut(); }

void TFormMain::SyncTimer() {
  if (player_.TimerWanted() && !Timer1->isActive()) Timer1->start();
  if (!player_.TimerWanted() && Timer1->isActive()) Timer1->stop();
}

bool TFormMain::StopPlaying() {
  const DeviceResult reopen = player_.Stop();
  SyncTimer();
  PlayButton->setText("PLAY");
  if (!reopen.ok()) ShowMessage(DeviceErrorText(reopen), "ERROR");
  return true;
}

void TFormMain::MMWomDone() { ShowDone(player_.OnOutputDone()); }

void TFormMain::ShowDone(const Transport::Done& d) {
  SyncTimer();
  if (d.thumb) PlayScrollBar->SetPosition(*d.thumb);
  if (d.positionFailed) ShowMessage("error", "time");
  if (d.kind != Transport::Done::Kind::Ended) return;
  PlayButton->setText("PLAY");
  if (!d.reopen.ok()) ShowMessage(DeviceErrorText(d.reopen), "ERROR");
  DrawWaveGrid();
  DrawFftGrid();
  PlayScrollBar->SetPosition(
      int(PlayRange::LastWindow(Sound.Size(), Sound.Format().nBlockAlign, view_.FftSize)));
}

void TFormMain::PlayButtonClick() { PlayOrStop(); }

void TFormMain::PlayOrStop() {
  if (rec_.Recording() || !Sound.HasSound()) return;
  if (player_.Playing()) {
    StopPlaying();
    // The thumb may have been dragged during playback (the drag is not aligned then).
    player_.SetPlayPos(
        PlayRange::AlignToFrame(PlayScrollBar->Position(), Sound.Format().nBlockAlign));
    RedrawViews();
    return;
  }
  // An empty sound, or a cursor past its end, has nothing to play.
  const std::int32_t pos = player_.PlayPos();
  if (pos < 0 || pos >= Sound.Size()) return;
  // A device refused or lost earlier is asked for again; a refusal shows its box.
  if (!player_.OutDeviceOpen() && !OpenWaveOut()) return;
  PlayButton->setText("STOP");
  // The mixer's notes must sound at once; a held sound plays with long device buffers.
  const Transport::StartResult r =
      player_.Start(mixing_.MixerOpen() ? PlaybackUse::Note : PlaybackUse::Sound);
  SyncTimer();
  if (r.ok()) return;
  // The box shows over STOP; the caption goes back once it is closed.
  ShowMessage(DeviceErrorText(r.device), "wave");
  PlayButton->setText("PLAY");
}

void TFormMain::Timer1Timer() {
  const Transport::Tick t =
      player_.OnTick({view_.FftSize, NewSound.RecBits, NewSound.RecSampleRate, Timer1->interval()});
  SyncTimer();
  if (t.positionFailed) {
    ShowMessage("error", "time");
    return;
  }
  Label1->setText(FormatSeconds(
      PlayRange::BytesToSeconds(std::int32_t(t.cur), Sound.Format().nAvgBytesPerSec)));
  if (t.paintAt) {
    const SoundDocument::Handle block = Sound.ShownHandle();
    const std::int64_t offset = *t.paintAt;
    const int frames = int(view_.FftSize);
    StartPaintJob([this, block, offset, frames] { return Sound.View(block, offset, frames); });
    ShowBaseFreq(FindPeaks());
    PlayScrollBar->SetPosition(std::int32_t(t.cur));
  }
  if (t.ended) {
    const std::int64_t last =
        PlayRange::LastWindow(Sound.Size(), Sound.Format().nBlockAlign, view_.FftSize);
    // A sound shorter than one window has no last frame to show.
    if (last >= 0) {
      RedrawViewsAt(std::uint32_t(last));
      PlayScrollBar->SetPosition(std::int32_t(last));
    }
  }
}

void TFormMain::OutputLost() {
  const bool ended = player_.OnOutputLost();
  SyncTimer();
  // Also after a playback whose end the timer saw: the block's notice, which would have
  // put the caption back, no longer comes.
  PlayButton->setText("PLAY");
  if (!ended) return;  // nothing was playing: the next PLAY opens a device or says why not
  // As a stop leaves it: the cursor where the sound broke off, and PLAY resumes there.
  PlayScrollBar->SetPosition(player_.PlayPos());
  player_.SetPlayPos(
      PlayRange::AlignToFrame(PlayScrollBar->Position(), Sound.Format().nBlockAlign));
  RedrawViews();
  ShowMessage("Sound output lost", "ERROR");
}

QString TFormMain::FormatSeconds(double seconds) {
  return FormatFixed(seconds, 3) + QLatin1Char('s');
}

QString TFormMain::FormatFixed(double value, int decimals) {
  // The locale's decimal separator, but no digit grouping: 1234.5 reads "1234.500".
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(value, 'f', decimals);
}

void TFormMain::PlayScrollBarScroll(int& position) {
  if (Busy()) return;
  if (!Sound.HasSound()) {
    position = 0;
    return;
  }
  const std::int32_t pos = PlayRange::AlignToFrame(position, Sound.Format().nBlockAlign);
  position = pos;
  player_.SetPlayPos(pos);
  PlayScrollBar->SetPosition(pos);
  Label1->setText(FormatSeconds(PlayRange::BytesToSeconds(pos, Sound.Format().nAvgBytesPerSec)));
  RedrawViews();
}
