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
  for (const Bytes& bad : {Bytes{}, Id("RIFF") + U32(4), Riff({}, {}, "RIFX"),
                           Id("RIFX") + U32(4) + Id("WAVE")}) {
    Parsed q(bad);
    EXPECT_FALSE(q.riff.FindRiff(kWave, wave));
  }
}

// The header buffer changes nothing but the cost: every search over a file of odd, nested
// and overlong chunks gives the same answers with a buffer that ends inside each header.
TEST(RiffReader, SmallBuffers_FindWhatTheDefaultFinds) {
  Bytes empties;  // runs of empty chunks, one of them a "RIFF" of another form
  for (const char* id : {"JUNK", "JUNK", "RIFF", "JUNK", "\0\0\0\0", "JUNK"})
    empties = empties + Chunk(id, {});
  const Bytes file = Chunk("JUNK", Pcm(5)) + empties +
                     Riff(ListChunk() + Chunk("odd ", Pcm(7)) + empties + Chunk("fmt ", Pcm(18)) +
                          Chunk("pad ", Pcm(33)) + empties + Chunk("data", {}) + empties +
                          Chunk("data", Pcm(9)) +
                          Id("tail") + U32(0xFFFFFFF0u) + Pcm(3));
  const auto walk = [&](std::size_t bufferBytes) {
    MemoryByteSource source(file.data(), file.size());
    RiffReader riff(source, {}, bufferBytes);
    std::vector<std::int64_t> seen;
    RiffChunk wave, c;
    seen.push_back(riff.FindRiff(kWave, wave) ? wave.dataOffset : -1);
    for (const char* id : {"fmt ", "data", "tail", "LIST"}) {
      const std::int64_t start = source.Tell();
      const bool found = riff.FindChunk(FourCC(*reinterpret_cast<const char(*)[5]>(id)), wave, c);
      seen.insert(seen.end(), {found ? c.dataOffset : -1, found ? std::int64_t(c.size) : -1,
                               source.Tell()});
      std::uint8_t got[4] = {};
      seen.push_back(found ? riff.Read(got, 4) * 1000 + got[0] : -1);
      if (!found) source.Seek(start);
      else riff.Ascend(c);
    }
    return seen;
  };
  const std::vector<std::int64_t> expected = walk(RiffReader::kBufferBytes);
  EXPECT_EQ(expected[0], 5 + 1 + 8 + 6 * 8 + 8);
  EXPECT_EQ(expected[6], 0);  // the size of the empty "data" chunk
  for (std::size_t bytes = 1; bytes <= 48; ++bytes) EXPECT_EQ(walk(bytes), expected) << bytes;
}
