#include "files/FileByteSource.h"

#include <fcntl.h>
#include <gtest/gtest.h>
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
  const std::int64_t end = 5 << 20;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_EQ(ftruncate(fd, end), 0);
  for (const std::int64_t at : {std::int64_t{0}, (1 << 20) + 3l, 3l << 20, end - 7}) {
    const Bytes island = Pcm(std::size_t(std::min<std::int64_t>(5000, end - at)), unsigned(at));
    ASSERT_EQ(pwrite(fd, island.data(), island.size(), at), ssize_t(island.size()));
  }
  close(fd);
  auto plain = FileByteSource::Open(path), sparse = FileByteSource::Open(path);
  const std::int64_t steps[][2] = {{0, 50},       {0, 2 << 20},          {90, 4 << 20},
                                   {1 << 20, 20}, {(3 << 20) - 9, 9000}, {end - 10, 100},
                                   {end, 4},      {end + 9, 4}};
  for (const auto& [at, count] : steps) {
    Bytes a(std::size_t(count), 0xAA), b(std::size_t(count), 0);
    ASSERT_TRUE(plain->Seek(at) && sparse->Seek(at));
    const std::int64_t got = plain->Read(a.data(), a.size());
    ASSERT_EQ(sparse->ReadOverZeros(b.data(), b.size()), got) << at;
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + got, b.begin())) << at;
    EXPECT_EQ(sparse->Tell(), plain->Tell()) << at;
  }
  ASSERT_EQ(truncate(path.c_str(), 2 << 20), 0);
  Bytes c(3 << 20, 0);
  ASSERT_TRUE(sparse->Seek(1 << 20));
  EXPECT_EQ(sparse->ReadOverZeros(c.data(), c.size()), 1 << 20);
}
