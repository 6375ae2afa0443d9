// The cursor's range and steps for a new sound, a new window size, frame alignment, and
// the settings that derive sizes and scales.

#include "model/PlayRange.h"

#include <gtest/gtest.h>

#include "model/NewSoundSettings.h"
#include "model/ViewSettings.h"

namespace {

TEST(PlayRange, BarForANewSound) {
  // 8-bit mono, 512 frames, 1600 bytes: room 1088, steps 256 and 51.
  PlayRange::NewRange r = PlayRange::ForNewSound(1600, 1, 512);
  EXPECT_EQ(r.fftSize, 512u);
  EXPECT_FALSE(r.bar.tooShort);
  EXPECT_EQ(r.bar.max, 1088);
  EXPECT_EQ(r.bar.largeChange, 256);
  EXPECT_EQ(r.bar.smallChange, 51);
  // 700 bytes: 188 < 512, so the window falls back to 256: room 444, steps 128 and 25.
  r = PlayRange::ForNewSound(700, 1, 512);
  EXPECT_EQ(r.fftSize, 256u);
  EXPECT_EQ(r.bar.max, 444);
  EXPECT_EQ(r.bar.largeChange, 128);
  EXPECT_EQ(r.bar.smallChange, 25);
  // 400 bytes, and anything shorter than a window: 0 .. 1 and the request.
  for (std::int32_t size : {400, 512, 100, 0}) {
    r = PlayRange::ForNewSound(size, 1, 1024);
    EXPECT_EQ(r.fftSize, 256u);
    EXPECT_TRUE(r.bar.tooShort) << size;
    EXPECT_EQ(r.bar.max, 1);
    EXPECT_EQ(r.bar.largeChange, 1);
    EXPECT_EQ(r.bar.smallChange, 1);
  }
  // Stereo 16-bit: the room is in bytes of four-byte frames.
  EXPECT_EQ(PlayRange::LastWindow(40000, 4, 4096), 40000 - 16384);
}

TEST(PlayRange, FitFallsBackTo256AndNeverBelowZero) {
  EXPECT_EQ(PlayRange::Fit(1600, 1, 1024).fftSize, 1024u);  // a 0.2 s buffer at 8000 Hz
  EXPECT_EQ(PlayRange::Fit(1600, 1, 1024).last, 576);
  EXPECT_EQ(PlayRange::Fit(1600, 1, 2048).fftSize, 256u);
  EXPECT_EQ(PlayRange::Fit(1600, 1, 4096).last, 1344);
  EXPECT_EQ(PlayRange::Fit(1600, 1, 1600).fftSize, 256u);  // room 0 is no room
  EXPECT_EQ(PlayRange::Fit(100, 2, 512).last, 0);          // shorter than 256 frames
}

TEST(PlayRange, AlignAndSeconds) {
  EXPECT_EQ(PlayRange::AlignToFrame(1001, 1), 1001);
  EXPECT_EQ(PlayRange::AlignToFrame(1001, 2), 1000);
  EXPECT_EQ(PlayRange::AlignToFrame(1003, 4), 1000);
  EXPECT_EQ(PlayRange::AlignToFrame(7, 0), 7);
  EXPECT_DOUBLE_EQ(PlayRange::BytesToSeconds(1001, 8000), 0.125125);
  EXPECT_DOUBLE_EQ(PlayRange::BytesToSeconds(1000, 0), 0.0);
  EXPECT_TRUE(PlayRange::HasRoom(16000, 15488, 1, 512));
  EXPECT_FALSE(PlayRange::HasRoom(16000, 15489, 1, 512));
}

TEST(ViewSettings, ScalesFollowRateAndWindow) {
  struct Case {
    std::uint32_t rate, fft;
    int fftItem, fftStep, waveItem, waveStep;
  };
  const Case cases[] = {
      {8000, 512, 1, 200, 2, 10},   {16000, 512, 1, 200, 1, 5},    {22050, 512, 2, 500, 0, 1},
      {32000, 4096, 2, 500, 2, 10}, {44100, 4096, 3, 1000, 2, 10}, {48000, 256, 3, 1000, 0, 1},
      {44100, 512, 3, 1000, 0, 1},  {4000, 256, 0, 100, 2, 10},    {11025, 512, 1, 200, 1, 5},
  };
  for (const Case& c : cases) {
    const auto s = ChooseScalesFor(c.rate, c.fft);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->fftItem, c.fftItem) << c.rate << " " << c.fft;
    EXPECT_EQ(s->fftGridStep, c.fftStep) << c.rate;
    EXPECT_EQ(s->waveItem, c.waveItem) << c.rate << " " << c.fft;
    EXPECT_EQ(s->waveGridStep, c.waveStep) << c.rate << " " << c.fft;
  }
  EXPECT_FALSE(ChooseScalesFor(0, 512));
  EXPECT_EQ(FftSizeOfItem(0), 256u);
  EXPECT_EQ(FftSizeOfItem(4), 4096u);
}

TEST(NewSoundSettings, FormatsAndSizesOfMadeSound) {
  NewSoundSettings s;
  WAVEFORMATEX f = s.MakeWaveFormat();
  EXPECT_EQ(f.wFormatTag, 1);
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.nAvgBytesPerSec, 8000u);
  EXPECT_EQ(f.nBlockAlign, 1);
  EXPECT_EQ(s.CaptureBufferBytes(), 1600);
  EXPECT_EQ(s.MixBytes(), 4000);
  EXPECT_EQ(s.RecordingCeiling(), 2400000);
  struct Case {
    std::uint32_t rate, bits;
    double seconds;
    std::int32_t bytes;
  };
  const Case table[] = {{8000, 16, 0.2, 3200},  {11025, 8, 0.2, 2205},   {11025, 16, 1.0, 22050},
                        {44100, 8, 0.2, 8820},  {44100, 16, 0.2, 17640}, {48000, 16, 1.0, 96000},
                        {48000, 8, 0.6, 28800}, {22050, 16, 0.4, 17640}};
  for (const Case& c : table) {
    s.RecSampleRate = c.rate;
    s.RecBits = c.bits;
    s.SlowRecSeconds = c.seconds;
    EXPECT_EQ(s.CaptureBufferBytes(), c.bytes) << c.rate << " " << c.bits << " " << c.seconds;
  }
  s.RecSampleRate = 44100;
  EXPECT_EQ(s.RecordingCeiling(), 13230000);
  s.RecBits = 16;
  f = s.MakeWaveFormat();
  EXPECT_EQ(f.nBlockAlign, 2);
  EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
}

}  // namespace
