#pragma once
// The one check of a PCM format record against a set of limits (base/PcmLimits.h): the
// WAVE reader and every device decide with it which formats they take. Pure functions:
// any thread.

#include <cstdint>
#include <string>

#include "base/PcmLimits.h"
#include "base/wavetypes.h"

// The rules, in the order they are checked.
enum class PcmFault : std::uint8_t {
  None,
  Tag,             // wFormatTag is not 1 (PCM)
  Bits,            // wBitsPerSample is a width the limits do not take
  Channels,        // nChannels outside minChannels .. maxChannels
  Rate,            // nSamplesPerSec outside minRate .. maxRate
  BlockAlign,      // not channels x bytes (8 and 16 bits), or 0 (other widths)
  BytesPerSecond,  // nAvgBytesPerSec is not nSamplesPerSec x nBlockAlign
};

// The first rule `format` breaks under `limits`; None when the format is usable.
PcmFault PcmFormatFault(const WAVEFORMATEX& format, const PcmLimits& limits);

// Bytes per frame of 8- or 16-bit samples, channels x bytes per sample; 0 for other widths.
std::uint32_t PcmFrameBytes(const WAVEFORMATEX& format);

// Empty when `format` is usable under `limits`; otherwise one English line naming the
// field, its value and what is taken, e.g.
// "Unsupported sound format: 24 bits per sample (8 or 16 are supported)."
std::string PcmFormatProblem(const WAVEFORMATEX& format, const PcmLimits& limits);
