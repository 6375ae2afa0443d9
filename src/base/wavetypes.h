#pragma once
// The published PCM records that the document, the files and the devices share.
// Field names and order are the published ones; their byte layout on disk is produced
// by the encoders in files/ (never by sizeof or a struct overlay).

#include <cstdint>

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr unsigned kWaveFormatExBytes = 18;  // on disk, cbSize included
constexpr unsigned kWaveHdrBytes = 32;       // the published header size the calls pass

struct WAVEFORMATEX {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;
};

inline bool operator==(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
         a.nSamplesPerSec == b.nSamplesPerSec && a.nAvgBytesPerSec == b.nAvgBytesPerSec &&
         a.nBlockAlign == b.nBlockAlign && a.wBitsPerSample == b.wBitsPerSample &&
         a.cbSize == b.cbSize;
}

// Header of one block handed to a device. Between Prepare and Unprepare the header and
// the bytes it points at belong to the device.
constexpr std::uint32_t WHDR_DONE = 0x01;
constexpr std::uint32_t WHDR_PREPARED = 0x02;
constexpr std::uint32_t WHDR_INQUEUE = 0x10;

struct WAVEHDR {
  std::uint8_t* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;   // bytes in the block
  std::uint32_t dwBytesRecorded = 0;  // capture: bytes filled when the block came back
  std::uintptr_t dwUser = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwLoops = 0;
};

// Position record. The program never sets wType; devices answer in bytes in cb.
struct MMTIME {
  std::uint32_t wType = 0;
  std::uint32_t cb = 0;
};
