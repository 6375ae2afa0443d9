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

Result Read(ByteSource& source, WAVEFORMATEX& format) {
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
  std::int64_t size = std::min({static_cast<std::int64_t>(data.size), riff.Remaining(), kMaxSize});
  size -= size % format.nBlockAlign;
  if (size <= 0) return {WaveReadStatus::NoRead};
  auto* block = static_cast<std::uint8_t*>(Heap::Alloc(static_cast<std::size_t>(size)));
  if (!block) return {WaveReadStatus::NoMemory};
  std::int64_t read = riff.Read(block, static_cast<std::size_t>(size));
  if (read > 0) read -= read % format.nBlockAlign;  // the file shrank while being read
  if (read <= 0) {
    Heap::Free(block);
    return {WaveReadStatus::NoRead};
  }
  return {WaveReadStatus::Ok, block, static_cast<std::int32_t>(read)};
}

Result ReadFile(const std::string& path, WAVEFORMATEX& format) {
  const auto source = FileByteSource::Open(path);
  if (!source) return {WaveReadStatus::NoFile};
  return Read(*source, format);
}

WaveReadStatus AppendFile(const std::string& path, WAVEFORMATEX& format, std::uint8_t*& data,
                          std::int32_t& dataSize) {
  const Result added = ReadFile(path, format);
  if (added.status != WaveReadStatus::Ok) return added.status;
  const std::int64_t held = std::max<std::int32_t>(dataSize, 0);
  // The added frames start on a frame boundary of their own format: a held sound whose
  // length is not a whole number of those frames gets silence up to the next one.
  const std::int64_t align = format.nBlockAlign;
  const std::int64_t pad = held % align ? align - held % align : 0;
  const std::int64_t total = held + pad + added.size;
  void* grown = total <= kMaxSize ? Heap::Realloc(data, static_cast<std::size_t>(total)) : nullptr;
  if (!grown) {
    Heap::Free(added.data);
    return WaveReadStatus::NoMemory;
  }
  data = static_cast<std::uint8_t*>(grown);
  std::memset(data + held, format.wBitsPerSample == 8 ? 0x80 : 0, static_cast<std::size_t>(pad));
  std::memcpy(data + held + pad, added.data, static_cast<std::size_t>(added.size));
  Heap::Free(added.data);
  dataSize = static_cast<std::int32_t>(total);
  return WaveReadStatus::Ok;
}
}  // namespace WaveReader
