// kelvor --analyse: the readout's base frequency per view window as CSV, and the refusals
// of files that Open refuses. The window's own readout is compared in the app tests.

#include "model/AnalyseCommand.h"

#include "files/WaveReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "../files/WaveBytes.h"
#include "model/ReadoutScan.h"
#include "model/ReadoutTrack.h"

using namespace wavebytes;

namespace {

// 16-bit samples of a base tone with two weaker harmonics; 0 Hz is silence.
Bytes Tone16(int frames, int channels, std::vector<double> hzPerChannel, int rate = 8000) {
  Bytes b;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      const double f = hzPerChannel[std::size_t(c)];
      double v = 0;
      for (int h = 1; h <= 3 && f > 0; ++h) v += std::sin(2 * M_PI * f * h * i / rate) / h;
      b = b + U16(std::uint16_t(std::int16_t(std::lrint(8000 * v))));
    }
  return b;
}

struct Outcome {
  int code;
  std::string out, err;
};

Outcome Analyse(const Bytes& file, std::uint32_t n = 512) {
  ScratchDir dir;
  const std::string path = dir / "in.wav";
  WriteAll(path, file);
  std::ostringstream out, err;
  const int code = AnalyseCommand::Run(path, n, out, err);
  return {code, out.str(), err.str()};
}

TEST(AnalyseCommand, OneRowPerWholeWindow) {
  // 250 Hz lies on bin 16 of a 512-point window at 8000 Hz. 2047 frames: three whole
  // windows; the fourth lacks a frame.
  EXPECT_EQ(Analyse(Standard(1, 8000, 16, Tone16(2047, 1, {250}))).out,
            "seconds,base_hz\n0.000,250\n0.064,250\n0.128,250\n");
  const Outcome big = Analyse(Standard(1, 8000, 16, Tone16(2048, 1, {250})), 1024);
  EXPECT_EQ(big.code, 0);
  EXPECT_EQ(big.out, "seconds,base_hz\n0.000,250\n0.128,250\n");
  EXPECT_TRUE(big.err.empty());
  // Shorter than one window: the header alone.
  EXPECT_EQ(Analyse(Standard(1, 8000, 16, Tone16(511, 1, {250}))).out, "seconds,base_hz\n");
}

TEST(AnalyseCommand, SilenceLeavesTheFieldEmptyAndStereoReadsChannelTwo) {
  Bytes d = Tone16(512, 1, {0}) + Tone16(512, 1, {500});
  EXPECT_EQ(Analyse(Standard(1, 8000, 16, d)).out, "seconds,base_hz\n0.000,\n0.064,500\n");
  // Channel 1 at 250 Hz, channel 2 at 1000 Hz: the readout shows channel 2.
  EXPECT_EQ(Analyse(Standard(2, 8000, 16, Tone16(512, 2, {250, 1000}))).out,
            "seconds,base_hz\n0.000,1000\n");
  EXPECT_EQ(Analyse(Standard(2, 8000, 16, Tone16(512, 2, {250, 0}))).out,
            "seconds,base_hz\n0.000,\n");
}

TEST(AnalyseCommand, EightBitAndOtherRatesUseTheFileRate) {
  // 8-bit unsigned: silence at 128.
  Bytes d;
  for (int i = 0; i < 1024; ++i)
    d.push_back(std::uint8_t(128 + std::lrint(90 * std::sin(2 * M_PI * 375.0 * i / 16000))));
  EXPECT_EQ(Analyse(Standard(1, 16000, 8, d)).out, "seconds,base_hz\n0.000,375\n0.032,375\n");
}

TEST(AnalyseCommand, RefusesWhatOpenRefusesWithOneLine) {
  std::ostringstream out, err;
  EXPECT_EQ(AnalyseCommand::Run("/nonexistent/x.wav", 512, out, err), 1);
  EXPECT_EQ(err.str(), "kelvor: /nonexistent/x.wav: no such file\n");
  EXPECT_TRUE(out.str().empty());

  auto refusal = [](const Bytes& file) {
    const Outcome o = Analyse(file);
    EXPECT_EQ(o.code, 1);
    EXPECT_TRUE(o.out.empty());
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    return o.err;
  };
  EXPECT_NE(refusal(Bytes(40, 0)).find(": not a RIFF WAVE file"), std::string::npos);
  EXPECT_NE(refusal(Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) + Chunk("data", Pcm(64))))
                .find(": Unsupported sound format: 32-bit floating-point"),
            std::string::npos);
  EXPECT_NE(refusal(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, 2)))).find(": no \"data\" chunk"),
            std::string::npos);
  // The reader lets 24-bit PCM through; the output device does not play it.
  EXPECT_NE(refusal(Standard(1, 8000, 24, Pcm(3 * 600))).find("24 bits per sample"),
            std::string::npos);
}

TEST(AnalyseCommand, SecondsHaveThreeDecimalsAndAPoint) {
  EXPECT_EQ(AnalyseCommand::FormatSeconds(0), "0.000");
  EXPECT_EQ(AnalyseCommand::FormatSeconds(512.0 / 44100), "0.012");
  EXPECT_EQ(AnalyseCommand::FormatSeconds(1234.5), "1234.500");
}

TEST(AnalyseCommand, MoreThan2GiBAnalysesTheFirst2GiBAndSaysSo) {
  // A sparse file: 2 GiB + 64 KiB of 16-bit stereo silence, a tone in its first window.
  ScratchDir dir;
  const std::string path = dir / "long.wav";
  const std::int64_t sound = (std::int64_t{1} << 31) + 65536;
  const Bytes header =
      Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16, 4)) + Id("data") + U32(std::uint32_t(sound)),
           std::uint32_t(36 + sound));
  const Bytes tone = Tone16(4096, 2, {250, 250});
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_EQ(ftruncate(fd, 44 + sound), 0);
  ASSERT_EQ(pwrite(fd, header.data(), 44, 0), 44);
  ASSERT_EQ(pwrite(fd, tone.data(), tone.size(), 44), ssize_t(tone.size()));
  close(fd);
  std::ostringstream out, err;
  EXPECT_EQ(AnalyseCommand::Run(path, 4096, out, err), 0);
  EXPECT_EQ(err.str(), "kelvor: " + path + ": " + WaveReader::kCutNotice + "\n");
  // The whole frames below 2^31 bytes make 131071 whole windows of 16 KiB and a part.
  const std::string rows = out.str();
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 131071);
  EXPECT_EQ(rows.substr(0, 40), "seconds,base_hz\n0.000,250\n0.512,\n1.024,\n");
}

TEST(ReadoutScan, SameRowsAsTheReadoutTrackOnAnyNumberOfThreads) {
  // A tone gliding up an octave, with noise bursts and silence, so that the readout
  // changes, empties and jumps; 8 and 16 bit, mono and stereo.
  Bytes d8, d16;
  unsigned noise = 1;
  for (int i = 0; i < 2 * 40000; ++i) {
    const double f = 200 + 200.0 * i / 80000;
    double v = std::sin(2 * M_PI * f * i / 8000) + 0.4 * std::sin(4 * M_PI * f * i / 8000);
    if (i / 4000 % 5 == 3) v = 0;
    if (i / 4000 % 7 == 5) v = (noise = noise * 1103515245u + 12345u) % 1000 / 500.0 - 1;
    d8.push_back(std::uint8_t(128 + std::lrint(60 * v)));
    d16 = d16 + U16(std::uint16_t(std::int16_t(std::lrint(15000 * v))));
  }
  SpectrumAnalysis single;
  ASSERT_TRUE(single.Allocate());
  int empty = 0;
  for (const auto& [d, bits] : {std::pair{&d8, 8}, std::pair{&d16, 16}})
    for (std::uint16_t channels : {1, 2})
      for (std::uint32_t n : {256u, 4096u}) {
        const WAVEFORMATEX f{1,
                             channels,
                             8000,
                             8000u * channels * bits / 8,
                             std::uint16_t(channels * bits / 8),
                             std::uint16_t(bits),
                             0};
        const ReadoutTrack::Settings settings{n, 0.2, 20};
        const auto size = std::int32_t(d->size());
        const std::vector<ReadoutTrack::Point> track =
            ReadoutTrack::Of(f, d->data(), size, settings, single);
        ASSERT_EQ(ReadoutScan::WindowCount(f, d->data(), size, settings),
                  std::int64_t(track.size()));
        for (int threads : {1, 3}) {
          ReadoutScan scan(threads);
          ASSERT_TRUE(scan.Allocate());
          // The last windows on their own too: a run that starts past the first window.
          std::vector<ReadoutTrack::Point> all(track.size()), tail(track.size() / 3);
          scan.Run(f, d->data(), size, settings, 0, all);
          scan.Run(f, d->data(), size, settings, std::int64_t(track.size() - tail.size()), tail);
          for (std::size_t w = 0; w < track.size(); ++w) {
            ASSERT_EQ(all[w].frame, track[w].frame) << w;
            ASSERT_EQ(all[w].baseHz, track[w].baseHz)
                << bits << " bit, " << channels << " ch, N " << n << ", window " << w;
            empty += !track[w].baseHz;
          }
          for (std::size_t w = 0; w < tail.size(); ++w)
            ASSERT_EQ(tail[w].baseHz, track[track.size() - tail.size() + w].baseHz) << w;
        }
      }
  EXPECT_GT(empty, 20);  // silence and noise did empty the readout
}

TEST(ReadoutTrack, NothingForWhatTheViewsCannotShow) {
  SpectrumAnalysis a;
  ASSERT_TRUE(a.Allocate());
  const Bytes d = Tone16(1024, 1, {250});
  const WAVEFORMATEX mono16{1, 1, 8000, 16000, 2, 16, 0};
  EXPECT_EQ(ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, a).size(),
            2u);
  for (std::uint32_t n : {128u, 300u, 8192u})
    EXPECT_TRUE(
        ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {n, 0.1, 20}, a).empty());
  WAVEFORMATEX three = mono16;
  three.nChannels = 3;
  EXPECT_TRUE(ReadoutTrack::Of(three, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, a).empty());
  SpectrumAnalysis none;
  EXPECT_TRUE(
      ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, none).empty());
}

}  // namespace
