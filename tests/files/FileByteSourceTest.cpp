#include "files/FileByteSource.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "WaveBytes.h"
#include "files/MemoryByteSource.h"

using namespace wavebytes;

TEST(FileByteSource, Open_RefusesWhatIsNotARegularFile) {
  ScratchDir dir;
  mkdir((dir / "sub").c_str(), 0755);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_EQ(FileByteSource::Open(dir / "missing.wav"), nullptr);
  EXPECT_EQ(FileByteSource::Open(dir / "sub"), nullptr);
  EXPECT_EQ(FileByteSource::Open(dir / "sub/"), nullptr);
  EXPECT_EQ(FileByteSource::Open(""), nullptr);
  EXPECT_EQ(FileByteSource::Open(dir / "fifo"), nullptr);  // no writer: must not block
}

// The file and the memory source must agree on every read and seek, including at and
// past the end, since the parser is tested mostly over memory.
TEST(FileByteSource, Read_BehavesLikeTheMemorySource) {
  ScratchDir dir;
  const Bytes bytes = Pcm(1001);
  const std::string path = dir / "näme ♪ with spaces.wav";
  WriteAll(path, bytes);
  auto file = FileByteSource::Open(path);
  ASSERT_NE(file, nullptr);
  MemoryByteSource memory(bytes.data(), bytes.size());
  EXPECT_EQ(file->Size(), 1001);
  const std::int64_t steps[][2] = {{0, 10}, {995, 10}, {1001, 4}, {5000, 4}, {3, 0}, {0, 2000}};
  for (const auto& step : steps) {
    Bytes a(std::size_t(step[1]) + 1, 0xAA), b = a;
    ASSERT_TRUE(file->Seek(step[0]));
    ASSERT_TRUE(memory.Seek(step[0]));
    const auto count = std::size_t(step[1]);
    EXPECT_EQ(file->Read(a.data(), count), memory.Read(b.data(), count));
    EXPECT_EQ(a, b);
    EXPECT_EQ(file->Tell(), memory.Tell());
  }
  EXPECT_FALSE(file->Seek(-1));
  EXPECT_FALSE(memory.Seek(-1));
}

// Over a zeroed buffer the sparse-aware read gives what Read gives, holes or not, also
// at the end and after the file was cut short on disk.
TEST(FileByteSource, ReadOverZeros_GivesWhatReadGivesAcrossHoles) {
  ScratchDir dir;
  const std::string path = dir / "sparse.bin";
  const std::int64_t fileBytes = 5 << 20;
  const std::pair<std::int64_t, Bytes> islands[] = {
      {0, Pcm(100, 1)}, {(1 << 20) + 3, Pcm(10, 2)}, {(3 << 20) - 2000, Pcm(5000, 3)},
      {fileBytes - 7, Pcm(7, 4)}};
  {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, fileBytes), 0);
    for (const auto& [at, bytes] : islands)
      ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    close(fd);
  }
  auto plain = FileByteSource::Open(path), sparse = FileByteSource::Open(path);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(sparse, nullptr);
  const std::int64_t steps[][2] = {{0, 50},          {0, 1 << 21},  {90, 4 << 20},
                                   {(1 << 20), 20},  {(3 << 20) - 3000, 9000},
                                   {fileBytes - 10, 100}, {fileBytes, 4}, {fileBytes + 9, 4}};
  for (const auto& [at, count] : steps) {
    Bytes a(std::size_t(count), 0xAA), b(std::size_t(count), 0);
    ASSERT_TRUE(plain->Seek(at));
    ASSERT_TRUE(sparse->Seek(at));
    const std::int64_t got = plain->Read(a.data(), a.size());
    EXPECT_EQ(sparse->ReadOverZeros(b.data(), b.size()), got) << at;
    a.resize(std::size_t(std::max<std::int64_t>(got, 0)));
    b.resize(a.size());
    EXPECT_EQ(a, b) << at;
    EXPECT_EQ(sparse->Tell(), plain->Tell()) << at;
  }
  // Cut short on disk after opening: the read ends where the file now ends.
  ASSERT_EQ(truncate(path.c_str(), 2 << 20), 0);
  Bytes c(3 << 20, 0);
  ASSERT_TRUE(sparse->Seek(1 << 20));
  EXPECT_EQ(sparse->ReadOverZeros(c.data(), c.size()), 1 << 20);
}
