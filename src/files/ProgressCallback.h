#pragma once
// Progress of a long read or save, for a progress box with a Cancel button. The reader
// and the writer call it on their own thread (the GUI thread) once before the sound's
// bytes and then after every kProgressStepBytes of them, with the bytes of sound done so
// far and the total (header bytes not counted; done == total on the last call).
// Before that, the reader's walk through the file's chunks calls it once per
// kProgressStepBytes of the file it passes, with the offset reached and the file's size:
// an ordinary file never makes such a call, a file of millions of chunks (or of zeros)
// makes the box move, and lets Cancel stop it, before any sound is found.
// Returning false cancels the operation at that point. An empty callback is never called.

#include <cstddef>
#include <cstdint>
#include <functional>

using ProgressCallback = std::function<bool(std::int64_t bytesDone, std::int64_t bytesTotal)>;

// 8 MiB: large enough that the calls cost nothing next to the copying, small enough
// that a cancel is seen within a few milliseconds on a local disk.
inline constexpr std::size_t kProgressStepBytes = std::size_t{8} << 20;
