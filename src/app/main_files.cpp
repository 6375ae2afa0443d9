// File > Open, AddFile and Save: the WAVE files the sound is read from and written to.
// Paths, any length, reach the files as the file system's bytes: those of a name given on
// the command line as they are, a dialog's or a drop's through NativePath.

#include <QFile>

#include "app/main.h"
#include "files/ProgressCallback.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"
#include "ui/ConfirmReplace.h"
#include "ui/NativePath.h"
#include "ui/Prompts.h"

namespace {
// The callback that drives a progress box; empty where none is shown.
ProgressCallback Follow(Prompts::Progress* box) {
  if (!box) return {};
  return [box](std::int64_t done, std::int64_t total) { return box->Step(done, total); };
}
}  // namespace

TFormMain::FileOutcome TFormMain::LoadWaveFile(const QByteArray& nativePath) {
  if (player_.OutDeviceOpen()) CloseWaveOut();
  // Whatever is still held is replaced (the caller's question gave a held sound up).
  Sound.Free();
  auto progress = prompts_.StartProgress(this, QStringLiteral("Open"));
  // The bytes of the format chunk that were read stay in the format, also on a failure.
  WAVEFORMATEX format = Sound.Format();
  WaveReader::Result r =
      WaveReader::ReadFile(nativePath.toStdString(), format, Follow(progress.get()));
  Sound.SetFormat(format);
  progress.reset();
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
  Sound.Adopt(std::move(r.data), r.size, std::move(header));
  ResetPlayRange();
  DrawFormatBox();
  // Never silently: a sound past what the sizes can hold is opened in part, and said so.
  if (r.cut) ShowMessage(WaveReader::kCutNotice, "Message");
  return FileOutcome::Done;
}

TFormMain::FileOutcome TFormMain::AppendWaveFile(const QByteArray& nativePath) {
  const WAVEFORMATEX heldFormat = Sound.Format();
  const std::int32_t heldSize = Sound.Size();
  auto progress = prompts_.StartProgress(this, QStringLiteral("AddFile"));
  const WaveReadStatus s = Sound.Append(nativePath.toStdString(), Follow(progress.get()));
  progress.reset();
  // A refused or cancelled append left the held sound, its size and format as they were.
  if (s == WaveReadStatus::Cancelled) return FileOutcome::Cancelled;
  if (s != WaveReadStatus::Ok) {
    ShowMessage(WaveReadStatusText(s, WaveReadCommand::AddFile), "ERROR");
    return FileOutcome::Failed;
  }
  // The appended file's format now describes the whole block, so the device must play it
  // with that format too. A device that refuses it has shown its box; the append is then
  // taken back, and the device opened again for the sound it played before, so that the
  // failed AddFile leaves the held sound as it was.
  if (player_.OutDeviceOpen() && !(Sound.Format() == heldFormat)) {
    CloseWaveOut();
    if (!OpenWaveOut()) {
      Sound.UndoAppend(heldSize, heldFormat);
      (void)player_.OpenOut();  // it played this format a moment ago; no second box
      return FileOutcome::Failed;
    }
  }
  // A sound lengthened here is in no file any more.
  Sound.MarkMadeHere(Sound.ShownHandle());
  DrawFormatBox();
  return FileOutcome::Done;
}

TFormMain::FileOutcome TFormMain::SaveWaveFile(const QByteArray& nativePath) {
  auto progress = prompts_.StartProgress(this, QStringLiteral("Save"));
  const WaveSaveStatus s = WaveWriter::SaveFile(nativePath.toStdString(), Sound.Format(),
                                                Sound.Data(), Sound.Size(), Follow(progress.get()));
  progress.reset();
  if (s == WaveSaveStatus::Cancelled) return FileOutcome::Cancelled;  // the old file stays
  if (s != WaveSaveStatus::Ok) {
    ShowMessage(WaveSaveStatusText(s), "ERROR");
    return FileOutcome::Failed;
  }
  Sound.MarkSaved(Sound.ShownHandle());
  return FileOutcome::Done;
}

void TFormMain::OpenClick() {
  OpenChosen([this]() -> std::optional<QByteArray> {
    const std::optional<QString> path = prompts_.OpenFileName(this, OpenDialog1Filter);
    if (!path) return std::nullopt;
    return NativePath(*path);
  });
}

void TFormMain::OpenFile(const QString& path) { OpenFileNamed(NativePath(path)); }

void TFormMain::OpenFileNamed(const QByteArray& nativePath) {
  OpenChosen([&nativePath] { return std::optional<QByteArray>(nativePath); });
}

void TFormMain::OpenChosen(const std::function<std::optional<QByteArray>()>& choose) {
  if (Busy()) return;
  if (!ConfirmNewData()) return;
  if (const auto path = choose()) {
    const FileOutcome loaded = LoadWaveFile(*path);
    if (loaded == FileOutcome::Done) {
      ShowNewSound();
      return;
    }
    if (loaded == FileOutcome::Failed) ShowMessage("no exit file", QFile::decodeName(*path));
  }
  RedrawViews();
}

void TFormMain::AddFile1Click() {
  if (Busy() || !Sound.Data()) return;
  const auto path = prompts_.OpenFileName(this, OpenDialog1Filter);
  if (!path) return;
  const FileOutcome added = AppendWaveFile(NativePath(*path));
  if (added == FileOutcome::Done) {
    ShowNewSound();
    return;
  }
  // A refusal or a cancel keeps the held sound as it was, and its device, views and mixer
  // with it: a user never loses a recording to a file that could not be added.
  if (added == FileOutcome::Failed) ShowMessage("no exit file", *path);
}

void TFormMain::SaveClick() {
  if (rec_.Recording()) return;
  // A held sound saves whether or not a device plays it (one refused or lost still holds
  // the sound).
  if (!Sound.HasSound()) {
    ShowMessage("no data", "error");
    return;
  }
  const auto chosen = prompts_.SaveFileName(this, SaveDialog1Filter);
  if (!chosen) return;
  const QByteArray path = NativePath(*chosen) + ".wav";
  if (!ConfirmReplace(prompts_, this, path)) return;
  if (SaveWaveFile(path) == FileOutcome::Failed)
    ShowMessage("no save file", QFile::decodeName(path));
}
