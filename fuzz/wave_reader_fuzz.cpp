// libFuzzer entry point for the WAVE reader: any input must open or fail with a defined
// status, without reading out of bounds or leaking. Built by CMake with clang (target
// wave_reader_fuzz, see fuzz/CMakeLists.txt); run, for example:
//   build/fuzz/wave_reader_fuzz -max_len=4096 -max_total_time=60 corpus/

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/Heap.h"
#include "files/MemoryByteSource.h"
#include "files/WaveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryByteSource source(data, size);
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::Read(source, format);
  if (r.status == WaveReadStatus::Ok) {
    // A success holds whole frames of bytes that are really in the input.
    if (r.size <= 0 || format.nBlockAlign == 0 || r.size % format.nBlockAlign != 0 ||
        static_cast<std::size_t>(r.size) > size)
      std::abort();
    volatile std::uint8_t sink = 0;
    for (std::int32_t i = 0; i < r.size; ++i) sink = sink ^ r.data.get()[i];  // touch every byte
  } else if (r.data != nullptr || WaveReadStatusText(r.status, WaveReadCommand::Open)[0] == 0) {
    std::abort();
  }
  return 0;
}
