// Checks the reader and writer against an independent WAVE implementation, libsndfile.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"

using namespace wavebytes;

namespace {
struct Shape {
  int bits;
  int channels;
  int rate;
};
const Shape kShapes[] = {{8, 1, 8000}, {8, 2, 22050}, {16, 1, 44100}, {16, 2, 48000}};

std::vector<short> Samples(std::size_t n) {
  std::vector<short> s(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = short((i * 7919 + 13) % 65536 - 32768);
  return s;
}

bool Contains(const Bytes& file, const char* id) {
  return std::search(file.begin(), file.end(), id, id + 4) != file.end();
}
}  // namespace

TEST(SndfileInterop, ReadFile_OpensWhatLibsndfileWrites) {
  ScratchDir dir;
  for (const Shape& s : kShapes)
    for (bool withList : {false, true}) {
      const std::string path = dir / "sf.wav";
      const std::size_t frames = 999;  // odd, so 8-bit mono has a pad byte
      SF_INFO info{};
      info.samplerate = s.rate;
      info.channels = s.channels;
      info.format = SF_FORMAT_WAV | (s.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
      SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
      ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
      if (withList) sf_set_string(sf, SF_STR_TITLE, "take one");
      const std::vector<short> samples = Samples(frames * std::size_t(s.channels));
      Bytes raw = Pcm(frames * std::size_t(s.channels), 5);  // the 8-bit bytes as stored
      if (s.bits == 8)
        ASSERT_EQ(sf_write_raw(sf, raw.data(), sf_count_t(raw.size())), sf_count_t(raw.size()));
      else
        ASSERT_EQ(sf_writef_short(sf, samples.data(), sf_count_t(frames)), sf_count_t(frames));
      sf_close(sf);
      if (s.bits == 16) {  // the stored bytes are the samples little-endian
        raw.clear();
        for (short v : samples) raw = raw + U16(std::uint16_t(v));
      }
      EXPECT_EQ(Contains(ReadAll(path), "LIST"), withList);

      WAVEFORMATEX f{};
      const WaveReader::Result r = WaveReader::ReadFile(path, f);
      ASSERT_EQ(r.status, WaveReadStatus::Ok) << s.bits << "/" << s.channels << "/" << withList;
      const auto block = std::uint16_t(s.channels * s.bits / 8);
      EXPECT_EQ(f, (WAVEFORMATEX{1, std::uint16_t(s.channels), std::uint32_t(s.rate),
                                 std::uint32_t(s.rate) * block, block, std::uint16_t(s.bits), 0}));
      EXPECT_EQ(Bytes(r.data.get(), r.data.get() + r.size), raw);
    }
}

TEST(SndfileInterop, SaveFile_IsReadByLibsndfileWithSameFormatAndSamples) {
  ScratchDir dir;
  for (const Shape& s : kShapes) {
    const auto block = std::uint16_t(s.channels * s.bits / 8);
    const WAVEFORMATEX f{1,
                         std::uint16_t(s.channels),
                         std::uint32_t(s.rate),
                         std::uint32_t(s.rate) * block,
                         block,
                         std::uint16_t(s.bits),
                         0};
    const std::size_t frames = 1001;
    const Bytes data = Pcm(frames * block, 3);
    const std::string path = dir / "kelvor.wav";
    ASSERT_EQ(WaveWriter::SaveFile(path, f, data.data(), std::int32_t(data.size())),
              WaveSaveStatus::Ok);

    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | (s.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
    EXPECT_EQ(info.channels, s.channels);
    EXPECT_EQ(info.samplerate, s.rate);
    ASSERT_EQ(info.frames, sf_count_t(frames));
    std::vector<short> got(frames * std::size_t(s.channels));
    EXPECT_EQ(sf_readf_short(sf, got.data(), sf_count_t(frames)), sf_count_t(frames));
    sf_close(sf);
    for (std::size_t i = 0; i < got.size(); ++i) {
      const int expected =
          s.bits == 8 ? (data[i] - 128) * 256 : short(data[2 * i] | (data[2 * i + 1] << 8));
      ASSERT_EQ(got[i], expected) << "sample " << i;
    }
  }
}
