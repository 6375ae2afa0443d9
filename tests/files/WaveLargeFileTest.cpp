// Sounds of 2 GiB and more, beyond the 32-bit sizes of the sound. The files are sparse
// (a header and a few frames written, holes elsewhere) and the reader skips holes in its
// fresh zeroed block, so neither disk nor memory is spent. Run alone: ctest -R LargeFile

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/WaveReader.h"

using namespace wavebytes;

namespace {
constexpr std::int64_t k2GiB = std::int64_t{1} << 31;

// A file of 44 + `soundBytes` bytes, its data chunk saying so, with `mark` written at
// each of `at` (offsets in the sound).
std::string SparseWave(const ScratchDir& dir, const Bytes& fmt, std::int64_t soundBytes,
                       const Bytes& mark, std::initializer_list<std::int64_t> at) {
  const std::string path = dir / "long.wav";
  const Bytes header = Riff(Chunk("fmt ", fmt) + Id("data") + U32(std::uint32_t(soundBytes)),
                            std::uint32_t(36 + soundBytes));
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  EXPECT_EQ(ftruncate(fd, 44 + soundBytes), 0);
  EXPECT_EQ(pwrite(fd, header.data(), 44, 0), 44);
  for (std::int64_t offset : at)
    EXPECT_EQ(pwrite(fd, mark.data(), mark.size(), 44 + offset), ssize_t(mark.size()));
  close(fd);
  return path;
}
}  // namespace

// 3 GiB of 4-byte frames: the frames below 2^31 bytes open, marked as cut (the frame that
// would cross the limit is left out); added to a held sound, the file is refused.
TEST(WaveReaderLargeFile, Open_MoreThan2GiBOpensTheFirstFramesAndSaysSo) {
  ScratchDir dir;
  const Bytes mark{1, 2, 3, 4};
  const std::int64_t fits = k2GiB - 4;
  const std::string path =
      SparseWave(dir, FmtBody(1, 2, 48000, 16, 4), 3 * (k2GiB / 2), mark, {0, fits - 4, fits});
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::ReadFile(path, format);
  getrusage(RUSAGE_SELF, &after);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_TRUE(r.cut);
  ASSERT_EQ(r.size, fits);
  const std::uint8_t* data = r.data.get();
  EXPECT_EQ(Bytes(data, data + 4), mark);
  EXPECT_EQ(Bytes(data + fits - 4, data + fits), mark);
  EXPECT_EQ(data[fits / 2], 0);  // in a hole
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "KiB: the holes were filled";

  const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0};
  WaveReader::HeldSound held{HeapBytes(static_cast<std::uint8_t*>(Heap::Alloc(4))), 4, mono8};
  std::memcpy(held.data.get(), mark.data(), 4);
  EXPECT_EQ(WaveReader::AppendFile(path, held), WaveReadStatus::NoMemory);
  EXPECT_EQ(held.size, 4);
  EXPECT_EQ(held.format, mono8);
  EXPECT_EQ(Bytes(held.data.get(), held.data.get() + 4), mark);
}

// 2^31 bytes of 3-byte frames hold 715827882 whole frames, all below 2^31: nothing whole
// is left out, so the sound is not marked as cut.
TEST(WaveReaderLargeFile, Open_AllWholeFramesBelowTheLimitIsNotCut) {
  ScratchDir dir;
  const std::int64_t whole = k2GiB - 2;
  const std::string path =
      SparseWave(dir, FmtBody(1, 1, 44100, 24, 3), k2GiB, {7, 7, 7}, {whole - 3});
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::ReadFile(path, format);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_FALSE(r.cut);
  ASSERT_EQ(r.size, whole);
  EXPECT_EQ(Bytes(r.data.get() + whole - 3, r.data.get() + whole), (Bytes{7, 7, 7}));
}
