#include "files/FileByteSource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
