// Playback through the output device, the 200 ms timer that makes the views follow it,
// the play cursor, and the giving up of a held sound.

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <algorithm>

#include "PaintBox.h"
#include "ScrollBar.h"
#include "analysis/mygraphthread.h"
#include "base/nearest.h"

#include "Prompts.h"
#include "base/Heap.h"
#include "audio/NoticeQueue.h"
#include "main.h"

bool TFormMain::OpenWaveOut() {
  const DeviceResult r = devices_.OpenOut(WaveFormat, *notices_, HWaveOut);
  OutDeviceOpen = r.ok() && HWaveOut;
  if (!OutDeviceOpen) {
    HWaveOut.reset();
    ShowMessage(DeviceErrorText(r), "ERROR");
    return false;
  }
  return true;
}

void TFormMain::GiveUpBlock() {
  if (blockOwed_) ++staleNotices_;
  blockOwed_ = false;
}

void TFormMain::CloseWaveOut() {
  GiveUpBlock();
  if (HWaveOut) {
    HWaveOut->Reset();
    if (WaveHdr) HWaveOut->Unprepare(*WaveHdr);
    HWaveOut->Close();
  }
  HWaveOut.reset();
  OutDeviceOpen = false;
}

bool TFormMain::ConfirmNewData() {
  // A sound is given up also when its device was lost (a refused prepare or write), and
  // with it the mixer that writes into it.
  if (!InDeviceOpen && !OutDeviceOpen && !MixerOpen && !WaveData) return true;
  if (!RecCollecting &&
      !prompts_.Message(this, "Input New data OK?", "Message", Prompts::Buttons::OkCancel))
    return false;
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  if (InDeviceOpen) CloseWaveIn();
  if (OutDeviceOpen) CloseWaveOut();
  FreeSound();
  return true;
}

double TFormMain::BytesToSeconds(std::int32_t offset) const {
  // A file may claim 0 bytes per second; its time then reads 0.
  if (WaveFormat.nAvgBytesPerSec == 0) return 0;
  return double(offset) / WaveFormat.nAvgBytesPerSec;
}

bool TFormMain::HasRoom(std::uint32_t size, std::uint32_t start, std::uint32_t block,
                        std::uint32_t frame) {
  return size >= std::uint32_t(start + block * frame);
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

bool TFormMain::PrepareOut(std::uint8_t* data, std::int32_t pos, std::int32_t size) {
  WaveHdr->dwFlags = 0;
  WaveHdr->dwLoops = 0;
  WaveHdr->lpData = data + pos;
  WaveHdr->dwBufferLength = std::uint32_t(size - pos);
  const DeviceResult r = HWaveOut->Prepare(*WaveHdr);
  if (r.ok()) return true;
  CloseWaveOut();
  ShowMessage(DeviceErrorText(r), "wave");
  return false;
}

bool TFormMain::StartOut(std::uint8_t* data, std::int32_t pos, std::int32_t size) {
  if (!PrepareOut(data, pos, size)) return false;
  Timer1->start();
  const DeviceResult r = HWaveOut->Write(*WaveHdr);
  if (r.ok()) {
    blockOwed_ = true;
    Playing = true;
    return true;
  }
  // The timer stops before the box: the box's own event loop would let it tick on a
  // closed device.
  Timer1->stop();
  CloseWaveOut();
  ShowMessage(DeviceErrorText(r), "wave");
  return false;
}

bool TFormMain::StopPlaying() {
  Timer1->stop();
  Playing = false;
  PlayButton->setText("PLAY");
  GiveUpBlock();
  if (HWaveOut) {
    HWaveOut->Pause();
    HWaveOut->Reset();
    if (WaveHdr) HWaveOut->Unprepare(*WaveHdr);
    HWaveOut->Close();
    HWaveOut.reset();
  }
  // A fresh device, so that the next playback counts its position from 0. The notice
  // of the block just returned reads that position; if its query fails it must not add
  // the last tick's count to where the stop left PlayPos.
  PlayTime.cb = 0;
  OpenWaveOut();
  return true;
}

void TFormMain::MMWomDone() {
  // Notices come in posting order, so the first ones after a stop are those of the blocks
  // the stop gave up: they change nothing (above all not a playback started since).
  if (staleNotices_ > 0) {
    --staleNotices_;
    if (!Playing) PlayScrollBar->SetPosition(PlayPos);
    return;
  }
  blockOwed_ = false;
  Timer1->stop();
  if (!HWaveOut || !HWaveOut->GetPosition(PlayTime).ok()) ShowMessage("error", "time");
  PlayPos += std::int32_t(PlayTime.cb);
  PlayScrollBar->SetPosition(PlayPos);
  if (PlayPos != DataSize && !Playing) return;  // a block returned by a stop
  PlayPos = 0;
  StopPlaying();
  PlayButton->setText("PLAY");
  Playing = false;
  DrawWaveGrid(WaveGridStep, WaveGridStep * WaveGridMajor);
  DrawFftGrid(FftGridStep, FftGridStep * FftGridMajor);
  PlayScrollBar->SetPosition(DataSize - WaveFormat.nBlockAlign * std::int32_t(FftSize));
}

void TFormMain::PlayButtonClick() { PlayOrStop(); }

void TFormMain::PlayOrStop() {
  if (!OutDeviceOpen || Recording) return;
  if (Playing) {
    StopPlaying();
    // The thumb may have been dragged during playback (the drag is not aligned then).
    const int block = std::max<int>(WaveFormat.nBlockAlign, 1);
    const int pos = PlayScrollBar->Position();
    PlayPos = pos - pos % block;
    RedrawViews();
    return;
  }
  // An empty sound, or a cursor past its end, has nothing to play.
  if (!HasSound() || PlayPos < 0 || PlayPos >= DataSize) return;
  PlayButton->setText("STOP");
  if (!StartOut(WaveData, PlayPos, DataSize)) PlayButton->setText("PLAY");
}

void TFormMain::Timer1Timer() {
  if (!HWaveOut || !HWaveOut->GetPosition(PlayTime).ok()) {
    // Stopped before the box, whose event loop would otherwise keep ticking into it.
    Timer1->stop();
    ShowMessage("error", "time");
    return;
  }
  // The sounding byte, aligned to the sample width of the settings.
  const std::uint32_t step = std::max<std::uint32_t>(RecBits / 8, 1);
  const std::uint32_t cur = ((std::uint32_t(PlayPos) + PlayTime.cb) / step) * step;
  Label1->setText(FormatSeconds(BytesToSeconds(std::int32_t(cur))));
  // The whole number of view windows closest to one timer period of samples.
  const double period = double(Timer1->interval()) * RecSampleRate / 1000;
  const std::uint32_t frames = std::uint32_t(Nearest(period / FftSize));
  std::int32_t ahead = std::int32_t(cur + FftSize * frames);
  if (WaveFormat.nBlockAlign) ahead += ahead % WaveFormat.nBlockAlign;
  if (std::int64_t(ahead) <= std::int64_t(std::uint32_t(DataSize)) &&
      HasRoom(std::uint32_t(DataSize), std::uint32_t(ahead), WaveFormat.nBlockAlign, FftSize)) {
    StartPaintJob(WaveData, std::uint32_t(DataSize), std::uint32_t(ahead));
    ShowBaseFreq(FindPeaks());
    PlayScrollBar->SetPosition(std::int32_t(cur));
  }
  if (cur == std::uint32_t(DataSize)) {
    Timer1->stop();
    Playing = false;
    const std::int64_t last =
        std::int64_t(DataSize) - std::int64_t(WaveFormat.nBlockAlign) * FftSize;
    // A sound shorter than one window has no last frame to show.
    if (last >= 0) {
      RedrawViewsAt(FftSize, WaveData, PaintBoxGra, PaintBoxFft, WaveFormat.wBitsPerSample,
                    WaveFormat.nChannels, std::uint32_t(last));
      PlayScrollBar->SetPosition(std::int32_t(last));
    }
  }
}

void TFormMain::StartPaintJob(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset) {
  auto job = std::make_shared<MyPaintGraph>(
      int(WaveStep), int(FftSize), data, size, offset,
      MyPaintGraph::Arrays{FftInput, FftMagnitude, FftSpectrum, FftWork}, FftSpan,
      WaveFormat.nChannels, WaveFormat.wBitsPerSample, RecSampleRate, PaintBoxGra->Canvas(),
      PaintBoxFft->Canvas(), WaveTimes, FftTimes);
  // Runs after this handler has returned. Dropped with the window; when the block it draws
  // from, or the analysis arrays, were given up meanwhile; and when it follows a playback
  // that has ended since, so that it cannot wipe the full redraw (grids) of the stop.
  QMetaObject::invokeMethod(
      this,
      [this, job, epoch = soundEpoch_, playback = Playing, input = FftInput] {
        if (epoch != soundEpoch_ || input != FftInput || (playback && !Playing)) return;
        if (!job->Paint()) ShowMessage("error", QString());
      },
      Qt::QueuedConnection);
}

void TFormMain::PlayScrollBarScroll(int& position) {
  if (Playing || Recording) return;
  if (!OutDeviceOpen) {
    position = 0;
    return;
  }
  const int block = std::max<int>(WaveFormat.nBlockAlign, 1);
  const int pos = position - position % block;
  position = pos;
  PlayPos = pos;
  PlayScrollBar->SetPosition(pos);
  Label1->setText(FormatSeconds(BytesToSeconds(pos)));
  RedrawViews();
}
