#include "files/RiffReader.h"

#include <gtest/gtest.h>

#include "WaveBytes.h"
#include "files/MemoryByteSource.h"

using namespace wavebytes;

namespace {
constexpr std::uint32_t kWave = FourCC("WAVE");

struct Parsed {
  explicit Parsed(Bytes b)
      : bytes(std::move(b)), source(bytes.data(), bytes.size()), riff(source) {}
  Bytes bytes;
  MemoryByteSource source;
  RiffReader riff;
};
}  // namespace

TEST(RiffReader, FindChunk_FindsAnyOrderSkippingOddChunksWithTheirPad) {
  Parsed p(Riff(Chunk("junk", {1, 2, 3}) + Chunk("data", {9, 8}) + Chunk("odd ", {7}) +
                Chunk("fmt ", {4, 5, 6, 7})));
  RiffChunk wave, fmt, data;
  ASSERT_TRUE(p.riff.FindRiff(kWave, wave));
  EXPECT_EQ(wave.dataOffset, 8);
  ASSERT_TRUE(p.riff.FindChunk(FourCC("fmt "), wave, fmt));
  EXPECT_EQ(fmt.size, 4u);
  EXPECT_EQ(fmt.dataOffset, 12 + 12 + 10 + 10 + 8);
  std::uint8_t got[4];
  EXPECT_EQ(p.riff.Read(got, 4), 4);
  EXPECT_EQ(got[0], 4);
  // The search goes forward only: "data" lies before "fmt ".
  ASSERT_TRUE(p.riff.Ascend(fmt));
  EXPECT_FALSE(p.riff.FindChunk(FourCC("data"), wave, data));
}

TEST(RiffReader, FindChunk_NeverLooksPastParentOrSourceEnd) {
  // A chunk after the RIFF chunk's declared end belongs to no parent.
  Parsed outside(Riff(Chunk("fmt ", Pcm(16)), 4 + 24) + Chunk("data", Pcm(4)));
  RiffChunk wave, c;
  ASSERT_TRUE(outside.riff.FindRiff(kWave, wave));
  EXPECT_FALSE(outside.riff.FindChunk(FourCC("data"), wave, c));

  // Declared sizes far past the end, or ending just inside a header, find nothing and do
  // not wrap around.
  for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF7u, 0x7FFFFFFFu, 13u}) {
    Parsed p(Riff(Id("junk") + U32(size) + Pcm(12) + Chunk("data", Pcm(2)), 0xFFFFFFFFu));
    ASSERT_TRUE(p.riff.FindRiff(kWave, wave));
    EXPECT_FALSE(p.riff.FindChunk(FourCC("data"), wave, c)) << size;
  }
  // A header cut short by the end of the source.
  Parsed p(Riff(Chunk("fmt ", Pcm(2)) + Id("data") + Bytes{4, 0}, 0xFFFFFFFFu));
  ASSERT_TRUE(p.riff.FindRiff(kWave, wave));
  EXPECT_FALSE(p.riff.FindChunk(FourCC("data"), wave, c));
}

TEST(RiffReader, FindChunk_ReturnsDeclaredSizeButReadStopsAtSourceEnd) {
  Parsed p(Riff(Chunk("data", Pcm(6), 1000)));
  RiffChunk wave, data;
  ASSERT_TRUE(p.riff.FindRiff(kWave, wave));
  ASSERT_TRUE(p.riff.FindChunk(FourCC("data"), wave, data));
  EXPECT_EQ(data.size, 1000u);
  EXPECT_EQ(p.riff.Remaining(), 6);
  Bytes buffer(1000);
  EXPECT_EQ(p.riff.Read(buffer.data(), buffer.size()), 6);
}

TEST(RiffReader, FindRiff_SkipsOtherTopLevelChunksAndForms) {
  Parsed p(Riff(Chunk("fmt ", Pcm(2)), {}, "AVI ") + Chunk("JUNK", Pcm(3)) +
           Riff(Chunk("fmt ", Pcm(4))));
  RiffChunk wave;
  ASSERT_TRUE(p.riff.FindRiff(kWave, wave));
  EXPECT_EQ(wave.dataOffset, 22 + 12 + 8);
  for (const Bytes& bad :
       {Bytes{}, Id("RIFF") + U32(4), Riff({}, {}, "RIFX"), Id("RIFX") + U32(4) + Id("WAVE")}) {
    Parsed q(bad);
    EXPECT_FALSE(q.riff.FindRiff(kWave, wave));
  }
}
