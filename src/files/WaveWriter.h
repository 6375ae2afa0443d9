#pragma once
// Writes a sound as a RIFF WAVE file for File > Save: the RIFF chunk of form WAVE, an
// 18-byte "fmt " chunk that is the format record (cbSize included) and a "data" chunk
// with the sample bytes and a pad byte when their count is odd; nothing else. For S data
// bytes the file is 46 + S (+1 when S is odd) bytes long and its RIFF size 38 + S (+1).
// Never changes the sound. GUI thread only (FileByteSink's test hook).

#include <cstdint>
#include <string>

#include "base/wavetypes.h"
#include "files/ByteSink.h"
#include "files/ProgressCallback.h"
#include "files/WaveSaveStatus.h"

namespace WaveWriter {
// Writes the whole file into `sink` from its current position; stops at the first step
// that fails and returns its status. `data` may be nullptr only when `size` is 0. The
// sample bytes go out one progress step at a time; `progress` (may be empty) follows
// them, and when it returns false the writing stops with Cancelled.
WaveSaveStatus Write(ByteSink& sink, const WAVEFORMATEX& format, const std::uint8_t* data,
                     std::uint32_t size, const ProgressCallback& progress = {});

// Saves to `path` (UTF-8, any length; the caller adds any extension it wants) through a
// FileByteSink: a new or plain file is written beside the target under a temporary name,
// flushed to disk and renamed over it; a file whose links, owner or attributes a rename
// would lose is written in place from the block, its old contents kept until the new
// ones are on disk. Either way a failed save leaves no partial file and an existing file
// of that name as it was. NoFile when the file cannot be created, written (a
// write-protected file) or put in place; NoWrite also when the bytes cannot be flushed to
// disk; NoData for a negative size. A save cancelled through `progress` is a failed one.
WaveSaveStatus SaveFile(const std::string& path, const WAVEFORMATEX& format,
                        const std::uint8_t* data, std::int32_t size,
                        const ProgressCallback& progress = {});
}  // namespace WaveWriter
