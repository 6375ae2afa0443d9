#pragma once
// Reads the sound of a RIFF WAVE file (PCM only) for File > Open and File > AddFile: the
// format record and the sample bytes of the "data" chunk. The main window shows the
// status text and owns the block it gets. GUI thread only (allocates through Heap, whose
// test hook is not synchronised).
//
// `progress` (may be empty) follows the walk through the file's chunks on a file whose
// chunks before the sound are many megabytes long, then the sound's bytes; when it
// returns false the read stops with Cancelled, and nothing the caller holds changed.
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

#include "base/HeapPtr.h"
#include "base/wavetypes.h"
#include "files/ByteSource.h"
#include "files/ProgressCallback.h"
#include "files/WaveReadStatus.h"

namespace WaveReader {
struct Result {
  WaveReadStatus status = WaveReadStatus::Ok;
  // Ok only: the sound's bytes. Empty on any failure.
  HeapBytes data;
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
Result Read(ByteSource& source, WAVEFORMATEX& format, const ProgressCallback& progress = {});

// Read() on the file at `path` (UTF-8, any length). NoFile when it cannot be opened.
Result ReadFile(const std::string& path, WAVEFORMATEX& format,
                const ProgressCallback& progress = {});

// A sound held in memory, as AddFile appends to it: the block, its byte count and the
// format that describes it.
struct HeldSound {
  HeapBytes data;
  std::int32_t size = 0;
  WAVEFORMATEX format;
};

// AddFile from `source`: reads it as Read does and appends its sound to `held`. The block
// is grown once, with Heap::ReallocZeroed, to its final size, and the added frames are
// read straight into its tail; they start on a frame boundary of their own format (a held
// sound that is not a whole number of them gets silence up to the next one). On success
// `size` grows by the bytes added (padding included) and `format` becomes the file's:
// the two formats are not compared.
//
// On any failure, Cancelled included, `held` keeps its bytes, its size and its format;
// only the block's address may differ (growing may have moved it before the read
// failed; it is shrunk back where it can be). NoMemory also when the sum would reach
// 2^31 bytes.
WaveReadStatus Append(ByteSource& source, HeldSound& held, const ProgressCallback& progress = {});

// Append() from the file at `path`. NoFile when it cannot be opened.
WaveReadStatus AppendFile(const std::string& path, HeldSound& held,
                          const ProgressCallback& progress = {});
}  // namespace WaveReader
