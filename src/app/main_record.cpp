// Recording from the input device into a new sound: REC, the live views while buffers
// arrive, and the two-step stop. The recorder decides; this file shows what it decided.

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "app/main.h"
#include "model/PlayRange.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

void TFormMain::RepButtonClick() {
  // Out of reach while a start runs (its question included).
  RepButton->hide();
  RecordOrStop();
  RepButton->show();
}

void TFormMain::RecordOrStop() {
  if (player_.Playing()) return;
  if (rec_.Recording()) {
    StopRecording();
    return;
  }
  if (!ConfirmNewData()) return;
  Sound.Free();  // the question gave any held sound up; nothing of it may remain
  rec_.Arm();
  RepButton->setText("STOP");
  Sound.SetFormat(NewSound.MakeWaveFormat());
  const std::int32_t bufferBytes = NewSound.CaptureBufferBytes();
  Sound.SetEmptySize(bufferBytes);
  FitPlayRange();
  const Recorder::StartResult r =
      rec_.Start(Sound.Format(), bufferBytes, NewSound.RecordingCeiling());
  if (!r.ok()) {
    // Back to Idle: nothing is held, and REC starts again.
    RepButton->setText("REC");
    using Step = Recorder::StartResult::Step;
    if (r.step == Step::NoBufferMemory)
      ShowMessage("No pwavedata", "ERROR");
    else if (r.step == Step::NoHeaderMemory)
      ShowMessage("No pwaveheader", "ERROR");
    else
      ShowMessage(DeviceErrorText(r.device), "ERROR");
    return;
  }
  mixing_.RecordingStarted();
  ShowBaseLabel();
  DrawFormatBox();
}

void TFormMain::FitPlayRange() {
  const std::uint32_t asked = view_.FftSize;
  const PlayRange::Window w = PlayRange::Fit(Sound.Size(), Sound.Format().nBlockAlign, asked);
  if (w.fftSize != asked) ShowSmallestWindow();  // its handler draws nothing while recording
  if (w.last < PlayScrollBar->Position()) player_.SetPlayPos(std::int32_t(w.last));
  PlayScrollBar->SetMax(int(w.last));
}

void TFormMain::StopRecording() {
  RepButton->setText("REC");
  Recorder::Data now = rec_.RequestStop();
  ChooseScales();
  RedrawViews();
  // A device that could not return its buffers finishes nothing: the recorder did.
  if (now.kind == Recorder::Data::Kind::Finished) FinishRecording(now);
}

void TFormMain::InputLost() {
  if (!rec_.Recording()) return;  // a stop is under way already, or nothing records
  // Said before the stop: the finish that follows may show the output device's refusal
  // (the server is gone), and a box shown later would stand over it, out of order. The
  // lost device fills nothing more meanwhile.
  ShowMessage("Sound input lost", "ERROR");
  if (rec_.Recording()) StopRecording();
}

void TFormMain::FinishRecording(Recorder::Data& d) {
  RepButton->show();
  RepButton->setText("REC");
  // An empty recording holds no sound: no device opens for it, so PLAY, Save and fftmix
  // refuse it as they refuse no sound at all.
  if (d.size > 0 && d.sound) {
    Sound.Adopt(std::move(d.sound), d.size, std::move(d.header));
    Sound.MarkMadeHere(Sound.ShownHandle());
    OpenWaveOut();  // a refusal has shown its box; the recording is held all the same
  } else {
    Sound.SetEmptySize(0);
  }
  ShowNewSound();  // the recording at the cursor, with grids and readout
}

void TFormMain::CloseWaveIn() { rec_.CloseIn(); }

void TFormMain::MMWimData(WAVEHDR* hdr) {
  const std::size_t frameBytes = std::size_t(view_.FftSize) * Sound.Format().nBlockAlign;
  Recorder::Data d = rec_.OnInputData(hdr, frameBytes);
  switch (d.kind) {
    case Recorder::Data::Kind::Collected: {
      // The device refills the buffer before this job paints: it draws its own copy.
      auto frame = std::make_shared<const std::vector<std::uint8_t>>(std::move(d.frame));
      const WAVEFORMATEX fmt = Sound.Format();
      const int frames = int(view_.FftSize);
      StartPaintJob([frame, fmt, frames] {
        return std::optional<SoundView>(SoundView{frame->data(), std::int64_t(frame->size()),
                                                  fmt.nChannels, fmt.wBitsPerSample, 0, frames});
      });
      ShowBaseFreq(FindPeaks());
      return;
    }
    case Recorder::Data::Kind::OutOfMemory:
      ShowMessage("No pwavedata", "ERROR");
      StopRecording();
      return;
    case Recorder::Data::Kind::Finished: FinishRecording(d); return;
    case Recorder::Data::Kind::StopCleared:
    case Recorder::Data::Kind::Ignored: return;
  }
}
