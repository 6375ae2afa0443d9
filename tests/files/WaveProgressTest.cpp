// Progress and Cancel of long reads and saves, and reads that go wrong half-way, on
// sounds of several progress steps.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/ByteSource.h"
#include "files/MemoryByteSink.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"

using namespace wavebytes;

namespace {
constexpr std::int64_t kStep = std::int64_t(kProgressStepBytes);
const WAVEFORMATEX kStereo16{1, 2, 48000, 192000, 4, 16, 0};

std::uint8_t SoundByte(std::int64_t i) { return std::uint8_t(i * 7 + (i >> 9)); }

// Index of the first byte of `p` that is not SoundByte(i), or `bytes` when none is.
std::int64_t FirstWrongByte(const std::uint8_t* p, std::int64_t bytes) {
  for (std::int64_t i = 0; i < bytes; ++i)
    if (p[i] != SoundByte(i)) return i;
  return bytes;
}

// A 16-bit stereo WAVE file whose sound bytes are made as they are read, so that tests
// can read sounds of many MiB without keeping them. It records the reads of sound bytes
// and can fail one of them, or end early as a file cut short while being read does.
class SyntheticWave : public ByteSource {
 public:
  explicit SyntheticWave(std::int64_t soundBytes) : soundBytes_(soundBytes) {
    header_ = Riff(Chunk("fmt ", FmtBody(1, 2, 48000, 16, 4)) + Id("data") +
                       U32(std::uint32_t(soundBytes)),
                   std::uint32_t(36 + soundBytes));
  }

  int failRead = -1;          // this read of sound bytes (0 = the first) gives -1
  std::int64_t endsAt = -1;   // the sound ends here, whatever Size() said
  std::vector<std::size_t> soundReads;

  std::int64_t Size() const override { return std::int64_t(header_.size()) + soundBytes_; }
  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override {
    if (position < 0) return false;
    position_ = position;
    return true;
  }
  std::int64_t Read(std::uint8_t* buffer, std::size_t count) override {
    const auto headerBytes = std::int64_t(header_.size());
    if (position_ < headerBytes) {  // the parser's reads
      const std::size_t n = std::min<std::size_t>(count, std::size_t(headerBytes - position_));
      std::memcpy(buffer, header_.data() + position_, n);
      position_ += std::int64_t(n);
      return std::int64_t(n);
    }
    if (int(soundReads.size()) == failRead) return -1;
    soundReads.push_back(count);
    const std::int64_t end = endsAt >= 0 ? endsAt : soundBytes_;
    const std::int64_t from = position_ - headerBytes;
    const std::int64_t n = std::max<std::int64_t>(0, std::min<std::int64_t>(count, end - from));
    for (std::int64_t i = 0; i < n; ++i) buffer[i] = SoundByte(from + i);
    position_ += n;
    return n;
  }

 private:
  Bytes header_;
  std::int64_t soundBytes_;
  std::int64_t position_ = 0;
};

// A progress callback that notes its calls and answers false at call `cancelAt`.
struct Recorder {
  explicit Recorder(int cancel = -1) : cancelAt(cancel) {}
  int cancelAt;
  std::vector<std::pair<std::int64_t, std::int64_t>> calls;
  ProgressCallback Callback() {
    return [this](std::int64_t done, std::int64_t total) {
      calls.emplace_back(done, total);
      return int(calls.size()) - 1 != cancelAt;
    };
  }
};

// A held sound of `bytes` with a pattern of its own, in a block from Heap.
std::uint8_t* HeldSound(std::int32_t bytes) {
  auto* data = static_cast<std::uint8_t*>(Heap::Alloc(std::size_t(bytes)));
  for (std::int32_t i = 0; i < bytes; ++i) data[i] = std::uint8_t(i * 13 + 5);
  return data;
}

bool HeldSoundIntact(const std::uint8_t* data, std::int32_t bytes) {
  for (std::int32_t i = 0; i < bytes; ++i)
    if (data[i] != std::uint8_t(i * 13 + 5)) return false;
  return true;
}
}  // namespace

TEST(WaveProgress, Read_ReadsAndReportsOneStepAtATime) {
  const std::int64_t total = 2 * kStep + 1000;
  SyntheticWave source(total);
  Recorder progress;
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::Read(source, format, progress.Callback());
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_EQ(format, (WAVEFORMATEX{1, 2, 48000, 192000, 4, 16, 0}));
  ASSERT_EQ(r.size, total);
  EXPECT_FALSE(r.cut);
  EXPECT_EQ(FirstWrongByte(r.data, total), total);
  Heap::Free(r.data);
  const decltype(progress.calls) expected = {
      {0, total}, {kStep, total}, {2 * kStep, total}, {total, total}};
  EXPECT_EQ(progress.calls, expected);
  for (std::size_t count : source.soundReads) EXPECT_LE(count, kProgressStepBytes);
}

TEST(WaveProgress, Read_CancelledAtAnyCallHoldsNothingAndStopsReading) {
  for (int cancelAt = 0; cancelAt < 4; ++cancelAt) {
    SyntheticWave source(2 * kStep + 1000);
    Recorder progress{cancelAt};
    WAVEFORMATEX format{};
    const WaveReader::Result r = WaveReader::Read(source, format, progress.Callback());
    EXPECT_EQ(r.status, WaveReadStatus::Cancelled) << cancelAt;
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(r.size, 0);
    EXPECT_EQ(progress.calls.size(), std::size_t(cancelAt) + 1);
    EXPECT_EQ(source.soundReads.size(), std::size_t(cancelAt)) << "no read after the cancel";
  }
  EXPECT_STREQ(WaveReadStatusText(WaveReadStatus::Cancelled, WaveReadCommand::Open),
               "Cancelled");
}

// A file cut short while it is read gives the whole frames read so far; a read error
// half-way gives "No read" and no block.
TEST(WaveProgress, Read_FileCutShortOrFailingHalfWay) {
  SyntheticWave shrinking(3 * kStep);
  shrinking.endsAt = kStep + 4003;
  WAVEFORMATEX format{};
  WaveReader::Result r = WaveReader::Read(shrinking, format);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  ASSERT_EQ(r.size, kStep + 4000);
  EXPECT_EQ(FirstWrongByte(r.data, r.size), r.size);
  Heap::Free(r.data);

  SyntheticWave failing(3 * kStep);
  failing.failRead = 1;
  r = WaveReader::Read(failing, format);
  EXPECT_EQ(r.status, WaveReadStatus::NoRead);
  EXPECT_EQ(r.data, nullptr);
}

// Whatever stops an AddFile half-way (Cancel, a read error), the held sound keeps its
// bytes and size; the block may have moved, and `data` says where it is.
TEST(WaveProgress, Append_StoppedHalfWayKeepsTheHeldSound) {
  for (std::int32_t held : {1001, 3 * 1024 * 1024 + 1}) {  // a malloc block, a mapped one
    for (int variant = 0; variant < 3; ++variant) {
      std::uint8_t* data = HeldSound(held);
      std::int32_t size = held;
      WAVEFORMATEX format = kStereo16;
      SyntheticWave source(2 * kStep + 400);
      Recorder progress{variant == 0 ? 0 : 2};
      if (variant == 2) {
        source.failRead = 1;
        progress.cancelAt = -1;
      }
      const WaveReadStatus status =
          WaveReader::Append(source, format, data, size, progress.Callback());
      EXPECT_EQ(status, variant == 2 ? WaveReadStatus::NoRead : WaveReadStatus::Cancelled);
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(size, held);
      EXPECT_TRUE(HeldSoundIntact(data, held)) << held << " variant " << variant;
      Heap::Free(data);
    }
  }
}

// The added frames land in the grown block after the held bytes and the silence that
// brings them to a frame boundary, also when the added file is cut short meanwhile.
TEST(WaveProgress, Append_ReadsIntoTheTailOfTheHeldBlock) {
  for (std::int64_t endsAt : {std::int64_t(-1), kStep + 6}) {
    const std::int32_t held = 3 * 1024 * 1024 + 1;
    std::uint8_t* data = HeldSound(held);
    std::int32_t size = held;
    WAVEFORMATEX format{1, 1, 8000, 8000, 1, 8, 0};
    SyntheticWave source(2 * kStep + 400);
    source.endsAt = endsAt;
    Recorder progress;
    ASSERT_EQ(WaveReader::Append(source, format, data, size, progress.Callback()),
              WaveReadStatus::Ok);
    EXPECT_EQ(format, kStereo16);
    const std::int64_t added = endsAt < 0 ? 2 * kStep + 400 : kStep + 4;
    ASSERT_EQ(size, held + 3 + added);
    EXPECT_TRUE(HeldSoundIntact(data, held));
    EXPECT_EQ(Bytes(data + held, data + held + 3), Bytes(3, 0));
    EXPECT_EQ(FirstWrongByte(data + held + 3, added), added);
    EXPECT_EQ(progress.calls.back().second, 2 * kStep + 400);
    Heap::Free(data);
  }
}

TEST(WaveProgress, SaveFile_ReportsStepsAndCancelKeepsTheEarlierFile) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  const Bytes earlier = Standard(1, 8000, 8, Pcm(300, 9));
  WriteAll(target, earlier);
  const std::int64_t total = 2 * kStep + 1;  // odd: the pad byte follows the last step
  std::vector<std::uint8_t> sound(static_cast<std::size_t>(total));
  for (std::int64_t i = 0; i < total; ++i) sound[std::size_t(i)] = SoundByte(i);
  const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0};

  for (int cancelAt = 0; cancelAt < 4; ++cancelAt) {
    Recorder progress{cancelAt};
    EXPECT_EQ(WaveWriter::SaveFile(target, mono8, sound.data(), std::int32_t(total),
                                   progress.Callback()),
              WaveSaveStatus::Cancelled);
    EXPECT_EQ(progress.calls.size(), std::size_t(cancelAt) + 1);
  }
  EXPECT_EQ(ReadAll(target), earlier);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});

  Recorder progress;
  ASSERT_EQ(WaveWriter::SaveFile(target, mono8, sound.data(), std::int32_t(total),
                                 progress.Callback()),
            WaveSaveStatus::Ok);
  const decltype(progress.calls) expected = {
      {0, total}, {kStep, total}, {2 * kStep, total}, {total, total}};
  EXPECT_EQ(progress.calls, expected);
  WAVEFORMATEX back{};
  const WaveReader::Result r = WaveReader::ReadFile(target, back);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  ASSERT_EQ(r.size, total);
  EXPECT_EQ(FirstWrongByte(r.data, total), total);
  Heap::Free(r.data);
  EXPECT_STREQ(WaveSaveStatusText(WaveSaveStatus::Cancelled), "Cancelled");
}

// A sink that fills up part-way through the sound still reports "No Write", and the
// steps reported before are the ones that got through.
TEST(WaveProgress, Write_FullDiskMidwayStopsTheProgress) {
  const std::int64_t total = 2 * kStep;
  std::vector<std::uint8_t> sound(static_cast<std::size_t>(total), 0x55);
  MemoryByteSink sink(46 + kStep + 10);
  Recorder progress;
  EXPECT_EQ(WaveWriter::Write(sink, kStereo16, sound.data(), std::uint32_t(total),
                              progress.Callback()),
            WaveSaveStatus::NoWrite);
  const decltype(progress.calls) expected = {{0, total}, {kStep, total}};
  EXPECT_EQ(progress.calls, expected);
}
