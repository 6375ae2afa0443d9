#include "mixer/ToneMixer.h"

#include <algorithm>
#include <limits>
#include <span>

#include "mixer/Synthesis.h"
#include "mixer/ToneRules.h"

void ToneMixer::TakeShownBlock() {
  block_ = sound_.ShownHandle();
  format_ = sound_.Format();
  size_ = sound_.Size();
  harmLimit_ = HarmonicLimit(format_.nSamplesPerSec, tone_.Freq);
}

namespace {
// The mixer's block as far as both the mixer's size and the document's reach: the document
// bounds the writing, whatever the mixer last heard of the size.
std::span<std::uint8_t> Bytes(SoundDocument& sound, SoundDocument::Handle h, std::int32_t size) {
  const std::span<std::uint8_t> block = sound.Bytes(h);
  return block.first(std::min(block.size(), std::size_t(std::max(size, 0))));
}
}  // namespace

void ToneMixer::Silence() {
  const std::span<std::uint8_t> bytes = Bytes(sound_, block_, size_);
  if (format_.wBitsPerSample == 8) FillSilence8(bytes);
  if (format_.wBitsPerSample == 16) FillSilence16(bytes);
}

void ToneMixer::Clear() {
  set_.HarmCount = 0;
  set_.Amplitude.fill(0);
  set_.Phase.fill(0.0);
  bank_ = 0;
  tone_.FadeSteps = 10;
}

void ToneMixer::SetFreq(std::int32_t hz) {
  tone_.Freq = hz;
  harmLimit_ = HarmonicLimit(format_.nSamplesPerSec, hz);
}

void ToneMixer::SetBank(int bank) { bank_ = std::clamp(bank, 0, kBanks - 1); }

int ToneMixer::HarmonicOf(int i) const {
  return (i >= 1 && i <= kBankSize) ? i + kBankSize * bank_ : 0;
}

int ToneMixer::AmpPosition(int i) const {
  const int h = HarmonicOf(i);
  if (h == 0) return 100;
  return int(std::clamp<std::int64_t>(100 - std::int64_t(set_.Amplitude[h]), 0, 100));
}

std::int32_t ToneMixer::PhaseDegrees(int i) const {
  const int h = HarmonicOf(i);
  return h == 0 ? 0 : WholeDegrees(set_.Phase[h]);
}

bool ToneMixer::SetAmplitude(int i, int position) {
  const int h = HarmonicOf(i);
  if (h == 0 || h > harmLimit_) return false;
  set_.HarmCount = std::max(set_.HarmCount, std::int32_t(h));
  set_.Amplitude[h] = 100 - std::clamp(position, 0, 100);
  return true;
}

bool ToneMixer::PhaseAccepted(int i) const {
  const int h = HarmonicOf(i);
  return h != 0 && set_.Amplitude[h] != 0 && h <= harmLimit_ && h <= set_.HarmCount;
}

bool ToneMixer::SetPhaseDegrees(int i, std::int32_t degrees) {
  if (!PhaseAccepted(i)) return false;
  set_.Phase[HarmonicOf(i)] = DegreesToPhase(degrees);
  return true;
}

void ToneMixer::ResetAll() {
  set_.Amplitude.fill(0);
  set_.Phase.fill(0.0);
}

void ToneMixer::ResetPhases() { set_.Phase.fill(0.0); }

bool ToneMixer::Store(int slot) {
  MemorySlot m;
  m.Harmonics = set_;
  m.Freq = tone_.Freq;
  m.Volume = tone_.Volume;
  return memory_.Store(slot, m);
}

void ToneMixer::RecallTables(const MemorySlot& slot) {
  set_.Amplitude = slot.Harmonics.Amplitude;
  set_.Phase = slot.Harmonics.Phase;
  set_.Spectrum = slot.Harmonics.Spectrum;
}

ToneMixer::Rebuild ToneMixer::Resize(std::int32_t tenths) {
  if (!sound_.Resolve(block_)) return Rebuild::NoBlock;
  const std::int64_t size = GeneratedSize(format_.nAvgBytesPerSec, tenths);
  if (size > std::numeric_limits<std::int32_t>::max()) return Rebuild::NoMemory;
  if (!sound_.Resize(block_, std::int32_t(size))) return Rebuild::NoMemory;
  sound_.Show(block_);
  size_ = std::int32_t(size);
  // Grown bytes are undefined: whatever draws the block before the synthesis sees silence.
  Silence();
  return Rebuild::Done;
}

ToneMixer::Written ToneMixer::Synthesize() {
  const int bits = format_.wBitsPerSample;
  if (!sound_.Resolve(block_) || (bits != 8 && bits != 16)) return Written::Nothing;
  const std::span<std::uint8_t> bytes = Bytes(sound_, block_, size_);
  const std::uint32_t rate = format_.nSamplesPerSec;
  const bool silenced =
      bits == 8 ? Synthesize8(bytes, rate, set_, tone_) : Synthesize16(bytes, rate, set_, tone_);
  return silenced ? Written::Silence : Written::Sound;
}

void ToneMixer::TakeOver(const AnalysedPeaks& peaks) {
  bank_ = 0;
  TakeOverPeaks(peaks, set_);
}
