#pragma once
// How a PCM WAVEFORMATEX becomes the parameters of a PortAudio stream, and the results the
// PortAudio devices share. Pure functions: any thread.

#include <portaudio.h>

#include <cstdint>

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

struct PortAudioFormat {
  int channels = 0;
  PaSampleFormat sampleFormat = paInt16;  // paUInt8 or paInt16; paInt8 when flipSign
  bool flipSign = false;                  // 8-bit bytes cross as paInt8: XOR 0x80 on the way
  std::uint32_t blockAlign = 0;           // bytes per frame
  double rate = 0;                        // frames per second

  // Accepts PCM of 8-bit unsigned or 16-bit signed little-endian samples, 1 or 2 channels,
  // any nonzero rate (the device decides whether it can play it), with nBlockAlign and
  // nAvgBytesPerSec consistent. A refusal carries PortAudio's text for the problem.
  static DeviceResult From(const WAVEFORMATEX& format, PortAudioFormat& out);

  // The same stream parameters with 8-bit samples handed over as paInt8 (for a host that
  // refuses paUInt8). No effect on 16-bit formats.
  PortAudioFormat Signed8() const;

  // Byte value of silence in the sample format PortAudio is given, and in the WAVE bytes.
  std::uint8_t SilenceByte() const { return sampleFormat == paUInt8 ? 0x80 : 0x00; }
  std::uint8_t WaveSilenceByte() const { return blockAlign == std::uint32_t(channels) ? 0x80 : 0; }

  // Copies `frames` frames of the WAVE bytes into a PortAudio buffer, or back.
  void ToStream(const std::uint8_t* wave, std::uint8_t* stream, std::uint32_t frames) const;
  void FromStream(const std::uint8_t* stream, std::uint8_t* wave, std::uint32_t frames) const;
};

// PortAudio's text for `error`, followed by the host API's own text when PortAudio reports
// an unanticipated host error.
DeviceResult PortAudioError(PaError error);

// Refusals by the devices' own rules, numbered as the wave services number them.
namespace PortAudioDeviceCode {
constexpr int kClosed = 5;        // call on a closed device
constexpr int kBadParam = 11;     // header without data
constexpr int kStillQueued = 33;  // the header (or another) is still with the device
constexpr int kUnprepared = 34;   // write or add of a header that was not prepared
}  // namespace PortAudioDeviceCode
