// The choice between the machine's devices and the simulated one: start-up does not wait
// for the probe, each direction goes to a real device when there is one, and the user is
// told once (one stderr line, the description) when something is simulated. A simulated
// device on the virtual clock stands in for the "real" one, so no sound system is needed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/SimTestDevices.h"
#include "audio/portaudio/DefaultAudioDevices.h"

namespace {
// Collects what is written to file descriptor 2 while it lives.
class StderrCapture {
public:
  StderrCapture() {
    std::fflush(stderr);
    fd_ = ::mkstemp(path_);
    if (fd_ < 0) {
      text_ = "(stderr could not be captured)";
      return;
    }
    saved_ = ::dup(2);
    ::dup2(fd_, 2);
  }
  ~StderrCapture() { Stop(); }
  std::string Stop() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, 2);
      ::close(saved_);
      saved_ = -1;
      std::ifstream file(path_, std::ios::binary);
      if (file) text_.assign(std::istreambuf_iterator<char>(file), {});
      ::close(fd_);
      ::unlink(path_);
    }
    return text_;
  }

private:
  char path_[32] = "/tmp/kelvor-stderr-XXXXXX";
  int fd_ = -1;
  int saved_ = -1;
  std::string text_;
};

struct NullSink final : DeviceNoticeSink {
  void PostOutputDone() noexcept override {}
  void PostInputData(WAVEHDR*) noexcept override {}
};

WAVEFORMATEX Mono8k() {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 8000;
  f.wBitsPerSample = 8;
  f.nBlockAlign = 1;
  f.nAvgBytesPerSec = 8000;
  return f;
}

// A probe that reports a stand-in device for the directions asked for.
DefaultAudioDevices::Probe FakeProbe(bool output, bool input, SimTestDevices** real,
                                     std::string error = {}) {
  return [=] {
    DefaultAudioDevices::Found found;
    found.output = output;
    found.input = input;
    found.system = "TestAudio 1";
    found.outputName = "\u201Cspeaker\u201D";
    found.inputName = "\u201Cmic\u201D";
    found.error = error;
    if (output || input) {
      auto devices = std::make_unique<SimTestDevices>(SimClockMode::Virtual);
      *real = devices.get();
      found.devices = std::move(devices);
    }
    return found;
  };
}
}  // namespace

TEST(DefaultAudioDevices, Construct_ScansNothing_StartProbeScansOffTheCallingThread) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<std::thread::id> ranOn;
  std::atomic<int> probes{0};
  SimTestDevices* real = nullptr;
  auto probe = FakeProbe(true, true, &real);
  {
    DefaultAudioDevices idle([&] {
      ++probes;
      return probe();
    });
  }  // neither made nor destroyed with a scan
  ASSERT_EQ(probes.load(), 0);

  DefaultAudioDevices devices([&] {
    ++probes;
    ranOn.set_value(std::this_thread::get_id());
    released.wait();  // a sound system that takes its time
    return probe();
  });
  devices.StartProbe();
  devices.StartProbe();  // once is enough
  // StartProbe returned while the probe still waits; it runs on a thread of its own.
  // (Released before the check: a failure must not leave the destructor joining a waiting
  // probe.)
  const std::thread::id probeThread = ranOn.get_future().get();
  release.set_value();
  ASSERT_NE(probeThread, std::this_thread::get_id());
  NullSink sink;
  std::unique_ptr<WaveOutDevice> out;
  ASSERT_TRUE(devices.OpenOut(Mono8k(), sink, out).ok());  // waits for the probe, then opens
  ASSERT_TRUE(out);
  ASSERT_EQ(probes.load(), 1);
}

TEST(DefaultAudioDevices, OpenOut_BothReal_UsesRealDevicesQuietly) {
  StderrCapture err;
  SimTestDevices* real = nullptr;
  DefaultAudioDevices devices(FakeProbe(true, true, &real));
  NullSink sink;
  std::unique_ptr<WaveOutDevice> out;
  std::unique_ptr<WaveInDevice> in;
  ASSERT_TRUE(devices.OpenOut(Mono8k(), sink, out).ok());
  ASSERT_TRUE(devices.OpenIn(Mono8k(), sink, in).ok());
  ASSERT_EQ(real->Calls(SimCall::OpenOut), 1);
  ASSERT_EQ(real->Calls(SimCall::OpenIn), 1);
  ASSERT_EQ(devices.Description(), std::string("TestAudio 1: output “speaker”, input “mic”"));
  ASSERT_EQ(err.Stop(), std::string());
}

TEST(DefaultAudioDevices, OpenIn_NoRealInput_SimulatedAndToldOnce) {
  StderrCapture err;
  SimTestDevices* real = nullptr;
  NullSink sink;
  {
    DefaultAudioDevices devices(FakeProbe(true, false, &real));
    std::unique_ptr<WaveOutDevice> out;
    std::unique_ptr<WaveInDevice> in;
    ASSERT_TRUE(devices.OpenOut(Mono8k(), sink, out).ok());
    ASSERT_TRUE(devices.OpenIn(Mono8k(), sink, in).ok());  // the simulated one
    ASSERT_TRUE(in);
    ASSERT_TRUE(devices.OpenIn(Mono8k(), sink, in).ok());
    ASSERT_EQ(real->Calls(SimCall::OpenOut), 1);
    ASSERT_EQ(real->Calls(SimCall::OpenIn), 0);
    ASSERT_TRUE(devices.RealOutput());
    ASSERT_FALSE(devices.RealInput());
    ASSERT_EQ(devices.Description(),
              std::string("TestAudio 1: output “speaker”; no input device, recording is "
                          "simulated and silent"));
  }
  ASSERT_EQ(
      err.Stop(),
      std::string("kelvor: no sound input device found; recording is simulated and silent.\n"));
}

TEST(DefaultAudioDevices, OpenOut_NoDevice_SimulatedAndToldOnce) {
  StderrCapture err;
  SimTestDevices* real = nullptr;
  NullSink sink;
  {
    DefaultAudioDevices devices(FakeProbe(false, false, &real, "Host error"));
    std::unique_ptr<WaveOutDevice> out;
    const DeviceResult r = devices.OpenOut(Mono8k(), sink, out);
    ASSERT_TRUE(r.ok()) << r.text;
    ASSERT_TRUE(out);
    // Playback on the real clock, silently: the block comes back when reset.
    std::vector<std::uint8_t> bytes(800, 128);
    WAVEHDR hdr;
    hdr.lpData = bytes.data();
    hdr.dwBufferLength = 800;
    ASSERT_TRUE(out->Prepare(hdr).ok());
    ASSERT_TRUE(out->Write(hdr).ok());
    ASSERT_TRUE(out->Reset().ok());
    ASSERT_FALSE(real);  // nothing real was made
    ASSERT_EQ(devices.Description(), std::string("No sound device found (Host error): playback "
                                                 "and recording are simulated and silent"));
    ASSERT_FALSE(devices.RealOutput());
  }
  ASSERT_EQ(err.Stop(), std::string("kelvor: no sound device found (Host error); playback and "
                                    "recording are simulated and silent.\n"));
}
