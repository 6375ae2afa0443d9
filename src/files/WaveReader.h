#pragma once
// Reads the sound of a RIFF WAVE file (PCM only) for File > Open and File > AddFile: the
// format record and the sample bytes of the "data" chunk. The main window shows the
// status text and owns the block it gets. GUI thread only (allocates through Heap, whose
// test hook is not synchronised).
//
// What the reader relies on: a RIFF chunk of form WAVE; inside it a "fmt " chunk whose
// first 16 bytes are WAVEFORMATEX up to wBitsPerSample; after it a "data" chunk. Other
// chunks anywhere are skipped. The sound is the bytes the file really holds, whatever
// the data chunk's size claims, cut to whole frames, and to fewer than 2^31 bytes (sizes
// of the sound are signed 32-bit): a longer sound is opened up to there and says so.
//
// The bytes are copied into the block, never mapped: a file changed or cut short on disk
// afterwards does not change the sound held. They go straight from the file into their
// place in the block, a few MiB per call, without a second copy in between.

#include <cstdint>
#include <string>

#include "base/wavetypes.h"
#include "files/ByteSource.h"
#include "files/ProgressCallback.h"
#include "files/WaveReadStatus.h"

namespace WaveReader {
struct Result {
  WaveReadStatus status = WaveReadStatus::Ok;
  // Ok only: the sound's bytes in a block from Heap::Alloc, which the caller owns and
  // frees with Heap::Free. nullptr on any failure (nothing is left to free).
  std::uint8_t* data = nullptr;
  // Ok only: bytes of sound in `data`; > 0 and a multiple of format.nBlockAlign.
  std::int32_t size = 0;
  // Ok only: the file holds more sound than fits below 2^31 bytes; `data` holds the
  // whole frames up to there. The window tells the user (kCutNotice).
  bool cut = false;
};

// What the window shows, in a box of its own, after an Open whose result is `cut`.
inline constexpr const char* kCutNotice =
    "The file holds more than 2 GiB of sound; the first 2 GiB were opened.";

// True for a format the rest of the system can index safely: tag 1 (PCM), at least one
// channel, a sampling rate and a block size above 0, and for 8- and 16-bit samples a
// block of exactly channels x bytes per sample. Other PCM sample sizes are let through.
bool FormatIsUsable(const WAVEFORMATEX& format);

// Reads the file held by `source`, from its start. The first min(16, fmt chunk size)
// bytes of the format chunk overwrite `format` from its first byte, byte for byte; the
// bytes beyond them (cbSize always) keep their values. Those bytes stay in `format` after
// any later failure too (and after a short format chunk: the bytes that were there).
// `progress` (may be empty) follows the sound's bytes; when it returns false the read
// stops with Cancelled and no block.
Result Read(ByteSource& source, WAVEFORMATEX& format, const ProgressCallback& progress = {});

// Read() on the file at `path` (UTF-8, any length). NoFile when it cannot be opened.
Result ReadFile(const std::string& path, WAVEFORMATEX& format,
                const ProgressCallback& progress = {});

// AddFile from `source`: reads it as Read does (its format replaces `format`, the two are
// not compared) and appends its sound to the held block of `dataSize` bytes. The block is
// grown once, with Heap::ReallocZeroed, to its final size, and the added frames are read
// straight into its tail; they start on a frame boundary of their own format (a held
// sound that is not a whole number of them gets silence up to the next one). On success
// `dataSize` grows by the bytes added (padding included).
//
// On any failure, Cancelled included, the first `dataSize` bytes and `dataSize` are as
// they were, but `data` may point elsewhere: growing may have moved the block before the
// read failed, and the block is then shrunk back where it can be. Callers that keep
// other pointers into the block compare `data` with its value before the call, whatever
// the status. NoMemory also when the sum would reach 2^31 bytes.
WaveReadStatus Append(ByteSource& source, WAVEFORMATEX& format, std::uint8_t*& data,
                      std::int32_t& dataSize, const ProgressCallback& progress = {});

// Append() from the file at `path`. NoFile when it cannot be opened.
WaveReadStatus AppendFile(const std::string& path, WAVEFORMATEX& format, std::uint8_t*& data,
                          std::int32_t& dataSize, const ProgressCallback& progress = {});
}  // namespace WaveReader
