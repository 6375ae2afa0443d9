// File > Open, AddFile and Save: the WAVE files the sound is read from and written to.
// Paths are the file dialog's, any length, passed on as UTF-8.

#include "Prompts.h"
#include "files/ProgressCallback.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"
#include "main.h"

namespace {
// The callback that drives a progress box; empty where none is shown.
ProgressCallback Follow(Prompts::Progress* box) {
  if (!box) return {};
  return [box](std::int64_t done, std::int64_t total) { return box->Step(done, total); };
}
}  // namespace

TFormMain::FileOutcome TFormMain::LoadWaveFile(const QString& path) {
  if (player_.OutDeviceOpen()) CloseWaveOut();
  // Whatever is still held (a sound whose device could not be reopened) is replaced.
  Sound.Free();
  auto progress = prompts_.StartProgress(this, QStringLiteral("Open"));
  // The bytes of the format chunk that were read stay in the format, also on a failure.
  WAVEFORMATEX format = Sound.Format();
  const WaveReader::Result r =
      WaveReader::ReadFile(path.toStdString(), format, Follow(progress.get()));
  Sound.SetFormat(format);
  progress.reset();
  HeapBytes block(r.data);
  if (r.status == WaveReadStatus::Cancelled) return FileOutcome::Cancelled;
  if (r.status != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(r.status, WaveReadCommand::Open), "ERROR");
    return FileOutcome::Failed;
  }
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!header) {
    ShowMessage("No pwaveheader", "ERROR");
    return FileOutcome::Failed;
  }
  if (!OpenWaveOut()) return FileOutcome::Failed;
  Sound.Adopt(std::move(block), r.size, std::move(header));
  ResetPlayRange();
  DrawFormatBox();
  // Never silently: a sound past what the sizes can hold is opened in part, and said so.
  if (r.cut) ShowMessage(WaveReader::kCutNotice, "Message");
  return FileOutcome::Done;
}

TFormMain::FileOutcome TFormMain::AppendWaveFile(const QString& path) {
  const WAVEFORMATEX heldFormat = Sound.Format();
  auto progress = prompts_.StartProgress(this, QStringLiteral("AddFile"));
  WAVEFORMATEX format = heldFormat;
  const WaveReadStatus s = Sound.AppendInPlace([&](std::uint8_t*& data, std::int32_t& size) {
    return WaveReader::AppendFile(path.toStdString(), format, data, size,
                                  Follow(progress.get()));
  });
  Sound.SetFormat(format);
  progress.reset();
  if (s == WaveReadStatus::Cancelled) {
    // The reader left the held bytes as they were; only the format record took the
    // added file's, which it must give back.
    Sound.SetFormat(heldFormat);
    return FileOutcome::Cancelled;
  }
  if (s != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(s, WaveReadCommand::AddFile), "ERROR");
    return FileOutcome::Failed;
  }
  // The appended file's format now describes the whole block, so the device must play it
  // with that format too. A device that refuses it has shown its box; the caller then
  // drops the sound as after any failed append.
  if (player_.OutDeviceOpen() && !(Sound.Format() == heldFormat)) {
    CloseWaveOut();
    if (!OpenWaveOut()) return FileOutcome::Failed;
  }
  DrawFormatBox();
  return FileOutcome::Done;
}

TFormMain::FileOutcome TFormMain::SaveWaveFile(const QString& path) {
  auto progress = prompts_.StartProgress(this, QStringLiteral("Save"));
  const WaveSaveStatus s = WaveWriter::SaveFile(path.toStdString(), Sound.Format(), Sound.Data(),
                                                Sound.Size(), Follow(progress.get()));
  progress.reset();
  if (s == WaveSaveStatus::Cancelled) return FileOutcome::Cancelled;  // the old file stays
  if (s != WaveSaveStatus::Ok) {
    ShowMessage(WaveSaveStatusText(s), "ERROR");
    return FileOutcome::Failed;
  }
  return FileOutcome::Done;
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
    const FileOutcome loaded = LoadWaveFile(*path);
    if (loaded == FileOutcome::Done) {
      ShowNewSound();
      return;
    }
    if (loaded == FileOutcome::Failed) ShowMessage("no exit file", *path);
  }
  RedrawViews();
}

void TFormMain::AddFile1Click() {
  if (Busy() || !Sound.Data()) return;
  const auto path = prompts_.OpenFileName(this, OpenDialog1Filter);
  if (!path) return;
  const FileOutcome added = AppendWaveFile(*path);
  if (added == FileOutcome::Done) {
    ShowNewSound();
    return;
  }
  // A cancel keeps the held sound as it was: a user never loses a recording to it.
  if (added == FileOutcome::Cancelled) return;
  ShowMessage("no exit file", *path);
  // The held sound is dropped, and with it the mixer that writes into it: nothing is left
  // behind that no reference reaches any more.
  GiveUpSound();
}

void TFormMain::SaveClick() {
  if (rec_.Recording()) return;
  if (!player_.OutDeviceOpen()) {
    ShowMessage("no data", "error");
    return;
  }
  const auto chosen = prompts_.SaveFileName(this, SaveDialog1Filter);
  if (!chosen) return;
  const QString path = *chosen + ".wav";
  if (SaveWaveFile(path) == FileOutcome::Failed) ShowMessage("no save file", path);
}
