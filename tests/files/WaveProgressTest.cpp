// Progress and Cancel of long reads and saves, and reads that go wrong half-way, on
// sounds of several progress steps.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/MemoryByteSource.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"

using namespace wavebytes;

namespace {
constexpr std::int64_t kStep = std::int64_t(kProgressStepBytes);
constexpr std::int64_t kTotal = 2 * kStep + 1000;  // three steps, the last one short
using Calls = std::vector<std::pair<std::int64_t, std::int64_t>>;
const Calls kAllSteps = {{0, kTotal}, {kStep, kTotal}, {2 * kStep, kTotal}, {kTotal, kTotal}};
const WAVEFORMATEX kStereo16{1, 2, 48000, 192000, 4, 16, 0};

std::uint8_t SoundByte(std::int64_t i) { return std::uint8_t(i * 7 + (i >> 9)); }

bool IsSound(const std::uint8_t* p, std::int64_t bytes) {
  for (std::int64_t i = 0; i < bytes; ++i)
    if (p[i] != SoundByte(i)) return false;
  return true;
}

// A 16-bit stereo WAVE file of kTotal sound bytes, made as they are read. It notes the
// reads of sound bytes, and can fail one of them or end early, as a file cut short on
// disk while being read does.
class SyntheticWave : public ByteSource {
public:
  int failRead = -1;               // this read of sound bytes (0 = the first) gives -1
  std::int64_t endsAt = kTotal;    // sound bytes really there
  std::vector<std::size_t> reads;  // counts asked for by the reads of sound bytes

  std::int64_t Size() const override { return kHeader + kTotal; }
  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override {
    if (position < 0) return false;
    position_ = position;
    return true;
  }
  std::int64_t Read(std::uint8_t* buffer, std::size_t count) override {
    static const Bytes header =
        Riff(Chunk("fmt ", FmtBody(1, 2, 48000, 16, 4)) + Id("data") + U32(std::uint32_t(kTotal)),
             std::uint32_t(36 + kTotal));
    if (position_ < kHeader) {
      const std::size_t n = std::min<std::size_t>(count, std::size_t(kHeader - position_));
      std::memcpy(buffer, header.data() + position_, n);
      position_ += std::int64_t(n);
      return std::int64_t(n);
    }
    if (int(reads.size()) == failRead) return -1;
    reads.push_back(count);
    const std::int64_t from = position_ - kHeader;
    const std::int64_t n = std::clamp<std::int64_t>(endsAt - from, 0, std::int64_t(count));
    for (std::int64_t i = 0; i < n; ++i) buffer[i] = SoundByte(from + i);
    position_ += n;
    return n;
  }

private:
  static constexpr std::int64_t kHeader = 44;
  std::int64_t position_ = 0;
};

// A progress callback that notes its calls and answers false at call `cancelAt`.
struct Recorder {
  explicit Recorder(int cancel = -1) : cancelAt(cancel) {}
  int cancelAt;
  Calls calls;
  ProgressCallback Callback() {
    return [this](std::int64_t done, std::int64_t total) {
      calls.emplace_back(done, total);
      return int(calls.size()) - 1 != cancelAt;
    };
  }
};
}  // namespace

TEST(WaveProgress, Read_GoesOneStepAtATimeAndStopsAtCancel) {
  for (int cancelAt = -1; cancelAt < 4; ++cancelAt) {
    SyntheticWave source;
    Recorder progress(cancelAt);
    WAVEFORMATEX format{};
    const WaveReader::Result r = WaveReader::Read(source, format, progress.Callback());
    for (std::size_t count : source.reads) EXPECT_LE(count, kProgressStepBytes);
    if (cancelAt < 0) {
      ASSERT_EQ(r.status, WaveReadStatus::Ok);
      ASSERT_EQ(r.size, kTotal);
      EXPECT_FALSE(r.cut);
      EXPECT_TRUE(IsSound(r.data.get(), kTotal));
      EXPECT_EQ(progress.calls, kAllSteps);
      continue;
    }
    EXPECT_EQ(r.status, WaveReadStatus::Cancelled) << cancelAt;
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(progress.calls.size(), std::size_t(cancelAt) + 1);
    EXPECT_EQ(source.reads.size(), std::size_t(cancelAt)) << "no read after the cancel";
  }
}

// A file cut short while it is read gives the whole frames read so far; a read error
// half-way gives "No read" and no block.
TEST(WaveProgress, Read_FileCutShortOrFailingHalfWay) {
  SyntheticWave shrinking;
  shrinking.endsAt = kStep + 4003;
  WAVEFORMATEX format{};
  WaveReader::Result r = WaveReader::Read(shrinking, format);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  ASSERT_EQ(r.size, kStep + 4000);
  EXPECT_TRUE(IsSound(r.data.get(), r.size));
  SyntheticWave failing;
  failing.failRead = 1;
  r = WaveReader::Read(failing, format);
  EXPECT_EQ(r.status, WaveReadStatus::NoRead);
  EXPECT_EQ(r.data, nullptr);
}

// The added frames land in the grown block after the held bytes and the silence that
// brings them to a frame boundary. Whatever stops the read half-way (Cancel at the first
// or a later step, a read error), the held sound keeps its bytes, size and format; the
// block may have moved.
TEST(WaveProgress, Append_ReadsIntoTheTailOrKeepsTheHeldSound) {
  const Bytes heldBytes = Pcm(3 * 1024 * 1024 + 1, 5);  // mapped, and 3 bytes short of a frame
  for (int variant = 0; variant < 5; ++variant) {
    SyntheticWave source;
    Recorder progress(variant == 1 ? 0 : variant == 2 ? 2 : -1);
    if (variant == 3) source.failRead = 1;
    if (variant == 4) source.endsAt = kStep + 6;
    const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0};
    WaveReader::HeldSound held{HeapBytes(static_cast<std::uint8_t*>(Heap::Alloc(heldBytes.size()))),
                               std::int32_t(heldBytes.size()), mono8};
    std::memcpy(held.data.get(), heldBytes.data(), heldBytes.size());
    const WaveReadStatus status = WaveReader::Append(source, held, progress.Callback());
    const std::uint8_t* data = held.data.get();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(data, data + heldBytes.size()), heldBytes) << variant;
    if (variant == 0 || variant == 4) {
      ASSERT_EQ(status, WaveReadStatus::Ok);
      const std::int64_t added = variant == 0 ? kTotal : kStep + 4;
      ASSERT_EQ(held.size, std::int64_t(heldBytes.size()) + 3 + added);
      EXPECT_EQ(Bytes(data + heldBytes.size(), data + heldBytes.size() + 3), Bytes(3, 0));
      EXPECT_TRUE(IsSound(data + heldBytes.size() + 3, added));
    } else {
      EXPECT_EQ(status, variant == 3 ? WaveReadStatus::NoRead : WaveReadStatus::Cancelled);
      EXPECT_EQ(held.size, std::int32_t(heldBytes.size()));
      EXPECT_EQ(held.format, mono8);
    }
  }
}

namespace {
// Counts the reads a walk makes of the source beneath it.
class CountingSource : public MemoryByteSource {
public:
  using MemoryByteSource::MemoryByteSource;
  int reads = 0;
  std::int64_t Read(std::uint8_t* buffer, std::size_t count) override {
    ++reads;
    return MemoryByteSource::Read(buffer, count);
  }
};
}  // namespace

// A file of 20 MiB of empty chunks before its sound (or of nothing but zeros): the walk
// reads the file a block at a time, not one header per read, and reports its way through
// the file, so that Cancel stops it.
TEST(WaveProgress, Read_LongChunkWalkReportsProgressAndStopsAtCancel) {
  constexpr std::size_t kEmpty = (20 << 20) / 8;
  Bytes junk;
  junk.reserve(kEmpty * 8);
  for (std::size_t i = 0; i < kEmpty; ++i) junk = std::move(junk) + Id("JUNK") + U32(0);
  const Bytes chunks =
      Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1)) + junk + Chunk("data", Pcm(100)));
  const Bytes zeros(20 << 20, 0);
  for (const Bytes* file : {&chunks, &zeros}) {
    const auto size = std::int64_t(file->size());
    for (int cancelAt : {-1, 0, 1}) {
      CountingSource source(file->data(), file->size());
      Recorder progress(cancelAt);
      WAVEFORMATEX format{};
      const WaveReader::Result r = WaveReader::Read(source, format, progress.Callback());
      if (cancelAt >= 0) {
        EXPECT_EQ(r.status, WaveReadStatus::Cancelled);
        ASSERT_EQ(progress.calls.size(), std::size_t(cancelAt) + 1);
        continue;
      }
      EXPECT_LT(source.reads, 20 * 1024 / 64 + 10);
      ASSERT_GE(progress.calls.size(), 2u);
      for (std::int64_t step : {1, 2}) {  // the first header at or past each step
        const auto [done, total] = progress.calls[std::size_t(step - 1)];
        EXPECT_TRUE(done >= step * kStep && done < step * kStep + 8) << done;
        EXPECT_EQ(total, size);
      }
      if (file == &zeros) {
        EXPECT_EQ(r.status, WaveReadStatus::NoWave);
      } else {
        EXPECT_EQ(r.status, WaveReadStatus::Ok);
        EXPECT_EQ(progress.calls.back(), std::make_pair(std::int64_t(100), std::int64_t(100)));
      }
    }
  }
}

TEST(WaveProgress, SaveFile_ReportsStepsAndCancelKeepsTheEarlierFile) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  const Bytes earlier = Standard(1, 8000, 8, Pcm(300, 9));
  WriteAll(target, earlier);
  std::vector<std::uint8_t> sound(static_cast<std::size_t>(kTotal));
  for (std::int64_t i = 0; i < kTotal; ++i) sound[std::size_t(i)] = SoundByte(i);
  for (int cancelAt = 0; cancelAt < 4; ++cancelAt) {
    Recorder progress(cancelAt);
    EXPECT_EQ(WaveWriter::SaveFile(target, kStereo16, sound.data(), std::int32_t(kTotal),
                                   progress.Callback()),
              WaveSaveStatus::Cancelled);
    EXPECT_EQ(progress.calls.size(), std::size_t(cancelAt) + 1);
  }
  EXPECT_EQ(ReadAll(target), earlier);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});

  Recorder progress;
  ASSERT_EQ(WaveWriter::SaveFile(target, kStereo16, sound.data(), std::int32_t(kTotal),
                                 progress.Callback()),
            WaveSaveStatus::Ok);
  EXPECT_EQ(progress.calls, kAllSteps);
  WAVEFORMATEX back{};
  const WaveReader::Result r = WaveReader::ReadFile(target, back);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  ASSERT_EQ(r.size, kTotal);
  EXPECT_TRUE(IsSound(r.data.get(), kTotal));
}
