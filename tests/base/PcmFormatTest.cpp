#include "base/PcmFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

WAVEFORMATEX Pcm(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = std::uint16_t(channels * ((bits + 7) / 8));
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

// Where the three named sets agree and where they differ, one format per row; the first
// rule broken is the one reported.
TEST(PcmFormat, Fault_NamedSetsTakeWhatTheirUsersTake) {
  struct Row {
    const char* what;
    WAVEFORMATEX f;
    PcmFault file, simulated, portAudio;
  };
  WAVEFORMATEX tag = Pcm(8000, 8, 1);
  tag.wFormatTag = 3;
  WAVEFORMATEX tagAndBits = Pcm(8000, 32, 9);
  tagAndBits.wFormatTag = 3;
  WAVEFORMATEX wideAlign = Pcm(44100, 16, 2);
  wideAlign.nBlockAlign = 6;
  WAVEFORMATEX oddZeroAlign = Pcm(44100, 24, 1);
  oddZeroAlign.nBlockAlign = 0;
  WAVEFORMATEX badAvg = Pcm(8000, 16, 2);
  badAvg.nAvgBytesPerSec = 16000;
  WAVEFORMATEX zeroAll{};
  zeroAll.wFormatTag = WAVE_FORMAT_PCM;
  using F = PcmFault;
  const Row rows[] = {
      {"8-bit mono", Pcm(8000, 8, 1), F::None, F::None, F::None},
      {"16-bit stereo", Pcm(44100, 16, 2), F::None, F::None, F::None},
      {"float tag", tag, F::Tag, F::Tag, F::Tag},
      {"tag before bits", tagAndBits, F::Tag, F::Tag, F::Tag},
      {"24-bit", Pcm(48000, 24, 2), F::None, F::Bits, F::Bits},
      {"24-bit, align 0", oddZeroAlign, F::BlockAlign, F::Bits, F::Bits},
      {"3 channels", Pcm(8000, 16, 3), F::None, F::Channels, F::Channels},
      {"0 channels", Pcm(8000, 16, 0), F::Channels, F::Channels, F::Channels},
      {"384000 Hz", Pcm(384000, 16, 1), F::None, F::None, F::None},
      {"384001 Hz", Pcm(384001, 16, 1), F::None, F::Rate, F::None},
      {"0 Hz", Pcm(0, 16, 1), F::Rate, F::Rate, F::Rate},
      {"16-bit stereo, align 6", wideAlign, F::BlockAlign, F::BlockAlign, F::BlockAlign},
      {"bytes per second", badAvg, F::None, F::BytesPerSecond, F::BytesPerSecond},
      {"all zero but the tag", zeroAll, F::Channels, F::Bits, F::Bits},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PcmFormatFault(r.f, kWaveFileLimits), r.file) << r.what;
    EXPECT_EQ(PcmFormatFault(r.f, kSimulatedDeviceLimits), r.simulated) << r.what;
    EXPECT_EQ(PcmFormatFault(r.f, kPortAudioLimits), r.portAudio) << r.what;
    EXPECT_EQ(PcmFormatProblem(r.f, kSimulatedDeviceLimits).empty(), r.simulated == F::None)
        << r.what;
  }
}

// The lines the simulated device has always given, word for word.
TEST(PcmFormat, Problem_SimulatedDeviceLines) {
  const PcmLimits& sim = kSimulatedDeviceLimits;
  WAVEFORMATEX f = Pcm(8000, 8, 1);
  f.wFormatTag = 3;
  EXPECT_EQ(PcmFormatProblem(f, sim), "Unsupported sound format: format tag 3 is not PCM (1).");
  EXPECT_EQ(PcmFormatProblem(Pcm(8000, 24, 1), sim),
            "Unsupported sound format: 24 bits per sample (8 or 16 are supported).");
  EXPECT_EQ(PcmFormatProblem(Pcm(8000, 16, 3), sim),
            "Unsupported sound format: 3 channels (1 or 2 are supported).");
  EXPECT_EQ(PcmFormatProblem(Pcm(384001, 16, 1), sim),
            "Unsupported sound format: 384001 Hz (1 to 384000 Hz are supported).");
  f = Pcm(8000, 16, 2);
  f.nBlockAlign = 2;
  EXPECT_EQ(PcmFormatProblem(f, sim), "Inconsistent sound format: block align 2, expected 4.");
  f = Pcm(8000, 16, 2);
  f.nAvgBytesPerSec = 16000;
  EXPECT_EQ(PcmFormatProblem(f, sim),
            "Inconsistent sound format: 16000 bytes per second, expected 32000.");
}

// Other limits phrase their own ranges; every line is one line.
TEST(PcmFormat, Problem_OtherLimitsPhraseTheirRanges) {
  EXPECT_EQ(PcmFormatProblem(Pcm(0, 16, 1), kPortAudioLimits),
            "Unsupported sound format: 0 Hz (1 Hz or more are supported).");
  EXPECT_EQ(PcmFormatProblem(Pcm(8000, 16, 0), kWaveFileLimits),
            "Unsupported sound format: 0 channels (1 or more are supported).");
  WAVEFORMATEX f = Pcm(8000, 24, 1);
  f.nBlockAlign = 0;
  EXPECT_EQ(PcmFormatProblem(f, kWaveFileLimits), "Inconsistent sound format: block align 0.");
  PcmLimits mono16 = kSimulatedDeviceLimits;
  mono16.eightBit = false;
  mono16.maxChannels = 1;
  mono16.minRate = mono16.maxRate = 8000;
  EXPECT_EQ(PcmFormatProblem(Pcm(8000, 8, 1), mono16),
            "Unsupported sound format: 8 bits per sample (only 16 is supported).");
  EXPECT_EQ(PcmFormatProblem(Pcm(8000, 16, 2), mono16),
            "Unsupported sound format: 2 channels (only 1 is supported).");
  EXPECT_EQ(PcmFormatProblem(Pcm(11025, 16, 1), mono16),
            "Unsupported sound format: 11025 Hz (only 8000 Hz is supported).");
  for (const std::string& line :
       {PcmFormatProblem(Pcm(4000000000u, 16, 65535), kSimulatedDeviceLimits),
        PcmFormatProblem(Pcm(8000, 65535, 1), kPortAudioLimits)}) {
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_LT(line.size(), 128u);
  }
}

TEST(PcmFormat, FrameBytes_KnownWidthsOnly) {
  EXPECT_EQ(PcmFrameBytes(Pcm(8000, 8, 2)), 2u);
  EXPECT_EQ(PcmFrameBytes(Pcm(8000, 16, 65535)), 131070u);  // no 16-bit overflow
  EXPECT_EQ(PcmFrameBytes(Pcm(8000, 24, 2)), 0u);
}

}  // namespace
