// libFuzzer entry point for the analyse path (kelvor --analyse): a WAVE file from memory
// read as Open reads it, and the base frequency of every view window. Input: one byte
// choosing the FFT size (256 .. 4096), then the file.

#include <cstddef>
#include <cstdint>
#include <sstream>

#include "MemoryFile.h"
#include "model/AnalyseCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint32_t fftSize = 256u << (data[0] % 5);
  const MemoryFile file(data + 1, size - 1);
  std::ostringstream out, err;
  (void)AnalyseCommand::Run(file.Path(), fftSize, out, err);
  return 0;
}
