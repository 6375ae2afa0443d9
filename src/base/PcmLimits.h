#pragma once
// Which PCM formats a part of the system takes, as PcmFormatFault checks them, and the
// named sets the WAVE reader and the two kinds of device use. Plain values: any thread.

#include <cstdint>
#include <limits>

struct PcmLimits {
  // Sample widths whose frame size is known (nBlockAlign must be channels x bytes).
  bool eightBit = true;    // 8-bit unsigned
  bool sixteenBit = true;  // 16-bit signed little-endian
  // Any other wBitsPerSample passes too, needing only an nBlockAlign above 0.
  bool otherWidthsPass = false;
  std::uint16_t minChannels = 1;
  std::uint16_t maxChannels = 2;
  std::uint32_t minRate = 1;       // Hz
  std::uint32_t maxRate = 384000;  // Hz
  // nAvgBytesPerSec must equal nSamplesPerSec x nBlockAlign.
  bool bytesPerSecondChecked = true;
};

// What the WAVE reader opens: every PCM width a file may hold, at least one channel, a
// rate and a block size above 0; 8- and 16-bit frames exactly channels x bytes. The
// declared bytes per second are not used, so they are not checked.
inline constexpr PcmLimits kWaveFileLimits{
    .eightBit = true,
    .sixteenBit = true,
    .otherWidthsPass = true,
    .minChannels = 1,
    .maxChannels = std::numeric_limits<std::uint16_t>::max(),
    .minRate = 1,
    .maxRate = std::numeric_limits<std::uint32_t>::max(),
    .bytesPerSecondChecked = false,
};

// What the simulated devices play and record.
inline constexpr PcmLimits kSimulatedDeviceLimits{
    .eightBit = true,
    .sixteenBit = true,
    .otherWidthsPass = false,
    .minChannels = 1,
    .maxChannels = 2,
    .minRate = 1,
    .maxRate = 384000,
    .bytesPerSecondChecked = true,
};

// What every output device takes, real or simulated (the narrower set): a sound in this
// format plays wherever the program runs. --analyse refuses the rest, as Open would.
inline constexpr PcmLimits kPlayableLimits = kSimulatedDeviceLimits;

// What is handed to a PortAudio stream. Any rate above 0: the device decides whether it
// can run at it.
inline constexpr PcmLimits kPortAudioLimits{
    .eightBit = true,
    .sixteenBit = true,
    .otherWidthsPass = false,
    .minChannels = 1,
    .maxChannels = 2,
    .minRate = 1,
    .maxRate = std::numeric_limits<std::uint32_t>::max(),
    .bytesPerSecondChecked = true,
};
