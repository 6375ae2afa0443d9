#pragma once
// The 18-byte on-disk form of WAVEFORMATEX (the body of the "fmt " chunk the writer
// stores, cbSize included), little-endian, field by field. Any thread.

#include <array>
#include <cstdint>

#include "base/wavetypes.h"

namespace WaveFormatCodec {
using Bytes = std::array<std::uint8_t, kWaveFormatExBytes>;

Bytes Encode(const WAVEFORMATEX& format);
WAVEFORMATEX Decode(const Bytes& bytes);
}  // namespace WaveFormatCodec
