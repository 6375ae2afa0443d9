#include "audio/portaudio/PortAudioFormat.h"

#include <bit>
#include <cstring>
#include <string>

#include "base/PcmFormat.h"

// WAVE's 16-bit samples are little-endian and PortAudio's paInt16 is native: the bytes are
// copied as they stand.
static_assert(std::endian::native == std::endian::little, "16-bit samples are copied as is");

namespace {
DeviceResult Refuse(PaError error, const std::string& detail) {
  return DeviceResult::Error(error, std::string(Pa_GetErrorText(error)) + " (" + detail + ")");
}
}  // namespace

DeviceResult PortAudioFormat::From(const WAVEFORMATEX& f, PortAudioFormat& out) {
  const std::uint32_t align = PcmFrameBytes(f);
  const std::uint64_t perSecond = std::uint64_t{f.nSamplesPerSec} * align;
  switch (PcmFormatFault(f, kPortAudioLimits)) {
    case PcmFault::None: break;
    case PcmFault::Tag:
      return Refuse(paSampleFormatNotSupported,
                    "format tag " + std::to_string(f.wFormatTag) + ", only PCM is played");
    case PcmFault::Bits:
      return Refuse(paSampleFormatNotSupported,
                    std::to_string(f.wBitsPerSample) + " bits per sample, 8 or 16 are played");
    case PcmFault::Channels:
      return Refuse(paInvalidChannelCount,
                    std::to_string(f.nChannels) + " channels, 1 or 2 are played");
    case PcmFault::Rate:
      return Refuse(paInvalidSampleRate, std::to_string(f.nSamplesPerSec) + " Hz");
    case PcmFault::BlockAlign:
      return Refuse(paSampleFormatNotSupported, "block align " + std::to_string(f.nBlockAlign) +
                                                    ", expected " + std::to_string(align));
    case PcmFault::BytesPerSecond:
      return Refuse(paSampleFormatNotSupported, std::to_string(f.nAvgBytesPerSec) +
                                                    " bytes per second, expected " +
                                                    std::to_string(perSecond));
  }
  out.channels = f.nChannels;
  out.sampleFormat = f.wBitsPerSample == 8 ? paUInt8 : paInt16;
  out.flipSign = false;
  out.blockAlign = align;
  out.rate = f.nSamplesPerSec;
  return DeviceResult::Ok();
}

PortAudioFormat PortAudioFormat::Signed8() const {
  PortAudioFormat f = *this;
  if (sampleFormat == paUInt8) {
    f.sampleFormat = paInt8;
    f.flipSign = true;
  }
  return f;
}

void PortAudioFormat::ToStream(const std::uint8_t* wave, std::uint8_t* stream,
                               std::uint32_t frames) const {
  const std::size_t bytes = std::size_t{frames} * blockAlign;
  if (!flipSign) {
    std::memcpy(stream, wave, bytes);
    return;
  }
  for (std::size_t i = 0; i < bytes; ++i) stream[i] = wave[i] ^ 0x80u;
}

void PortAudioFormat::FromStream(const std::uint8_t* stream, std::uint8_t* wave,
                                 std::uint32_t frames) const {
  // The sign flip is its own inverse.
  ToStream(stream, wave, frames);
}

DeviceResult PortAudioError(PaError error) {
  if (error == paNoError) return DeviceResult::Ok();
  std::string text = Pa_GetErrorText(error);
  if (error == paUnanticipatedHostError) {
    const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
    if (host && host->errorText && *host->errorText) text += ": " + std::string(host->errorText);
  }
  return DeviceResult::Error(error, std::move(text));
}
