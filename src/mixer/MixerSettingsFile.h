#pragma once
// The mixer's settings file (".f2t"): the five memory slots dumped in a fixed layout with
// no header. Slot m is 3372 bytes at 3372 * m; in it, little-endian whatever the host:
//   0  int32 HarmCount      4  int32 Freq      8  int32 Volume
//   12 + 28 * (k - 1), k = 1 .. 120: int32 Amplitude[k], binary64 Phase[k],
//                                    binary64 Spectrum[k].re, binary64 Spectrum[k].im
// Fields go to and from the file one at a time in that order, slot after slot; the two
// parts of a spectral value go as one 16-byte piece. Nothing is range-checked.
// GUI thread only (FileByteSink's test hook).

#include <cstdint>
#include <string>

#include "mixer/MixerFileStatus.h"
#include "mixer/SpectrumMemory.h"

namespace MixerSettingsFile {
constexpr std::int64_t kSlotBytes = 12 + 28 * kHarmonics;                 // 3372
constexpr std::int64_t kFileBytes = SpectrumMemory::kSlots * kSlotBytes;  // 16860

// Writes all five slots to `path` (UTF-8, any length, taken as given: the caller adds
// ".f2t"). The whole file is laid out in memory first and written through a FileByteSink
// (a temporary file renamed over a plain target; in place, the old contents kept until
// the new are on disk, over a file whose links, owner or attributes a rename would
// lose), so a failed save leaves an existing file as it was and no partial file. A
// write-protected file is refused with "Cannot create file".
// Texts: Cannot create file "<path>": <reason>
//        Write error: "<path>" at byte <n> of 16860: <reason>   (n: where writing stopped)
//        Cannot write file "<path>" to disk: <reason>
//        Cannot replace file "<path>": <reason>
// (": <reason>" is left out when the system gave none.)
MixerFileStatus Save(const std::string& path, const SpectrumMemory& memory);

// Reads the slots from `path` in file order. When the file is shorter than 16860 bytes,
// reading stops at the first field (or spectral piece) that it does not hold whole: the
// fields before it have their new values, that field and all after it keep their old
// ones. Bytes beyond 16860 are ignored. The file is closed on every path.
// Texts: Cannot open file "<path>": <reason>
//        Read error: "<path>" ends at byte <size> of 16860
//        Read error: "<path>" at byte <n>: <reason>
MixerFileStatus Load(const std::string& path, SpectrumMemory& memory);
}  // namespace MixerSettingsFile
