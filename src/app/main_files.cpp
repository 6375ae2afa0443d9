// File > Open, AddFile and Save: the WAVE files the sound is read from and written to.
// Paths are the file dialog's, any length, passed on as UTF-8.

#include "Prompts.h"
#include "base/Heap.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"
#include "main.h"

bool TFormMain::LoadWaveFile(const QString& path) {
  if (OutDeviceOpen) CloseWaveOut();
  // Whatever is still held (a sound whose device could not be reopened) is replaced.
  FreeSound();
  const WaveReader::Result r = WaveReader::ReadFile(path.toStdString(), WaveFormat);
  if (r.status != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(r.status, WaveReadCommand::Open), "ERROR");
    return false;
  }
  auto* hdr = static_cast<WAVEHDR*>(Heap::Alloc(sizeof(WAVEHDR)));
  if (!hdr) {
    Heap::Free(r.data);
    ShowMessage("No pwaveheader", "ERROR");
    return false;
  }
  *hdr = WAVEHDR{};
  WaveData = r.data;
  WaveHdr = hdr;
  if (!OpenWaveOut()) {
    FreeSound();
    return false;
  }
  DataSize = r.size;
  ResetPlayRange();
  DrawFormatBox();
  return true;
}

bool TFormMain::AppendWaveFile(const QString& path) {
  const std::uint8_t* before = WaveData;
  const WAVEFORMATEX heldFormat = WaveFormat;
  const WaveReadStatus s =
      WaveReader::AppendFile(path.toStdString(), WaveFormat, WaveData, DataSize);
  if (WaveData != before) {
    ++soundEpoch_;  // the block moved: queued paints must not use it
    if (MixData == before) MixData = WaveData;  // the mixer writes where the sound now is
  }
  if (s != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(s, WaveReadCommand::AddFile), "ERROR");
    return false;
  }
  // The appended file's format now describes the whole block, so the device must play it
  // with that format too. A device that refuses it has shown its box; the caller then
  // drops the sound as after any failed append.
  if (OutDeviceOpen && !(WaveFormat == heldFormat)) {
    CloseWaveOut();
    if (!OpenWaveOut()) return false;
  }
  DrawFormatBox();
  return true;
}

bool TFormMain::SaveWaveFile(const QString& path, std::int32_t size) {
  const WaveSaveStatus s = WaveWriter::SaveFile(path.toStdString(), WaveFormat, WaveData, size);
  if (s != WaveSaveStatus::Ok) {
    ShowMessage(WaveSaveStatusText(s), "ERROR");
    return false;
  }
  return true;
}

void TFormMain::OpenClick() {
  if (Playing || Recording) return;
  if (!ConfirmNewData()) return;
  if (const auto path = prompts_.OpenFileName(this, OpenDialog1Filter)) {
    if (LoadWaveFile(*path)) {
      ChooseScales();
      ResetPlayRange();
    } else {
      ShowMessage("no exit file", *path);
      ClearSoundRefs();
      OutDeviceOpen = false;
    }
  }
  RedrawViews();
}

void TFormMain::AddFile1Click() {
  if (Playing || Recording || !WaveData) return;
  const auto path = prompts_.OpenFileName(this, OpenDialog1Filter);
  if (!path) return;
  if (AppendWaveFile(*path)) {
    ChooseScales();
    ResetPlayRange();
    RedrawViews();
    return;
  }
  ShowMessage("no exit file", *path);
  // The held sound is dropped: its device is closed and its block freed, so nothing is
  // left behind that no reference reaches any more. The mixer, which writes into that
  // block, goes with it.
  if (MixerOpen) {
    DestroyMixer();
    MixerOpen = false;
  }
  if (OutDeviceOpen) CloseWaveOut();
  FreeSound();
  ClearSoundRefs();
  OutDeviceOpen = false;
}

void TFormMain::SaveClick() {
  if (Recording) return;
  if (!OutDeviceOpen) {
    ShowMessage("no data", "error");
    return;
  }
  const auto chosen = prompts_.SaveFileName(this, SaveDialog1Filter);
  if (!chosen) return;
  const QString path = *chosen + ".wav";
  if (!SaveWaveFile(path, DataSize)) ShowMessage("no save file", path);
}
