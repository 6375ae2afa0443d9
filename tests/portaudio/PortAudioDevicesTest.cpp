// Plays and records through the real PortAudio path: ALSA's default PCM, routed to a
// PulseAudio server with a silent sink (scripts/start-pulse.sh starts one). The tests that
// need the server skip when none can be reached, or fail when KELVOR_REQUIRE_REAL_AUDIO=1
// says they must run. Format refusals and the quiet start need no server.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "RealAudio.h"
#include "audio/portaudio/PortAudioDevices.h"
#include "audio/portaudio/PortAudioOutDevice.h"

namespace {
using namespace realaudio;

std::uint32_t Position(WaveOutDevice& dev) {
  MMTIME t;
  const DeviceResult r = dev.GetPosition(t);
  if (!r.ok()) std::fprintf(stderr, "GetPosition: %s\n", r.text.c_str());
  return t.cb;
}

// One PortAudioDevices for the tests of a process; made first, with stderr captured, so
// that it is the initialisation that probes (and would print).
class PortAudioDevicesTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    requireReal_ = Env("KELVOR_REQUIRE_REAL_AUDIO") == "1";
    std::fflush(stderr);
    char path[] = "/tmp/kelvor-stderr-XXXXXX";
    const int capture = ::mkstemp(path);
    captureOk_ = capture >= 0;
    const int saved = captureOk_ ? ::dup(2) : -1;
    if (captureOk_) ::dup2(capture, 2);
    devices_ = std::make_unique<PortAudioDevices>();
    if (captureOk_) {
      std::fflush(stderr);
      ::dup2(saved, 2);
      ::close(saved);
      std::ifstream file(path, std::ios::binary);
      captureOk_ = bool(file);
      startupStderr_.assign(std::istreambuf_iterator<char>(file), {});
      ::close(capture);
      ::unlink(path);
    }

    noAudio_ = PulseServerProblem();
    if (noAudio_.empty() && !devices_->HasOutput())
      noAudio_ =
          "PortAudio finds no default output device although PulseAudio runs (ALSA's "
          "default PCM does not reach it)";
    std::printf("devices: %s\n", devices_->Description().c_str());
  }
  static void TearDownTestSuite() { devices_.reset(); }

  static std::unique_ptr<PortAudioOutDevice> OpenPlayback(const WAVEFORMATEX& f, TestSink& sink) {
    std::unique_ptr<WaveOutDevice> out;
    const DeviceResult r = devices_->OpenOut(f, sink, out);
    if (!r.ok()) std::fprintf(stderr, "OpenOut: %s\n", r.text.c_str());
    return std::unique_ptr<PortAudioOutDevice>(static_cast<PortAudioOutDevice*>(out.release()));
  }

  static inline std::unique_ptr<PortAudioDevices> devices_;
  static inline std::string startupStderr_;
  static inline bool captureOk_ = false;
  static inline std::string noAudio_;  // why the real-device tests cannot run; empty if they can
  static inline bool requireReal_ = false;
};
}  // namespace

// Skips (or, where real audio is required, fails) when no server or no device is there.
#define REQUIRE_REAL_AUDIO()                                                                   \
  do {                                                                                         \
    if (!noAudio_.empty()) {                                                                   \
      if (requireReal_)                                                                        \
        FAIL() << noAudio_ << " (KELVOR_REQUIRE_REAL_AUDIO=1 requires a real device)";         \
      GTEST_SKIP() << noAudio_ << "; start one with: eval \"$(bash scripts/start-pulse.sh)\""; \
    }                                                                                          \
  } while (0)

TEST_F(PortAudioDevicesTest, Construct_LeavesStderrQuiet) {
  ASSERT_TRUE(captureOk_) << "stderr could not be captured";
  EXPECT_TRUE(devices_->InitError().empty()) << devices_->InitError();
  EXPECT_TRUE(startupStderr_.empty()) << startupStderr_;
}

TEST_F(PortAudioDevicesTest, OpenOut_ImpossibleFormat_RefusedWithText) {
  struct Case {
    const char* name;
    int tag, bits, channels, rate;
    int align;  // 0: consistent
    const char* text;
  };
  const char* format = "Sample format not supported";
  const Case cases[] = {
      {"24 bits", 1, 24, 1, 44100, 0, format},
      {"float tag", 3, 16, 1, 44100, 0, format},
      {"3 channels", 1, 16, 3, 44100, 0, "Invalid number of channels"},
      {"0 channels", 1, 8, 0, 8000, 0, "Invalid number of channels"},
      {"0 Hz", 1, 16, 1, 0, 0, "Invalid sample rate"},
      {"block align", 1, 16, 2, 44100, 2, format},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WAVEFORMATEX f = Format(c.rate, c.bits, c.channels);
    f.wFormatTag = std::uint16_t(c.tag);
    if (c.align) f.nBlockAlign = std::uint16_t(c.align);
    TestSink sink;
    std::unique_ptr<WaveOutDevice> out;
    const DeviceResult r = devices_->OpenOut(f, sink, out);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.text.rfind(c.text, 0), 0u) << r.text;
    EXPECT_FALSE(out);
    std::unique_ptr<WaveInDevice> in;
    EXPECT_FALSE(devices_->OpenIn(f, sink, in).ok());
    EXPECT_FALSE(in);
  }
}

TEST_F(PortAudioDevicesTest, OpenOut_RateTheDeviceRefuses_RefusedWithText) {
  REQUIRE_REAL_AUDIO();
  TestSink sink;
  std::unique_ptr<WaveOutDevice> out;
  const DeviceResult r = devices_->OpenOut(Format(4000000, 16, 1), sink, out);
  ASSERT_FALSE(r.ok());
  ASSERT_FALSE(r.text.empty());
  std::printf("4 MHz refused: %s\n", r.text.c_str());
  ASSERT_FALSE(out);
}

TEST_F(PortAudioDevicesTest, Write_PositionFollowsClock_OneNoticeAfterBlock) {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(44100, 16, 1);
  std::vector<std::uint8_t> sound = Tone(f, 0.6);
  const auto size = std::uint32_t(sound.size());
  const double duration = double(size) / f.nAvgBytesPerSec;
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  ASSERT_TRUE(dev);
  WAVEHDR hdr;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = size;
  ASSERT_TRUE(dev->Prepare(hdr).ok());
  ASSERT_EQ(Position(*dev), 0u);

  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(dev->Write(hdr).ok());
  const double latency = dev->OutputLatency();  // of the stream the write opened
  std::uint32_t last = 0;
  int steps = 0;
  double maxAhead = -1e9, maxBehind = 0;  // seconds of position against the wall clock
  while (sink.outputs.load() == 0 && Seconds(Clock::now() - start) < duration + 3) {
    const std::uint32_t pos = Position(*dev);
    const double elapsed = Seconds(Clock::now() - start);
    ASSERT_EQ(pos % f.nBlockAlign, 0u);
    ASSERT_LE(pos, size);
    ASSERT_GE(pos, last) << pos << " after " << last;
    if (pos > last) ++steps;
    last = pos;
    const double heard = double(pos) / f.nAvgBytesPerSec;
    maxAhead = std::max(maxAhead, heard - elapsed);
    if (pos < size) maxBehind = std::max(maxBehind, elapsed - heard);
    // Never ahead of the clock (15 ms for the clocks' grain and the sink's steps: what is
    // merely buffered would be ahead by up to the latency); never behind it by more than
    // the output latency and what a loaded machine's underruns may cost.
    ASSERT_LE(heard, elapsed + 0.015) << heard << " s heard after " << elapsed << " s";
    if (pos < size) {
      ASSERT_GE(heard, elapsed - latency - 1.0) << heard << " s heard after " << elapsed << " s";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  ASSERT_EQ(sink.outputs.load(), 1);
  const double noticeAt = Seconds(sink.FirstOutput() - start);
  ASSERT_GE(noticeAt, duration - 0.001);
  ASSERT_GE(steps, 20);  // it moved with the clock, not in a few jumps
  ASSERT_EQ(Position(*dev), size);
  ASSERT_TRUE(hdr.dwFlags & WHDR_DONE);
  ASSERT_FALSE(hdr.dwFlags & WHDR_INQUEUE);
  std::printf(
      "output latency %.1f ms; position behind the clock by up to %.1f ms, ahead by "
      "%.1f ms; notice %.1f ms after the block's duration\n",
      latency * 1e3, maxBehind * 1e3, maxAhead * 1e3, (noticeAt - duration) * 1e3);

  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ASSERT_EQ(sink.outputs.load(), 1);
  ASSERT_TRUE(dev->Reset().ok());  // the block has already come back: no second notice
  ASSERT_EQ(sink.outputs.load(), 1);
  ASSERT_EQ(Position(*dev), 0u);
  ASSERT_TRUE(dev->Unprepare(hdr).ok());
  ASSERT_TRUE(dev->Close().ok());
}

TEST_F(PortAudioDevicesTest, Write_8BitStereo_PlaysToEnd) {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(22050, 8, 2);
  std::vector<std::uint8_t> sound = Tone(f, 0.3);
  sound.push_back(128);  // half a frame at the end: not played, not counted
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  ASSERT_TRUE(dev);
  WAVEHDR hdr;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = std::uint32_t(sound.size());
  ASSERT_TRUE(dev->Prepare(hdr).ok());
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(dev->Write(hdr).ok());
  ASSERT_TRUE(WaitFor([&] { return sink.outputs.load() > 0; }, 3.3));
  ASSERT_GE(Seconds(sink.FirstOutput() - start), 0.3 - 0.001);
  ASSERT_EQ(Position(*dev), std::uint32_t(sound.size() - 1));
  ASSERT_TRUE(dev->Reset().ok());
  ASSERT_EQ(sink.outputs.load(), 1);
}

// Records the sink's monitor while a tone plays into the sink: buffers come back full, in
// the order they were added, and carry the tone.
TEST_F(PortAudioDevicesTest, AddBuffer_Capture_FilledInOrderAndHearsPlayback) {
  REQUIRE_REAL_AUDIO();
  ASSERT_TRUE(devices_->HasInput()) << "no default input device (the sink's monitor)";
  const WAVEFORMATEX f = Format(44100, 16, 1);
  const std::uint32_t bytes = f.nAvgBytesPerSec / 10;  // 0.1 s per buffer
  TestSink inSink, outSink;
  std::unique_ptr<WaveInDevice> in;
  const DeviceResult opened = devices_->OpenIn(f, inSink, in);
  ASSERT_TRUE(opened.ok()) << opened.text;
  std::array<std::vector<std::uint8_t>, 4> blocks;
  std::array<WAVEHDR, 4> hdrs;
  for (std::size_t i = 0; i < 4; ++i) {
    blocks[i].assign(bytes, 0x55);
    hdrs[i].lpData = blocks[i].data();
    hdrs[i].dwBufferLength = bytes;
    ASSERT_TRUE(in->Prepare(hdrs[i]).ok());
    ASSERT_TRUE(in->AddBuffer(hdrs[i]).ok());
  }
  ASSERT_FALSE(in->AddBuffer(hdrs[0]).ok());  // already queued
  ASSERT_TRUE(in->Start().ok());

  std::vector<std::uint8_t> tone = Tone(f, 1.0, 0.25);
  auto out = OpenPlayback(f, outSink);
  ASSERT_TRUE(out);
  WAVEHDR play;
  play.lpData = tone.data();
  play.dwBufferLength = std::uint32_t(tone.size());
  ASSERT_TRUE(out->Prepare(play).ok());
  ASSERT_TRUE(out->Write(play).ok());

  // Hand each full buffer back, as the recorder does, until 12 have come back.
  int handled = 0, loudest = 0;
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (handled < 12 && Clock::now() < end) {
    if (inSink.inputs.load(std::memory_order_acquire) == handled) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    WAVEHDR* h = inSink.returned[handled].load();
    ASSERT_EQ(h, &hdrs[handled % 4]);
    ASSERT_EQ(h->dwBytesRecorded, bytes);
    ASSERT_TRUE(h->dwFlags & WHDR_DONE);
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) {
      const auto sample = std::int16_t(h->lpData[i] | h->lpData[i + 1] << 8);
      loudest = std::max(loudest, std::abs(int(sample)));
    }
    ASSERT_TRUE(in->AddBuffer(*h).ok());
    ++handled;
  }
  ASSERT_EQ(handled, 12);
  ASSERT_GT(loudest, 4000);  // the tone peaks at 8191

  ASSERT_TRUE(in->Reset().ok());  // what a reset returns: DeviceContractTest
  ASSERT_TRUE(in->Close().ok());
  ASSERT_TRUE(out->Reset().ok());
  ASSERT_TRUE(out->Close().ok());
}
