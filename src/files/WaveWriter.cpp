#include "files/WaveWriter.h"

#include <algorithm>

#include "files/FileByteSink.h"
#include "files/RiffWriter.h"
#include "files/WaveFormatCodec.h"

namespace WaveWriter {
WaveSaveStatus Write(ByteSink& sink, const WAVEFORMATEX& format, const std::uint8_t* data,
                     std::uint32_t size, const ProgressCallback& progress) {
  RiffWriter writer(sink);
  RiffChunk riff{.formType = FourCC("WAVE")};
  if (!writer.CreateRiff(riff)) return WaveSaveStatus::NoWave;

  RiffChunk fmt{.id = FourCC("fmt "), .size = kWaveFormatExBytes};
  if (!writer.CreateChunk(fmt)) return WaveSaveStatus::NoFmt;
  const WaveFormatCodec::Bytes record = WaveFormatCodec::Encode(format);
  if (writer.Write(record.data(), record.size()) != record.size()) return WaveSaveStatus::NoFmtSize;
  if (!writer.Ascend(fmt)) return WaveSaveStatus::NoAsend;

  RiffChunk chunk{.id = FourCC("data"), .size = size};
  if (!writer.CreateChunk(chunk)) return WaveSaveStatus::NoData;
  if (size > 0 && !data) return WaveSaveStatus::NoWrite;
  if (progress && !progress(0, size)) return WaveSaveStatus::Cancelled;
  for (std::uint32_t done = 0; done < size;) {
    const auto step =
        static_cast<std::uint32_t>(std::min<std::size_t>(size - done, kProgressStepBytes));
    if (writer.Write(data + done, step) != step) return WaveSaveStatus::NoWrite;
    done += step;
    if (progress && !progress(done, size)) return WaveSaveStatus::Cancelled;
  }
  if (!writer.Ascend(chunk)) return WaveSaveStatus::NoAssend1;
  if (!writer.Ascend(riff)) return WaveSaveStatus::NoAssend2;
  return WaveSaveStatus::Ok;
}

WaveSaveStatus SaveFile(const std::string& path, const WAVEFORMATEX& format,
                        const std::uint8_t* data, std::int32_t size,
                        const ProgressCallback& progress) {
  if (size < 0) return WaveSaveStatus::NoData;
  // The header, the sound and its pad byte.
  const std::int64_t fileBytes = 46 + std::int64_t{size} + (size & 1);
  const auto sink = FileByteSink::Create(path, fileBytes);
  if (!sink) return WaveSaveStatus::NoFile;
  const WaveSaveStatus status =
      Write(*sink, format, data, static_cast<std::uint32_t>(size), progress);
  if (status != WaveSaveStatus::Ok) return status;
  switch (sink->Commit()) {
    case FileByteSink::CommitResult::Done: return WaveSaveStatus::Ok;
    case FileByteSink::CommitResult::SyncFailed: return WaveSaveStatus::NoWrite;
    case FileByteSink::CommitResult::RenameFailed: return WaveSaveStatus::NoFile;
  }
  return WaveSaveStatus::NoFile;
}
}  // namespace WaveWriter
