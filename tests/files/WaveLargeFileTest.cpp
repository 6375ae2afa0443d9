// Sounds of 2 GiB and more, which the 32-bit sizes of the sound cannot hold. The files
// are sparse (a header, a few frames written, holes elsewhere), so they take no disk
// space, and the reader skips holes in its fresh zeroed block, so neither the test nor
// the sound takes 2 GiB of memory. Run these alone with: ctest -R LargeFile

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/WaveReader.h"

using namespace wavebytes;

namespace {
constexpr std::int64_t k2GiB = std::int64_t{1} << 31;

// A file of `fileBytes` (holes past the header) whose data chunk claims `declared`
// bytes, with the bytes `marks` written at the given offsets of the sound.
std::string SparseWave(const ScratchDir& dir, const Bytes& fmt, std::uint32_t declared,
                       std::int64_t fileBytes,
                       const std::vector<std::pair<std::int64_t, Bytes>>& marks) {
  const std::string path = dir / "long.wav";
  const Bytes header =
      Riff(Chunk("fmt ", fmt) + Id("data") + U32(declared), std::uint32_t(fileBytes - 8));
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(ftruncate(fd, fileBytes), 0);
  EXPECT_EQ(pwrite(fd, header.data(), header.size(), 0), ssize_t(header.size()));
  for (const auto& [offset, bytes] : marks)
    EXPECT_EQ(pwrite(fd, bytes.data(), bytes.size(), off_t(header.size()) + offset),
              ssize_t(bytes.size()));
  close(fd);
  return path;
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
}  // namespace

// More than 2 GiB of whole frames: the frames below 2^31 bytes open, marked as cut; the
// frame that would cross the limit is not among them.
TEST(WaveReaderLargeFile, Open_MoreThan2GiBOpensTheFirstFramesAndSaysSo) {
  ScratchDir dir;
  const Bytes first{1, 2, 3, 4}, last{5, 6, 7, 8}, beyond{9, 9, 9, 9};
  const std::int64_t lastFrame = k2GiB - 4;  // 4-byte frames: 2^31 - 4 bytes fit
  const std::string path =
      SparseWave(dir, FmtBody(1, 2, 48000, 16, 4), 0xC0000000u, 44 + 0xC0000000ll,
                 {{0, first}, {lastFrame - 4, last}, {lastFrame, beyond}});
  const long residentBefore = PeakResidentKiB();
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::ReadFile(path, format);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_TRUE(r.cut);
  ASSERT_EQ(r.size, lastFrame);
  EXPECT_EQ(Bytes(r.data, r.data + 4), first);
  EXPECT_EQ(Bytes(r.data + lastFrame - 4, r.data + lastFrame), last);
  EXPECT_EQ(r.data[4096 * 1000 + 7], 0);  // inside a hole
  EXPECT_LT(PeakResidentKiB() - residentBefore, 256 * 1024) << "holes were filled";
  Heap::Free(r.data);
  EXPECT_STREQ(WaveReader::kCutNotice,
               "The file holds more than 2 GiB of sound; the first 2 GiB were opened.");

  // Added to a held sound, the same file does not fit: refused, the sound kept.
  std::int32_t size = 4;
  auto* data = static_cast<std::uint8_t*>(Heap::Alloc(4));
  std::memcpy(data, first.data(), 4);
  EXPECT_EQ(WaveReader::AppendFile(path, format, data, size), WaveReadStatus::NoMemory);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(Bytes(data, data + 4), first);
  Heap::Free(data);
}

// 2^31 bytes of 3-byte frames hold 715827882 whole frames, which fit below 2^31: nothing
// whole is left out, so the sound is not marked as cut; an odd byte beyond never counts.
TEST(WaveReaderLargeFile, Open_JustBelowTheLimitIsWholeAndNotCut) {
  ScratchDir dir;
  const std::int64_t fits = k2GiB - 2;  // 715827882 frames of 3 bytes
  const std::string path = SparseWave(dir, FmtBody(1, 1, 44100, 24, 3), std::uint32_t(k2GiB),
                                      44 + k2GiB, {{fits - 3, {7, 7, 7}}});
  WAVEFORMATEX format{};
  const WaveReader::Result r = WaveReader::ReadFile(path, format);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_FALSE(r.cut);
  ASSERT_EQ(r.size, fits);
  EXPECT_EQ(Bytes(r.data + fits - 3, r.data + fits), (Bytes{7, 7, 7}));
  Heap::Free(r.data);
}
