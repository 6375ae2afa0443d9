// kelvor --analyse: the readout's base frequency per view window as CSV, and the refusals
// of files that Open refuses. The window's own readout is compared in the app tests.

#include "model/AnalyseCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "../files/WaveBytes.h"
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

TEST(ReadoutTrack, NothingForWhatTheViewsCannotShow) {
  SpectrumAnalysis a;
  ASSERT_TRUE(a.Allocate());
  const Bytes d = Tone16(1024, 1, {250});
  const WAVEFORMATEX mono16{1, 1, 8000, 16000, 2, 16, 0};
  EXPECT_EQ(ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, a).size(),
            2u);
  for (std::uint32_t n : {128u, 300u, 8192u})
    EXPECT_TRUE(ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {n, 0.1, 20}, a).empty());
  WAVEFORMATEX three = mono16;
  three.nChannels = 3;
  EXPECT_TRUE(ReadoutTrack::Of(three, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, a).empty());
  SpectrumAnalysis none;
  EXPECT_TRUE(ReadoutTrack::Of(mono16, d.data(), std::int32_t(d.size()), {512, 0.1, 20}, none).empty());
}

}  // namespace
