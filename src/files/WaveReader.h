#pragma once
// Reads the sound of a RIFF WAVE file (PCM only) for File > Open and File > AddFile: the
// format record and the sample bytes of the "data" chunk. The main window shows the
// status text and owns the block it gets. GUI thread only (allocates through Heap, whose
// test hook is not synchronised).
//
// What the reader relies on: a RIFF chunk of form WAVE; inside it a "fmt " chunk whose
// first 16 bytes are WAVEFORMATEX up to wBitsPerSample; after it a "data" chunk. Other
// chunks anywhere are skipped. The sound is the bytes the file really holds, whatever
// the data chunk's size claims, cut to whole frames.

#include <cstdint>
#include <string>

#include "base/wavetypes.h"
#include "files/ByteSource.h"
#include "files/WaveReadStatus.h"

namespace WaveReader {
struct Result {
  WaveReadStatus status = WaveReadStatus::Ok;
  // Ok only: the sound's bytes in a block from Heap::Alloc, which the caller owns and
  // frees with Heap::Free. nullptr on any failure (nothing is left to free).
  std::uint8_t* data = nullptr;
  // Ok only: bytes of sound in `data`; > 0 and a multiple of format.nBlockAlign.
  std::int32_t size = 0;
};

// True for a format the rest of the system can index safely: tag 1 (PCM), at least one
// channel, a sampling rate and a block size above 0, and for 8- and 16-bit samples a
// block of exactly channels x bytes per sample. Other PCM sample sizes are let through.
bool FormatIsUsable(const WAVEFORMATEX& format);

// Reads the file held by `source`, from its start. The first min(16, fmt chunk size)
// bytes of the format chunk overwrite `format` from its first byte, byte for byte; the
// bytes beyond them (cbSize always) keep their values. Those bytes stay in `format` after
// any later failure too (and after a short format chunk: the bytes that were there).
Result Read(ByteSource& source, WAVEFORMATEX& format);

// Read() on the file at `path` (UTF-8, any length). NoFile when it cannot be opened.
Result ReadFile(const std::string& path, WAVEFORMATEX& format);

// AddFile: reads the file at `path` as ReadFile does (its format replaces `format`, the
// two are not compared) and appends its sound to the held block: `data` is grown with
// Heap::Realloc and `dataSize` increased by the bytes appended. On any failure `data`
// and `dataSize` are as they were (the block may have moved only on success). NoMemory
// also when the sum would exceed the largest signed 32-bit size.
WaveReadStatus AppendFile(const std::string& path, WAVEFORMATEX& format, std::uint8_t*& data,
                          std::int32_t& dataSize);
}  // namespace WaveReader
