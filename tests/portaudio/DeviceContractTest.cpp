// The device contract (WaveOutDevice.h, WaveInDevice.h) checked alike on the simulated
// devices (virtual clock) and on the real PortAudio path (scripts/start-pulse.sh's server;
// skipped without one, failed when KELVOR_REQUIRE_REAL_AUDIO=1). The sound server's death
// is the simulation's LoseServer, and for real a private server this test starts and kills.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "RealAudio.h"
#include "audio/SimTestDevices.h"
#include "audio/portaudio/PortAudioDevices.h"
#include "audio/portaudio/PortAudioFormat.h"

namespace {
using namespace realaudio;
using std::chrono::milliseconds;

// Both backends number their refusals alike.
static_assert(SimError::kClosed == PortAudioDeviceCode::kClosed);
static_assert(SimError::kStillQueued == PortAudioDeviceCode::kStillQueued);
static_assert(SimError::kUnprepared == PortAudioDeviceCode::kUnprepared);

struct Simulated {
  static constexpr bool kOneBlockAtATime = false;  // it queues further blocks
  static std::string Unavailable() { return {}; }
  AudioDevices& Devices() { return devices; }
  void Pass(milliseconds d) { devices.Advance(d); }
  template <class P>
  bool Until(P done, double seconds) {
    for (double t = 0; !done() && t < seconds; t += 0.005) Pass(milliseconds(5));
    return done();
  }
  std::string UsePrivateServer() { return {}; }
  void KillServer() { devices.LoseServer(); }
  void ExpectClosed() {  // what the simulation's inspectors add
    EXPECT_FALSE(devices.OutOpen());
    EXPECT_FALSE(devices.InOpen());
  }

  SimTestDevices devices{SimClockMode::Virtual};
};

struct Real {
  static constexpr bool kOneBlockAtATime = true;
  static std::string Unavailable() {
    std::string why = PulseServerProblem();
    if (why.empty() && !Shared().HasOutput()) why = "PortAudio finds no default output device";
    return why;
  }
  static PortAudioDevices& Shared() {
    static PortAudioDevices devices;
    return devices;
  }
  AudioDevices& Devices() { return Shared(); }
  void Pass(milliseconds d) { std::this_thread::sleep_for(d); }
  template <class P>
  bool Until(P done, double seconds) {
    return WaitFor(done, seconds);
  }
  // Points PULSE_SERVER at a server of this test's own (streams opened from now on use it).
  std::string UsePrivateServer() {
    char dir[] = "/tmp/kelvor-lose-XXXXXX";
    if (!mkdtemp(dir)) return "no scratch directory";
    dir_ = dir;
    const std::string cmd = "KELVOR_PULSE_DIR=" + dir_ + " bash " KELVOR_START_PULSE;
    FILE* out = popen(cmd.c_str(), "r");
    char line[512];
    while (out && std::fgets(line, sizeof line, out)) {
      const std::string s(line);
      if (s.rfind("export PULSE_SERVER=", 0) == 0) server_ = s.substr(20, s.size() - 21);
    }
    if (out) pclose(out);
    if (server_.empty()) return "a private PulseAudio server could not be started";
    saved_ = Env("PULSE_SERVER");
    setenv("PULSE_SERVER", server_.c_str(), 1);
    return {};
  }
  void ExpectClosed() {}
  void KillServer() {
    std::ifstream pid(dir_ + "/runtime/pid");
    long n = 0;
    if (pid >> n && n > 0) kill(pid_t(n), SIGKILL);
  }
  ~Real() {
    if (dir_.empty()) return;
    if (!server_.empty()) setenv("PULSE_SERVER", saved_.c_str(), 1);
    const std::string stop = "KELVOR_PULSE_DIR=" + dir_ + " bash " KELVOR_START_PULSE " --stop";
    [[maybe_unused]] const int ignored = std::system(stop.c_str());
    std::filesystem::remove_all(dir_);
  }

  std::string dir_, server_, saved_;
};

template <class Backend>
class DeviceContract : public ::testing::Test {
public:
  Backend b;
  TestSink sink;
  const WAVEFORMATEX f = Format(44100, 16, 1);

  std::uint32_t Position(WaveOutDevice& dev) {
    MMTIME t;
    EXPECT_TRUE(dev.GetPosition(t).ok());
    return t.cb;
  }
  std::unique_ptr<WaveOutDevice> Playing(std::vector<std::uint8_t>& sound, WAVEHDR& hdr) {
    std::unique_ptr<WaveOutDevice> dev;
    EXPECT_TRUE(b.Devices().OpenOut(f, sink, dev).ok());
    hdr.lpData = sound.data();
    hdr.dwBufferLength = std::uint32_t(sound.size());
    if (dev && !(dev->Prepare(hdr).ok() && dev->Write(hdr).ok())) dev.reset();
    return dev;
  }
};

using Backends = ::testing::Types<Simulated, Real>;
TYPED_TEST_SUITE(DeviceContract, Backends);

#define SKIP_UNLESS_AVAILABLE()                                                           \
  do {                                                                                    \
    if (const std::string why = TypeParam::Unavailable(); !why.empty()) {                 \
      if (Env("KELVOR_REQUIRE_REAL_AUDIO") == "1") FAIL() << why;                         \
      GTEST_SKIP() << why << "; start one with: eval \"$(bash scripts/start-pulse.sh)\""; \
    }                                                                                     \
  } while (0)

TYPED_TEST(DeviceContract, Write_Misuse_RefusedWithCodeAndText) {
  SKIP_UNLESS_AVAILABLE();
  std::vector<std::uint8_t> sound = Tone(this->f, 1.0);
  std::unique_ptr<WaveOutDevice> dev;
  ASSERT_TRUE(this->b.Devices().OpenOut(this->f, this->sink, dev).ok());
  WAVEHDR hdr;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = std::uint32_t(sound.size());
  WAVEHDR other = hdr;
  EXPECT_EQ(dev->Write(hdr).code, SimError::kUnprepared);
  ASSERT_TRUE(dev->Prepare(hdr).ok());
  ASSERT_TRUE(dev->Prepare(other).ok());
  ASSERT_TRUE(dev->Write(hdr).ok());
  std::vector<DeviceResult> refused = {dev->Write(hdr), dev->Unprepare(hdr), dev->Close()};
  if (TypeParam::kOneBlockAtATime) refused.push_back(dev->Write(other));
  for (const DeviceResult& r : refused) {
    EXPECT_EQ(r.code, SimError::kStillQueued);
    EXPECT_FALSE(r.text.empty());
  }
  EXPECT_EQ(this->sink.outputs.load(), 0);
  ASSERT_TRUE(dev->Reset().ok());
  EXPECT_EQ(this->sink.outputs.load(), 1);  // the refused writes queued nothing
  ASSERT_TRUE(dev->Close().ok());
  MMTIME t;
  EXPECT_EQ(dev->GetPosition(t).code, SimError::kClosed);
  EXPECT_EQ(dev->Write(other).code, SimError::kClosed);
  EXPECT_EQ(this->sink.Events(), "D");
}

TYPED_TEST(DeviceContract, Reset_MidBlock_ReturnsBlockAtOnceWithOneNotice) {
  SKIP_UNLESS_AVAILABLE();
  std::vector<std::uint8_t> sound = Tone(this->f, 3.0);
  WAVEHDR hdr;
  auto dev = this->Playing(sound, hdr);
  ASSERT_TRUE(dev);
  const std::uint32_t fifth = this->f.nAvgBytesPerSec / 5;
  ASSERT_TRUE(this->b.Until([&] { return this->Position(*dev) > fifth; }, 5.0));
  EXPECT_EQ(dev->Close().code, SimError::kStillQueued);  // the caller must reset first
  EXPECT_EQ(dev->Unprepare(hdr).code, SimError::kStillQueued);

  const Clock::time_point before = Clock::now();
  ASSERT_TRUE(dev->Reset().ok());
  EXPECT_LT(Seconds(Clock::now() - before), 0.5);  // not the 2.8 s left to play
  EXPECT_EQ(this->sink.outputs.load(), 1);         // posted by Reset itself
  EXPECT_EQ(hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(this->Position(*dev), 0u);
  this->b.Pass(milliseconds(300));
  EXPECT_EQ(this->sink.outputs.load(), 1);
  ASSERT_TRUE(dev->Unprepare(hdr).ok());
  EXPECT_FALSE(hdr.dwFlags & WHDR_PREPARED);
  ASSERT_TRUE(dev->Close().ok());
  this->b.ExpectClosed();
  MMTIME t;
  EXPECT_EQ(dev->GetPosition(t).code, SimError::kClosed);
}

TYPED_TEST(DeviceContract, Pause_HoldsPositionUntilReset_ThenPlaysAgainFromZero) {
  SKIP_UNLESS_AVAILABLE();
  std::vector<std::uint8_t> sound = Tone(this->f, 2.0);
  WAVEHDR hdr;
  auto dev = this->Playing(sound, hdr);
  ASSERT_TRUE(dev);
  ASSERT_TRUE(
      this->b.Until([&] { return this->Position(*dev) > this->f.nAvgBytesPerSec / 5; }, 5.0));
  ASSERT_TRUE(dev->Pause().ok());
  const std::uint32_t held = this->Position(*dev);
  EXPECT_TRUE(held > 0 && held < sound.size()) << held;
  this->b.Pass(milliseconds(200));
  EXPECT_EQ(this->Position(*dev), held);
  EXPECT_EQ(this->sink.outputs.load(), 0);  // a pause keeps the block
  EXPECT_EQ(dev->Unprepare(hdr).code, SimError::kStillQueued);
  ASSERT_TRUE(dev->Reset().ok());
  EXPECT_EQ(this->sink.outputs.load(), 1);
  EXPECT_EQ(this->Position(*dev), 0u);

  // After the reset the device plays again, from position 0, to the end.
  hdr.dwBufferLength = this->f.nAvgBytesPerSec / 5;
  ASSERT_TRUE(dev->Write(hdr).ok());
  ASSERT_TRUE(this->b.Until([&] { return this->sink.outputs.load() == 2; }, 3.0));
  EXPECT_EQ(this->Position(*dev), hdr.dwBufferLength);
  ASSERT_TRUE(dev->Reset().ok());
  EXPECT_EQ(this->sink.outputs.load(), 2);
}

// Four capture buffers of 0.1 s, added, prepared and started.
template <class Fixture>
struct Capture {
  std::unique_ptr<WaveInDevice> in;
  std::array<std::vector<std::uint8_t>, 4> blocks;
  std::array<WAVEHDR, 4> hdrs;
  std::uint32_t bytes = 0;

  explicit Capture(Fixture& t) {
    bytes = t.f.nAvgBytesPerSec / 10;
    const DeviceResult opened = t.b.Devices().OpenIn(t.f, t.sink, in);
    EXPECT_TRUE(opened.ok()) << opened.text;
    if (!in) return;
    for (std::size_t i = 0; i < 4; ++i) {
      blocks[i].assign(bytes, 0x55);
      hdrs[i].lpData = blocks[i].data();
      hdrs[i].dwBufferLength = bytes;
      EXPECT_TRUE(in->Prepare(hdrs[i]).ok());
      EXPECT_TRUE(in->AddBuffer(hdrs[i]).ok());
    }
    EXPECT_EQ(in->AddBuffer(hdrs[0]).code, SimError::kStillQueued);  // already queued
    EXPECT_TRUE(in->Start().ok());
  }
  // After a reset: every buffer came back once, in order; full ones, then the one being
  // filled with what it held, then the rest with nothing.
  void ExpectAllReturned(const TestSink& sink, std::uint32_t align) {
    ASSERT_EQ(sink.inputs.load(), 4);
    bool partial = false;
    for (std::size_t i = 0; i < 4; ++i) {
      const WAVEHDR* h = sink.returned[i].load();
      ASSERT_EQ(h, &hdrs[i]);
      EXPECT_EQ(h->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
      EXPECT_EQ(h->dwBytesRecorded % align, 0u);
      if (partial) {
        EXPECT_EQ(h->dwBytesRecorded, 0u);
      }
      partial = partial || h->dwBytesRecorded < bytes;
    }
  }
};

TYPED_TEST(DeviceContract, Reset_Capture_ReturnsEveryQueuedBufferOnceInOrder) {
  SKIP_UNLESS_AVAILABLE();
  Capture c(*this);
  ASSERT_TRUE(c.in);
  ASSERT_TRUE(this->b.Until([&] { return this->sink.inputs.load() >= 1; }, 5.0));
  EXPECT_EQ(c.in->Close().code, SimError::kStillQueued);
  EXPECT_EQ(c.in->Unprepare(c.hdrs[3]).code, SimError::kStillQueued);
  ASSERT_TRUE(c.in->Reset().ok());
  c.ExpectAllReturned(this->sink, this->f.nBlockAlign);
  this->b.Pass(milliseconds(200));
  EXPECT_EQ(this->sink.inputs.load(), 4);
  for (auto& h : c.hdrs) ASSERT_TRUE(c.in->Unprepare(h).ok());
  EXPECT_EQ(c.in->AddBuffer(c.hdrs[0]).code, SimError::kUnprepared);
  EXPECT_TRUE(c.in->Close().ok());
  this->b.ExpectClosed();
}

TYPED_TEST(DeviceContract, ServerDies_WhilePlaying_LostThenBlockReturnedPositionHeld) {
  SKIP_UNLESS_AVAILABLE();
  if (const std::string why = this->b.UsePrivateServer(); !why.empty()) GTEST_SKIP() << why;
  std::vector<std::uint8_t> sound = Tone(this->f, 3.0);
  WAVEHDR hdr;
  auto dev = this->Playing(sound, hdr);
  ASSERT_TRUE(dev);
  ASSERT_TRUE(
      this->b.Until([&] { return this->Position(*dev) > this->f.nAvgBytesPerSec / 10; }, 5.0));
  this->b.KillServer();
  ASSERT_TRUE(this->b.Until([&] { return this->sink.outputs.load() == 1; }, 5.0));
  EXPECT_EQ(this->sink.Events(), "OD");  // lost first, then the block's one notice
  EXPECT_EQ(hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  const std::uint32_t held = this->Position(*dev);
  EXPECT_TRUE(held > 0 && held < sound.size()) << held;
  this->b.Pass(milliseconds(200));
  EXPECT_EQ(this->Position(*dev), held);
  // Still gone: a new block is refused with a reason, and nothing is owed for it.
  const DeviceResult again = dev->Write(hdr);
  EXPECT_FALSE(again.ok());
  EXPECT_FALSE(again.text.empty());
  ASSERT_TRUE(dev->Reset().ok());
  ASSERT_TRUE(dev->Unprepare(hdr).ok());
  ASSERT_TRUE(dev->Close().ok());
  EXPECT_EQ(this->sink.Events(), "OD");
}

TYPED_TEST(DeviceContract, ServerDies_WhileRecording_LostAndBuffersWaitForReset) {
  SKIP_UNLESS_AVAILABLE();
  if (const std::string why = this->b.UsePrivateServer(); !why.empty()) GTEST_SKIP() << why;
  Capture c(*this);
  ASSERT_TRUE(c.in);
  ASSERT_TRUE(this->b.Until([&] { return this->sink.inputs.load() >= 1; }, 5.0));
  this->b.KillServer();
  ASSERT_TRUE(this->b.Until([&] { return this->sink.Events() == "L"; }, 5.0));
  const int filled = this->sink.inputs.load();
  this->b.Pass(milliseconds(300));
  EXPECT_EQ(this->sink.inputs.load(), filled);  // nothing more is filled
  EXPECT_FALSE(c.in->Start().ok());
  ASSERT_TRUE(c.in->Reset().ok());  // returns the rest, as always
  c.ExpectAllReturned(this->sink, this->f.nBlockAlign);
  for (auto& h : c.hdrs) ASSERT_TRUE(c.in->Unprepare(h).ok());
  EXPECT_TRUE(c.in->Close().ok());
  EXPECT_EQ(this->sink.Events(), "L");
}

}  // namespace
