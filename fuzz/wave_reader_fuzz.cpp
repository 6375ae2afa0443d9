// libFuzzer entry point for the WAVE reader, File > Open and File > AddFile from memory:
// any input must open or fail with a defined status, without reading out of bounds or
// leaking; an append that fails leaves the held sound as it was, one that succeeds keeps
// the held bytes in front. See scripts/fuzz-smoke.sh for how the targets are run.

#include <string.h>  // memmem
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/Heap.h"
#include "files/MemoryByteSource.h"
#include "files/WaveReader.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

void Open(const std::uint8_t* data, std::size_t size) {
  MemoryByteSource source(data, size);
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::Read(source, format);
  if (r.status != WaveReadStatus::Ok) {
    Check(r.data == nullptr && WaveReadStatusText(r.status, WaveReadCommand::Open)[0] != 0);
    return;
  }
  // A success holds whole frames of bytes that are really in the input.
  Check(r.size > 0 && format.nBlockAlign != 0 && r.size % format.nBlockAlign == 0 &&
        static_cast<std::size_t>(r.size) <= size);
  Check(memmem(data, size, r.data.get(), static_cast<std::size_t>(r.size)) != nullptr);
}

void AddFile(const std::uint8_t* data, std::size_t size) {
  // A held sound of 5 bytes of 8-bit mono: not a whole number of most files' frames.
  const std::uint8_t heldBytes[5] = {1, 2, 3, 4, 5};
  const WAVEFORMATEX heldFormat{1, 1, 8000, 8000, 1, 8, 0};
  WaveReader::HeldSound held{HeapBytes(static_cast<std::uint8_t*>(Heap::Alloc(5))), 5, heldFormat};
  std::memcpy(held.data.get(), heldBytes, 5);
  MemoryByteSource source(data, size);
  int calls = 0;
  const WaveReadStatus s =
      WaveReader::Append(source, held, [&calls, size](std::int64_t, std::int64_t) {
        return ++calls < 2 || size % 7 != 0;  // some inputs cancel at the first step
      });
  Check(held.data != nullptr && std::memcmp(held.data.get(), heldBytes, 5) == 0);
  if (s != WaveReadStatus::Ok) {
    Check(held.size == 5 && held.format == heldFormat);
    return;
  }
  const std::int32_t align = held.format.nBlockAlign;
  const std::int32_t added = held.size - 5 - (align - 5 % align) % align;
  Check(align > 0 && added > 0 && added % align == 0 && static_cast<std::size_t>(added) <= size);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Open(data, size);
  AddFile(data, size);
  return 0;
}
