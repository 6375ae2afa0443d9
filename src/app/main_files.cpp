// File > Open, AddFile and Save: the WAVE files the sound is read from and written to.
// Paths are the file dialog's, any length, passed on as UTF-8.

#include "Prompts.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"
#include "main.h"

bool TFormMain::LoadWaveFile(const QString& path) {
  if (Player.OutDeviceOpen()) CloseWaveOut();
  // Whatever is still held (a sound whose device could not be reopened) is replaced.
  Sound.Free();
  const WaveReader::Result r = WaveReader::ReadFile(path.toStdString(), Sound.Format());
  HeapBytes block(r.data);
  if (r.status != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(r.status, WaveReadCommand::Open), "ERROR");
    return false;
  }
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!header) {
    ShowMessage("No pwaveheader", "ERROR");
    return false;
  }
  if (!OpenWaveOut()) return false;
  Sound.Adopt(std::move(block), r.size, std::move(header));
  ResetPlayRange();
  DrawFormatBox();
  return true;
}

bool TFormMain::AppendWaveFile(const QString& path) {
  const WAVEFORMATEX heldFormat = Sound.Format();
  const WaveReadStatus s = Sound.AppendInPlace([&](std::uint8_t*& data, std::int32_t& size) {
    return WaveReader::AppendFile(path.toStdString(), Sound.Format(), data, size);
  });
  if (s != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(s, WaveReadCommand::AddFile), "ERROR");
    return false;
  }
  // The appended file's format now describes the whole block, so the device must play it
  // with that format too. A device that refuses it has shown its box; the caller then
  // drops the sound as after any failed append.
  if (Player.OutDeviceOpen() && !(Sound.Format() == heldFormat)) {
    CloseWaveOut();
    if (!OpenWaveOut()) return false;
  }
  DrawFormatBox();
  return true;
}

bool TFormMain::SaveWaveFile(const QString& path) {
  const WaveSaveStatus s =
      WaveWriter::SaveFile(path.toStdString(), Sound.Format(), Sound.Data(), Sound.Size());
  if (s != WaveSaveStatus::Ok) {
    ShowMessage(WaveSaveStatusText(s), "ERROR");
    return false;
  }
  return true;
}

void TFormMain::OpenClick() {
  OpenChosen([this] { return prompts_.OpenFileName(this, OpenDialog1Filter); });
}

void TFormMain::OpenFile(const QString& path) {
  OpenChosen([&path] { return std::optional<QString>(path); });
}

void TFormMain::OpenChosen(const std::function<std::optional<QString>()>& choose) {
  if (Busy()) return;
  if (!ConfirmNewData()) return;
  if (const auto path = choose()) {
    if (LoadWaveFile(*path)) {
      ChooseScales();
      ResetPlayRange();
    } else {
      ShowMessage("no exit file", *path);
    }
  }
  RedrawViews();
}

void TFormMain::AddFile1Click() {
  if (Busy() || !Sound.Data()) return;
  const auto path = prompts_.OpenFileName(this, OpenDialog1Filter);
  if (!path) return;
  if (AppendWaveFile(*path)) {
    ChooseScales();
    ResetPlayRange();
    RedrawViews();
    return;
  }
  ShowMessage("no exit file", *path);
  // The held sound is dropped, and with it the mixer that writes into it: nothing is left
  // behind that no reference reaches any more.
  GiveUpSound();
}

void TFormMain::SaveClick() {
  if (Rec.Recording()) return;
  if (!Player.OutDeviceOpen()) {
    ShowMessage("no data", "error");
    return;
  }
  const auto chosen = prompts_.SaveFileName(this, SaveDialog1Filter);
  if (!chosen) return;
  const QString path = *chosen + ".wav";
  if (!SaveWaveFile(path)) ShowMessage("no save file", path);
}
