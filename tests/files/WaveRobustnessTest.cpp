// Malformed and truncated files must open or fail with a defined status, never read out
// of bounds or leak; files_tests_asan runs these under AddressSanitizer and UBSan.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/FileByteSource.h"
#include "files/MemoryByteSource.h"
#include "files/WaveReader.h"

using namespace wavebytes;

namespace {
std::vector<Bytes> VariedFiles() {
  return {
      Standard(1, 8000, 8, Pcm(301)),
      Riff(ListChunk() + Chunk("fmt ", FmtBody(1, 2, 44100, 16, 4, 2)) + Chunk("junk", Pcm(5)) +
           Chunk("data", Pcm(400)) + ListChunk()),
      Riff(Chunk("fmt ", FmtBody(1, 2, 22050, 8, 2, 24)) + Chunk("data", Pcm(64))),
  };
}

// Offsets of every size field in a well-formed file: the RIFF size and each subchunk's.
std::vector<std::size_t> SizeFields(const Bytes& file) {
  std::vector<std::size_t> at{4};
  for (std::size_t pos = 12; pos + 8 <= file.size();) {
    at.push_back(pos + 4);
    const std::uint32_t size = file[pos + 4] | file[pos + 5] << 8 | file[pos + 6] << 16 |
                               std::uint32_t(file[pos + 7]) << 24;
    pos += 8 + size + (size & 1);
  }
  return at;
}

// Reads `file` and checks what a success must satisfy: whole frames, and bytes that are
// really in the file.
WaveReadStatus ReadChecked(const Bytes& file, ByteSource& source) {
  WAVEFORMATEX f{};
  const WaveReader::Result r = WaveReader::Read(source, f);
  if (r.status == WaveReadStatus::Ok) {
    EXPECT_GT(r.size, 0);
    EXPECT_EQ(r.size % f.nBlockAlign, 0);
    EXPECT_NE(std::search(file.begin(), file.end(), r.data.get(), r.data.get() + r.size),
              file.end());
  } else {
    EXPECT_EQ(r.data, nullptr);
  }
  return r.status;
}

WaveReadStatus ReadChecked(const Bytes& file) {
  MemoryByteSource source(file.data(), file.size());
  return ReadChecked(file, source);
}
}  // namespace

TEST(WaveRobustness, Read_EveryPrefixOpensOrFailsCleanly) {
  ScratchDir dir;
  for (const Bytes& whole : VariedFiles()) {
    ASSERT_EQ(ReadChecked(whole), WaveReadStatus::Ok);
    for (std::size_t n = 0; n < whole.size(); ++n) {
      const Bytes prefix(whole.begin(), whole.begin() + long(n));
      const WaveReadStatus status = ReadChecked(prefix);
      if (n < 12) {
        EXPECT_EQ(status, WaveReadStatus::NoWave) << n;
      }
      if (n % 97 == 0) {  // now and then through a real file too
        WriteAll(dir / "prefix.wav", prefix);
        const auto source = FileByteSource::Open(dir / "prefix.wav");
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(ReadChecked(prefix, *source), status) << n;
      }
    }
  }
}

TEST(WaveRobustness, Read_CorruptedSizesOpenOrFailCleanly) {
  const std::uint32_t boundary[] = {0,          1,          2,          3,         4,  7,
                                    8,          15,         16,         17,        18, 0x7FFFFFFF,
                                    0x80000000, 0xFFFFFFF7, 0xFFFFFFFE, 0xFFFFFFFF};
  std::mt19937 random(20240611);
  for (const Bytes& whole : VariedFiles())
    for (std::size_t at : SizeFields(whole)) {
      std::vector<std::uint32_t> values(std::begin(boundary), std::end(boundary));
      const std::uint32_t actual = whole[at] | whole[at + 1] << 8;  // small sizes only
      for (std::uint32_t d : {1u, 2u, 3u}) values.insert(values.end(), {actual + d, actual - d});
      for (int i = 0; i < 40; ++i) values.push_back(random() % (i < 20 ? 1024 : 0xFFFFFFFFu));
      for (std::uint32_t v : values) {
        Bytes file = whole;
        const Bytes field = U32(v);
        std::copy(field.begin(), field.end(), file.begin() + long(at));
        ReadChecked(file);
      }
    }
}

TEST(WaveRobustness, Read_RandomByteDamageOpensOrFailsCleanly) {
  std::mt19937 random(7);
  for (const Bytes& whole : VariedFiles())
    for (int round = 0; round < 2000; ++round) {
      Bytes file = whole;
      const int hits = 1 + int(random() % 4);
      for (int h = 0; h < hits; ++h) file[random() % 60 % file.size()] = std::uint8_t(random());
      if (round % 3 == 0) file.resize(random() % (file.size() + 1));
      ReadChecked(file);
    }
}
