#include "mixer/MixSession.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/nearest.h"
#include "model/NewSoundSettings.h"
#include "model/SoundDocument.h"

MixSession::MixSession(SoundDocument& sound, NewSoundSettings& settings)
    : sound_(sound), settings_(settings) {}

MixSession::Made MixSession::MakeMixerSound() {
  sound_.Free();
  sound_.SetFormat(settings_.MakeWaveFormat());
  const std::int32_t size = settings_.MixBytes();
  sound_.SetEmptySize(size);
  HeapBytes block = AllocBytes(std::size_t(std::max(size, 0)));
  HeapPtr<WAVEHDR> header = block ? SoundDocument::NewHeader() : HeapPtr<WAVEHDR>();
  if (!block || !header) return Made::NoMemory;
  // Silence until the mixer writes: the views show the new sound before its window exists.
  std::memset(block.get(), sound_.Format().wBitsPerSample == 8 ? 128 : 0,
              std::size_t(std::max(size, 0)));
  sound_.Adopt(std::move(block), size, std::move(header));
  return Made::Sound;
}

void MixSession::WindowOpened(bool byFftmix) {
  mixerOpen_ = true;
  mixerFromFft_ = byFftmix;
}

MixSession::FftMix MixSession::StartFftMix(const std::function<bool()>& findPeaks) {
  if (!sound_.HasSound() || baseShown_) return FftMix::Ignored;
  const WAVEFORMATEX held = sound_.Format();
  if (held.nChannels != 1) return FftMix::TwoChannels;
  if (!findPeaks()) {
    fftMixMode_ = false;
    return FftMix::NoPeaks;
  }
  fftMixMode_ = true;
  settings_.RecBits = held.wBitsPerSample;
  settings_.RecSampleRate = held.nSamplesPerSec;
  const std::int64_t size = Nearest(double(held.nAvgBytesPerSec) * settings_.MixSeconds);
  if (size > std::numeric_limits<std::int32_t>::max() || !sound_.AddMixBlock(std::int32_t(size))) {
    // No block to take the analysis over into: a mixer opened later must not take it.
    fftMixMode_ = false;
    return FftMix::NoMemory;
  }
  baseShown_ = true;
  return mixerOpen_ ? FftMix::TakeOverInWindow : FftMix::OpenWindow;
}

void MixSession::TakenOver() {
  fftMixMode_ = false;
  sound_.MarkMadeHere(sound_.ShownHandle());
}

void MixSession::Rebuilt() {
  if (mixerFromFft_) baseShown_ = true;
  sound_.MarkMadeHere(sound_.ShownHandle());
}

bool MixSession::ShowBase() {
  if (!baseShown_ || !sound_.Show(sound_.SavedHandle())) return false;
  baseShown_ = false;
  return true;
}

MixSession::Closed MixSession::MixerClosed() {
  mixerOpen_ = false;
  if (!mixerFromFft_) return Closed::SoundKept;
  sound_.DropMixBlock();
  mixerFromFft_ = false;
  baseShown_ = false;
  return Closed::AnalysedShown;
}

bool MixSession::GiveUp() {
  const bool hadWindow = mixerOpen_;
  mixerOpen_ = mixerFromFft_ = fftMixMode_ = baseShown_ = false;
  return hadWindow;
}
