#include "mixer/MixerSettingsFile.h"

#include <array>
#include <bit>
#include <cerrno>
#include <system_error>

#include "files/FileByteSink.h"
#include "files/FileByteSource.h"
#include "files/LittleEndian.h"

namespace MixerSettingsFile {
namespace {
using Code = MixerFileStatus::Code;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// ": <the system's text for err>", or nothing when err is 0.
std::string Reason(int err) {
  return err ? ": " + std::generic_category().message(err) : std::string();
}

void PutF64(std::uint8_t* p, double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);  // keeps NaN payloads and -0.0
  LittleEndian::PutU32(p, static_cast<std::uint32_t>(bits));
  LittleEndian::PutU32(p + 4, static_cast<std::uint32_t>(bits >> 32));
}

double GetF64(const std::uint8_t* p) {
  return std::bit_cast<double>(LittleEndian::GetU32(p) | std::uint64_t{LittleEndian::GetU32(p + 4)}
                                                             << 32);
}

// Walks one slot's fields in file order; `io` reads into them or writes them out and says
// false to stop. The one place that fixes the layout for both directions.
template <class Io>
bool TransferSlot(Io& io, MemorySlot& slot) {
  HarmonicSet& set = slot.Harmonics;
  if (!io.I32(set.HarmCount) || !io.I32(slot.Freq) || !io.I32(slot.Volume)) return false;
  for (std::int32_t k = 1; k <= kHarmonics; ++k) {
    if (!io.I32(set.Amplitude[k]) || !io.F64(set.Phase[k]) || !io.Complex(set.Spectrum[k]))
      return false;
  }
  return true;
}

// Lays the fields out in a block in memory; the file gets the whole block in one write.
class FieldWriter {
public:
  explicit FieldWriter(std::uint8_t* out) : out_(out) {}

  bool I32(std::int32_t v) {
    LittleEndian::PutU32(Take(4), static_cast<std::uint32_t>(v));
    return true;
  }
  bool F64(double v) {
    PutF64(Take(8), v);
    return true;
  }
  bool Complex(const TComplex& c) {
    std::uint8_t* b = Take(16);
    PutF64(b, c.re);
    PutF64(b + 8, c.im);
    return true;
  }

private:
  std::uint8_t* Take(std::size_t n) {
    std::uint8_t* at = out_;
    out_ += n;
    return at;
  }

  std::uint8_t* out_;
};

class FieldReader {
public:
  explicit FieldReader(ByteSource& source) : source_(source) {}

  // Each leaves `v` unchanged unless the whole field was read.
  bool I32(std::int32_t& v) {
    std::uint8_t b[4];
    if (!Take(b, sizeof b)) return false;
    v = static_cast<std::int32_t>(LittleEndian::GetU32(b));
    return true;
  }
  bool F64(double& v) {
    std::uint8_t b[8];
    if (!Take(b, sizeof b)) return false;
    v = GetF64(b);
    return true;
  }
  bool Complex(TComplex& c) {
    std::uint8_t b[16];
    if (!Take(b, sizeof b)) return false;
    c = {GetF64(b), GetF64(b + 8)};
    return true;
  }

  MixerFileStatus Failure(const std::string& path) const {
    if (end_ >= 0)
      return {Code::ShortFile, "Read error: " + Quoted(path) + " ends at byte " +
                                   std::to_string(end_) + " of " + std::to_string(kFileBytes)};
    return {Code::ReadFailed,
            "Read error: " + Quoted(path) + " at byte " + std::to_string(offset_) + Reason(error_)};
  }

private:
  bool Take(std::uint8_t* b, std::size_t n) {
    errno = 0;
    const std::int64_t got = source_.Read(b, n);
    if (got == static_cast<std::int64_t>(n)) {
      offset_ += got;
      return true;
    }
    if (got < 0)
      error_ = errno;
    else
      end_ = offset_ + got;
    return false;
  }

  ByteSource& source_;
  std::int64_t offset_ = 0;  // start of the next field
  std::int64_t end_ = -1;    // the file's length once a read came up short
  int error_ = 0;
};
}  // namespace

MixerFileStatus Save(const std::string& path, const SpectrumMemory& memory) {
  // The whole file, made before the old one is touched.
  std::array<std::uint8_t, kFileBytes> bytes;
  FieldWriter fields(bytes.data());
  for (int m = 0; m < SpectrumMemory::kSlots; ++m) {
    MemorySlot slot = *memory.Recall(m);
    (void)TransferSlot(fields, slot);
  }
  errno = 0;
  const auto sink = FileByteSink::Create(path, kFileBytes);
  if (!sink) return {Code::CannotCreate, "Cannot create file " + Quoted(path) + Reason(errno)};
  errno = 0;
  const std::size_t written = sink->Write(bytes.data(), bytes.size());
  if (written != bytes.size())  // the sink puts the old file back, or removes its temp file
    return {Code::WriteFailed, "Write error: " + Quoted(path) + " at byte " +
                                   std::to_string(written) + " of " + std::to_string(kFileBytes) +
                                   Reason(errno)};
  errno = 0;
  switch (sink->Commit()) {
    case FileByteSink::CommitResult::Done: return {};
    case FileByteSink::CommitResult::SyncFailed:
      return {Code::FlushFailed, "Cannot write file " + Quoted(path) + " to disk" + Reason(errno)};
    case FileByteSink::CommitResult::RenameFailed:
      return {Code::RenameFailed, "Cannot replace file " + Quoted(path) + Reason(errno)};
  }
  return {Code::RenameFailed, "Cannot replace file " + Quoted(path)};
}

MixerFileStatus Load(const std::string& path, SpectrumMemory& memory) {
  errno = 0;
  const auto source = FileByteSource::Open(path);
  if (!source) return {Code::CannotOpen, "Cannot open file " + Quoted(path) + Reason(errno)};
  FieldReader in(*source);
  for (int m = 0; m < SpectrumMemory::kSlots; ++m) {
    // Read over a copy of the slot, so that fields the file does not reach keep their
    // values, and put it back whole or cut short.
    MemorySlot slot = *memory.Recall(m);
    const bool whole = TransferSlot(in, slot);
    memory.Store(m, slot);
    if (!whole) return in.Failure(path);
  }
  return {};
}
}  // namespace MixerSettingsFile
