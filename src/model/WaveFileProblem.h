#pragma once
// Why a WAVE file named on the command line could not be read, in plain words for a
// terminal: the cause, not the failing step that the window's boxes name ("No File",
// "No fmttag" ...). Any thread.

#include <string>

#include "base/wavetypes.h"
#include "files/WaveReadStatus.h"

namespace WaveFileProblem {
// One line without the path, for a read of `path` that ended with `status` (not Ok) and
// left the file's format bytes in `format`, e.g. "no such file", "is a directory",
// "cannot be read: Permission denied", "not a RIFF WAVE file" or "Unsupported sound
// format: 32-bit floating-point samples (8- or 16-bit PCM is supported)." A file that
// cannot be opened is looked at once more to learn why.
std::string Describe(const std::string& path, WaveReadStatus status, const WAVEFORMATEX& format);
}  // namespace WaveFileProblem
