// The tone mixer window and the hand-over of the analysed harmonics to it (fftmix).

#include <QLabel>
#include <limits>

#include "base/nearest.h"
#include "main.h"
#include "mix.h"

namespace {
// Brings the existing window to the front; true when there is one.
Tmixplay* Raise(const QPointer<QWidget>& window) {
  auto* w = qobject_cast<Tmixplay*>(window.data());
  if (!w) return nullptr;
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}
}  // namespace

void TFormMain::MixerClick() { OpenMixer(); }

void TFormMain::OpenMixer() {
  if (Busy()) return;
  if (MixerOpen) {
    Raise(mixplay);
    return;
  }
  if (!ConfirmNewData()) return;
  Sound.Format() = NewSound.MakeWaveFormat();
  const std::int32_t size = NewSound.MixBytes();
  Sound.SetEmptySize(size);
  ChooseScales();
  HeapBytes block = AllocBytes(std::size_t(std::max(size, 0)));
  if (!block) {
    ShowMessage("No Memory", "ERROR");
    return;
  }
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!header) {
    ShowMessage("No Memory", "ERROR");
    return;  // the block goes with its owner
  }
  Sound.Adopt(std::move(block), size, std::move(header));
  OpenWaveOut();  // a refusal has shown its box; the mixer opens all the same
  DrawFormatBox();
  ResetPlayRange();
  auto* w = new Tmixplay(*this);
  mixplay = w;
  w->show();
  MixerOpen = true;
}

void TFormMain::fftmixClick() {
  if (!Player.OutDeviceOpen() || !Sound.HasSound() || Busy() || !Analysis.HasArrays() ||
      !LBAorFFT->isHidden())
    return;
  const WAVEFORMATEX held = Sound.Format();
  if (held.nChannels != 1) {
    ShowMessage("2channel", "error");
    return;
  }
  if (!FindPeaks()) {
    FftMixMode = false;
    ShowMessage("fft", "error");
    return;
  }
  FftMixMode = true;
  NewSound.RecBits = held.wBitsPerSample;
  NewSound.RecSampleRate = held.nSamplesPerSec;
  // The analysed sound waits aside with its size; the mixer's block is shown.
  const std::int64_t size = Nearest(double(held.nAvgBytesPerSec) * NewSound.MixSeconds);
  if (size > std::numeric_limits<std::int32_t>::max() || !Sound.AddMixBlock(std::int32_t(size))) {
    // No block to take the analysis over into: a mixer opened later must not take it.
    FftMixMode = false;
    ShowMessage("No Memory", "ERROR");
    return;
  }
  LBAorFFT->show();
  if (MixerOpen) {
    // Its activation takes the analysis over; an activation may come late or not at all
    // (another window keeps the focus), so it is asked for here.
    if (Tmixplay* w = Raise(mixplay)) w->FormActivate();
    return;
  }
  auto* w = new Tmixplay(*this);  // takes the analysis over as it is made
  mixplay = w;
  w->show();
  MixerOpen = true;
  MixerFromFft = true;
}

void TFormMain::LBAorFFTDblClick() {
  if (Rec.Recording()) return;
  // The shown block changes: the device must give the mixer's back first.
  if (Player.Playing()) StopPlaying();
  Sound.Show(Sound.OwnHandle());  // the mixer's block stays for the mixer
  ChooseScales();
  DrawFormatBox();
  ResetPlayRange();
  RedrawViews();
  LBAorFFT->hide();
}
