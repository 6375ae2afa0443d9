// libFuzzer entry point for the RIFF chunk walk. The first input byte picks the size of
// the header buffer (tiny sizes reach its edges); the rest is the file. Every search must
// stay inside its parent and the input, and must give what the walk with the default
// buffer gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/MemoryByteSource.h"
#include "files/RiffReader.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

// The walk Open makes, and a little more: WAVE, then "fmt ", "LIST", "data", "junk" in
// turn inside it, each read a little and left; everything found, as numbers.
std::vector<std::int64_t> Walk(const std::uint8_t* data, std::size_t size, std::size_t buffer) {
  MemoryByteSource source(data, size);
  RiffReader riff(source, {}, buffer);
  std::vector<std::int64_t> seen;
  RiffChunk wave;
  if (!riff.FindRiff(FourCC("WAVE"), wave)) return seen;
  Check(wave.dataOffset >= 8 && wave.dataOffset + 4 <= std::int64_t(size));
  seen.insert(seen.end(), {wave.dataOffset, wave.size});
  const std::int64_t parentEnd = wave.dataOffset + std::int64_t(wave.size);
  for (const std::uint32_t id : {FourCC("fmt "), FourCC("LIST"), FourCC("data"), FourCC("junk")}) {
    RiffChunk c;
    const std::int64_t from = source.Tell();
    if (!riff.FindChunk(id, wave, c)) {
      seen.push_back(-1);
      source.Seek(from);
      continue;
    }
    // The header lies inside the parent and the input, after where the search began.
    Check(c.id == id && c.dataOffset - 8 >= wave.dataOffset + 4 && c.dataOffset - 8 >= from);
    Check(c.dataOffset <= parentEnd && c.dataOffset <= std::int64_t(size));
    std::uint8_t bytes[16];
    const std::int64_t got = riff.Read(bytes, sizeof bytes);
    Check(got >= 0 && got <= 16 && got == std::min<std::int64_t>(16, riff.Remaining() + got));
    seen.insert(seen.end(), {c.dataOffset, c.size, got, got > 0 ? bytes[0] : -1});
    riff.Ascend(c);
  }
  return seen;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t buffer = 1 + data[0] % 48;
  Check(Walk(data + 1, size - 1, buffer) == Walk(data + 1, size - 1, RiffReader::kBufferBytes));
  return 0;
}
