#include "files/WaveReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/Heap.h"
#include "base/PcmFormat.h"
#include "files/FileByteSource.h"
#include "files/RiffReader.h"
#include "files/WaveFormatCodec.h"

namespace WaveReader {
namespace {
constexpr std::size_t kFormatBytesRead = 16;  // wFormatTag .. wBitsPerSample
constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();
}  // namespace

bool FormatIsUsable(const WAVEFORMATEX& f) {
  return PcmFormatFault(f, kWaveFileLimits) == PcmFault::None;
}

namespace {
// Where a file's sound lies once its header has been checked; the source is left at
// the first byte of the sound.
struct Sound {
  WaveReadStatus status = WaveReadStatus::Ok;
  std::int64_t size = 0;  // bytes of whole frames to read, below 2^31
  bool cut = false;       // the file holds whole frames beyond those
};

// What a read of the sound's bytes came to: whole frames only.
struct Filled {
  WaveReadStatus status = WaveReadStatus::Ok;
  std::int64_t bytes = 0;
};

Sound Locate(ByteSource& source, WAVEFORMATEX& format) {
  RiffReader riff(source);
  RiffChunk wave, fmt, data;
  if (!source.Seek(0) || !riff.FindRiff(FourCC("WAVE"), wave)) return {WaveReadStatus::NoWave};
  if (!riff.FindChunk(FourCC("fmt "), wave, fmt)) return {WaveReadStatus::NoFmt};

  // The file's bytes replace the record's first bytes exactly as they lie on disk.
  const std::size_t wanted = std::min<std::size_t>(fmt.size, kFormatBytesRead);
  std::uint8_t fromFile[kFormatBytesRead];
  const std::int64_t got = riff.Read(fromFile, wanted);
  WaveFormatCodec::Bytes record = WaveFormatCodec::Encode(format);
  if (got > 0) std::memcpy(record.data(), fromFile, static_cast<std::size_t>(got));
  format = WaveFormatCodec::Decode(record);
  if (got < static_cast<std::int64_t>(wanted)) return {WaveReadStatus::NoFmtSize};
  if (!FormatIsUsable(format)) return {WaveReadStatus::NoFmtTag};

  if (!riff.Ascend(fmt) || !riff.FindChunk(FourCC("data"), wave, data))
    return {WaveReadStatus::NoData};

  // Never trust the declared size alone: a truncated or still-streaming file claims more
  // than it holds (up to 0xFFFFFFFF).
  const std::int64_t align = format.nBlockAlign;
  const std::int64_t held = std::min<std::int64_t>(data.size, riff.Remaining());
  const std::int64_t whole = held - held % align;
  const std::int64_t size = std::min(whole, kMaxSize - kMaxSize % align);
  if (size <= 0) return {WaveReadStatus::NoRead};
  return {WaveReadStatus::Ok, size, whole > size};
}

// Reads `size` bytes at the source's position into `dest`, which holds zeros, one
// progress step at a time.
Filled Fill(ByteSource& source, std::uint8_t* dest, std::int64_t size,
            std::uint16_t frameBytes, const ProgressCallback& progress) {
  if (progress && !progress(0, size)) return {WaveReadStatus::Cancelled};
  std::int64_t done = 0;
  while (done < size) {
    const std::int64_t want = std::min<std::int64_t>(size - done, kProgressStepBytes);
    const std::int64_t got = source.ReadOverZeros(dest + done, static_cast<std::size_t>(want));
    if (got < 0) return {WaveReadStatus::NoRead};
    done += got;
    if (got < want) break;  // the file shrank while being read
    if (progress && !progress(done, size)) return {WaveReadStatus::Cancelled};
  }
  done -= done % frameBytes;
  if (done <= 0) return {WaveReadStatus::NoRead};
  return {WaveReadStatus::Ok, done};
}
}  // namespace

Result Read(ByteSource& source, WAVEFORMATEX& format, const ProgressCallback& progress) {
  const Sound sound = Locate(source, format);
  if (sound.status != WaveReadStatus::Ok) return {sound.status};
  // Zeroed so that holes in a sparse file need not be written; a large block is zero
  // already and its pages are taken as the read fills them.
  auto* block = static_cast<std::uint8_t*>(Heap::AllocZeroed(static_cast<std::size_t>(sound.size)));
  if (!block) return {WaveReadStatus::NoMemory};
  const Filled filled = Fill(source, block, sound.size, format.nBlockAlign, progress);
  if (filled.status != WaveReadStatus::Ok) {
    Heap::Free(block);
    return {filled.status};
  }
  if (filled.bytes < sound.size) {  // the file shrank while being read: give back the rest
    if (void* smaller = Heap::Realloc(block, static_cast<std::size_t>(filled.bytes)))
      block = static_cast<std::uint8_t*>(smaller);
  }
  return {WaveReadStatus::Ok, block, static_cast<std::int32_t>(filled.bytes),
          sound.cut && filled.bytes == sound.size};
}

Result ReadFile(const std::string& path, WAVEFORMATEX& format, const ProgressCallback& progress) {
  const auto source = FileByteSource::Open(path);
  if (!source) return {WaveReadStatus::NoFile};
  return Read(*source, format, progress);
}

WaveReadStatus Append(ByteSource& source, WAVEFORMATEX& format, std::uint8_t*& data,
                      std::int32_t& dataSize, const ProgressCallback& progress) {
  const Sound sound = Locate(source, format);
  if (sound.status != WaveReadStatus::Ok) return sound.status;
  const std::int64_t held = std::max<std::int32_t>(dataSize, 0);
  // The added frames start on a frame boundary of their own format: a held sound whose
  // length is not a whole number of those frames gets silence up to the next one.
  const std::int64_t align = format.nBlockAlign;
  const std::int64_t pad = held % align ? align - held % align : 0;
  const std::int64_t total = held + pad + sound.size;
  if (total > kMaxSize) return WaveReadStatus::NoMemory;
  const bool hadBlock = data != nullptr;
  void* grown = Heap::ReallocZeroed(data, static_cast<std::size_t>(held),
                                    static_cast<std::size_t>(total));
  if (!grown) return WaveReadStatus::NoMemory;
  data = static_cast<std::uint8_t*>(grown);
  std::memset(data + held, format.wBitsPerSample == 8 ? 0x80 : 0, static_cast<std::size_t>(pad));
  const Filled filled = Fill(source, data + held + pad, sound.size, format.nBlockAlign, progress);
  if (filled.status != WaveReadStatus::Ok) {
    // The held bytes were never touched; give back what the growth took where possible.
    if (!hadBlock) {
      Heap::Free(data);
      data = nullptr;
    } else if (held > 0) {
      if (void* back = Heap::Realloc(data, static_cast<std::size_t>(held)))
        data = static_cast<std::uint8_t*>(back);
    }
    return filled.status;
  }
  const std::int64_t added = pad + filled.bytes;
  if (filled.bytes < sound.size) {  // the file shrank while being read
    if (void* smaller = Heap::Realloc(data, static_cast<std::size_t>(held + added)))
      data = static_cast<std::uint8_t*>(smaller);
  }
  dataSize = static_cast<std::int32_t>(held + added);
  return WaveReadStatus::Ok;
}

WaveReadStatus AppendFile(const std::string& path, WAVEFORMATEX& format, std::uint8_t*& data,
                          std::int32_t& dataSize, const ProgressCallback& progress) {
  const auto source = FileByteSource::Open(path);
  if (!source) return WaveReadStatus::NoFile;
  return Append(*source, format, data, dataSize, progress);
}
}  // namespace WaveReader
