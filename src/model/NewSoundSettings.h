#pragma once
// The settings for sound the program makes itself (recording, the tone mixer): always PCM
// mono. Set by the Bit&Sampling and SlowRecTime dialogs; fftmix copies the analysed
// sound's width and rate into them. Plain values: any thread.

#include <array>
#include <cstdint>
#include <optional>

#include "base/wavetypes.h"

struct NewSoundSettings {
  // The rates offered for new sound, in the order the Bit&Sampling dialog lists them.
  static constexpr std::array<std::uint32_t, 9> kRates{8000,  11025, 12000, 16000, 22050,
                                                       24000, 32000, 44100, 48000};
  // The position of `rate` in kRates; nullopt for a rate not offered (fftmix may copy any
  // file's rate into RecSampleRate).
  static std::optional<int> ItemOfRate(std::uint32_t rate);

  std::uint32_t RecBits = 8;           // 8 or 16
  std::uint32_t RecSampleRate = 8000;  // Hz: one of kRates, or the rate fftmix copied
  double SlowRecSeconds = 0.2;         // seconds per capture buffer: 0.2 .. 1.0
  double MixSeconds = 0.5;             // seconds of the block the mixer is opened with
  std::int32_t RecLimitSeconds = 300;  // the recording keeps at most this × rate bytes

  // PCM, 1 channel, RecBits, RecSampleRate.
  WAVEFORMATEX MakeWaveFormat() const;
  // Bytes of one capture buffer: nearest(nAvgBytesPerSec × SlowRecSeconds).
  std::int32_t CaptureBufferBytes() const;
  // Bytes of the block the mixer window is opened with: nearest(nAvgBytesPerSec ×
  // MixSeconds).
  std::int32_t MixBytes() const;
  // The most bytes a recording keeps: RecLimitSeconds × RecSampleRate.
  std::int64_t RecordingCeiling() const;
  // Hz across the spectrum view for sound at RecSampleRate: its Nyquist frequency,
  // RecSampleRate div 2.
  double SpectrumSpan() const { return double(RecSampleRate / 2); }
};
