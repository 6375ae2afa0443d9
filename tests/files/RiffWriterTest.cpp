#include "files/RiffWriter.h"

#include <gtest/gtest.h>

#include "WaveBytes.h"
#include "files/MemoryByteSink.h"

using namespace wavebytes;

TEST(RiffWriter, Ascend_PatchesSizesAndPadsOddChunks) {
  MemoryByteSink sink;
  RiffWriter w(sink);
  RiffChunk riff{.formType = FourCC("TEST")};
  RiffChunk odd{.id = FourCC("odd "), .size = 0};  // size unknown when created
  RiffChunk even{.id = FourCC("even"), .size = 2};
  ASSERT_TRUE(w.CreateRiff(riff));
  ASSERT_TRUE(w.CreateChunk(odd));
  ASSERT_EQ(w.Write(Pcm(5).data(), 5), 5u);
  ASSERT_TRUE(w.Ascend(odd));
  EXPECT_EQ(odd.size, 5u);
  ASSERT_TRUE(w.CreateChunk(even));
  ASSERT_EQ(w.Write(Pcm(2).data(), 2), 2u);
  ASSERT_TRUE(w.Ascend(even));
  ASSERT_TRUE(w.Ascend(riff));
  EXPECT_EQ(sink.Bytes(), Riff(Chunk("odd ", Pcm(5)) + Chunk("even", Pcm(2)), {}, "TEST"));
  EXPECT_EQ(sink.Tell(), std::int64_t(sink.Bytes().size()));
}

TEST(RiffWriter, Ascend_FailsWhenThePadByteOrSizeIsRefused) {
  // 12 RIFF header + 8 chunk header + 3 data = 23 bytes taken; the pad is refused.
  MemoryByteSink padFull(23);
  RiffWriter w(padFull);
  RiffChunk riff{.formType = FourCC("WAVE")}, chunk{.id = FourCC("data"), .size = 3};
  ASSERT_TRUE(w.CreateRiff(riff));
  ASSERT_TRUE(w.CreateChunk(chunk));
  ASSERT_EQ(w.Write(Pcm(3).data(), 3), 3u);
  EXPECT_FALSE(w.Ascend(chunk));

  MemoryByteSink sizeFull(24);  // the pad fits; rewriting the RIFF size does not
  RiffWriter v(sizeFull);
  ASSERT_TRUE(v.CreateRiff(riff));
  ASSERT_TRUE(v.CreateChunk(chunk));
  ASSERT_EQ(v.Write(Pcm(3).data(), 3), 3u);
  ASSERT_TRUE(v.Ascend(chunk));
  EXPECT_FALSE(v.Ascend(riff));
}
