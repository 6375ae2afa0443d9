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

Sound Locate(ByteSource& source, WAVEFORMATEX& format, const ProgressCallback& progress) {
  RiffReader riff(source, progress);
  // A search that found nothing because the user stopped it says so.
  const auto missing = [&riff](WaveReadStatus status) -> Sound {
    return {riff.Cancelled() ? WaveReadStatus::Cancelled : status};
  };
  RiffChunk wave, fmt, data;
  if (!source.Seek(0) || !riff.FindRiff(FourCC("WAVE"), wave))
    return missing(WaveReadStatus::NoWave);
  if (!riff.FindChunk(FourCC("fmt "), wave, fmt)) return missing(WaveReadStatus::NoFmt);

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
    return missing(WaveReadStatus::NoData);

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
Filled Fill(ByteSource& source, std::uint8_t* dest, std::int64_t size, std::uint16_t frameBytes,
            const ProgressCallback& progress) {
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

namespace {
Result Failed(WaveReadStatus status) {
  Result r;
  r.status = status;
  return r;
}
}  // namespace

Result Read(ByteSource& source, WAVEFORMATEX& format, const ProgressCallback& progress) {
  const Sound sound = Locate(source, format, progress);
  if (sound.status != WaveReadStatus::Ok) return Failed(sound.status);
  // Zeroed so that holes in a sparse file need not be written; a large block is zero
  // already and its pages are taken as the read fills them.
  HeapBytes block(
      static_cast<std::uint8_t*>(Heap::AllocZeroed(static_cast<std::size_t>(sound.size))));
  if (!block) return Failed(WaveReadStatus::NoMemory);
  const Filled filled = Fill(source, block.get(), sound.size, format.nBlockAlign, progress);
  if (filled.status != WaveReadStatus::Ok) return Failed(filled.status);
  if (filled.bytes < sound.size) {  // the file shrank while being read: give back the rest
    if (void* smaller = Heap::Realloc(block.get(), static_cast<std::size_t>(filled.bytes))) {
      (void)block.release();  // Realloc took the old block over
      block.reset(static_cast<std::uint8_t*>(smaller));
    }
  }
  return {WaveReadStatus::Ok, std::move(block), static_cast<std::int32_t>(filled.bytes),
          sound.cut && filled.bytes == sound.size};
}

Result ReadFile(const std::string& path, WAVEFORMATEX& format, const ProgressCallback& progress) {
  const auto source = FileByteSource::Open(path);
  if (!source) return Failed(WaveReadStatus::NoFile);
  return Read(*source, format, progress);
}

namespace {
// `block` resized to `bytes`, keeping its first `usedBytes` and zeroing the rest; false,
// with the block as it was, when memory runs out.
bool Resize(HeapBytes& block, std::int64_t usedBytes, std::int64_t bytes) {
  void* moved = Heap::ReallocZeroed(block.get(), static_cast<std::size_t>(usedBytes),
                                    static_cast<std::size_t>(bytes));
  if (!moved) return false;
  (void)block.release();  // the resize took the old block over
  block.reset(static_cast<std::uint8_t*>(moved));
  return true;
}
}  // namespace

WaveReadStatus Append(ByteSource& source, HeldSound& held, const ProgressCallback& progress) {
  // The file's format bytes go over a copy: the held format changes only on success.
  WAVEFORMATEX format = held.format;
  const Sound sound = Locate(source, format, progress);
  if (sound.status != WaveReadStatus::Ok) return sound.status;
  const bool hadBlock = held.data != nullptr;
  const std::int64_t had = hadBlock ? std::max<std::int32_t>(held.size, 0) : 0;
  // The added frames start on a frame boundary of their own format: a held sound whose
  // length is not a whole number of those frames gets silence up to the next one.
  const std::int64_t align = format.nBlockAlign;
  const std::int64_t pad = had % align ? align - had % align : 0;
  const std::int64_t total = had + pad + sound.size;
  if (total > kMaxSize) return WaveReadStatus::NoMemory;
  if (!Resize(held.data, had, total)) return WaveReadStatus::NoMemory;
  std::uint8_t* tail = held.data.get() + had;
  std::memset(tail, format.wBitsPerSample == 8 ? 0x80 : 0, static_cast<std::size_t>(pad));
  const Filled filled = Fill(source, tail + pad, sound.size, format.nBlockAlign, progress);
  if (filled.status != WaveReadStatus::Ok) {
    // The held bytes were never touched; give back what the growth took where possible.
    if (!hadBlock)
      held.data.reset();
    else if (had > 0)
      (void)Resize(held.data, had, had);
    return filled.status;
  }
  const std::int64_t added = pad + filled.bytes;
  if (filled.bytes < sound.size) (void)Resize(held.data, had + added, had + added);  // shrank
  held.size = static_cast<std::int32_t>(had + added);
  held.format = format;
  return WaveReadStatus::Ok;
}

WaveReadStatus AppendFile(const std::string& path, HeldSound& held,
                          const ProgressCallback& progress) {
  const auto source = FileByteSource::Open(path);
  if (!source) return WaveReadStatus::NoFile;
  return Append(*source, held, progress);
}
}  // namespace WaveReader
