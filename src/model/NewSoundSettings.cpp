#include "model/NewSoundSettings.h"

#include "base/nearest.h"

WAVEFORMATEX NewSoundSettings::MakeWaveFormat() const {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.wBitsPerSample = std::uint16_t(RecBits);
  f.nSamplesPerSec = RecSampleRate;
  f.nAvgBytesPerSec = RecSampleRate * (f.wBitsPerSample / 8);
  f.nBlockAlign = f.wBitsPerSample / 8;
  f.cbSize = 0;
  return f;
}

std::int32_t NewSoundSettings::CaptureBufferBytes() const {
  // Extended precision, as the product is defined; for the rates and times offered it is
  // a whole number anyway.
  return std::int32_t(Nearest(static_cast<long double>(MakeWaveFormat().nAvgBytesPerSec) *
                              static_cast<long double>(SlowRecSeconds)));
}

std::int32_t NewSoundSettings::MixBytes() const {
  return std::int32_t(Nearest(double(MakeWaveFormat().nAvgBytesPerSec) * MixSeconds));
}

std::int64_t NewSoundSettings::RecordingCeiling() const {
  return std::int64_t(RecLimitSeconds) * std::int64_t(RecSampleRate);
}

std::optional<int> NewSoundSettings::ItemOfRate(std::uint32_t rate) {
  for (std::size_t i = 0; i < kRates.size(); ++i)
    if (kRates[i] == rate) return int(i);
  return std::nullopt;
}
