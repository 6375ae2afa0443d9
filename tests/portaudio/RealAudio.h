#pragma once
// What the device tests share: a sink that records notices from any thread, PCM formats
// and tones, and whether the PulseAudio server of scripts/start-pulse.sh can be reached.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/DeviceNoticeSink.h"
#include "base/wavetypes.h"

namespace realaudio {
using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Notices in the order posted, counted with atomics: they come from the audio thread.
// events: 'D' output done, 'I' input data, 'O' output lost, 'L' input lost.
class TestSink final : public DeviceNoticeSink {
public:
  void PostOutputDone() noexcept override {
    if (outputs.fetch_add(1) == 0) firstOutput.store(Clock::now().time_since_epoch().count());
    Note('D');
  }
  void PostInputData(WAVEHDR* hdr) noexcept override {
    const int n = inputs.load(std::memory_order_relaxed);
    if (n < int(returned.size())) returned[n].store(hdr);
    inputs.store(n + 1, std::memory_order_release);
    Note('I');
  }
  void PostOutputLost() noexcept override { Note('O'); }
  void PostInputLost() noexcept override { Note('L'); }
  Clock::time_point FirstOutput() const {
    return Clock::time_point(Clock::duration(firstOutput.load()));
  }
  // The notices other than input data, in order.
  std::string Events() const {
    std::string s;
    for (int i = 0; i < count.load(); ++i)
      if (events[std::size_t(i)] != 'I') s += events[std::size_t(i)];
    return s;
  }

  std::atomic<int> outputs{0};
  std::atomic<Clock::rep> firstOutput{0};
  std::atomic<int> inputs{0};
  std::array<std::atomic<WAVEHDR*>, 256> returned{};

private:
  void Note(char e) {
    const int n = count.load();
    if (n < int(events.size())) events[std::size_t(n)] = e;
    count.store(n + 1);
  }
  std::array<char, 512> events{};
  std::atomic<int> count{0};
};

inline WAVEFORMATEX Format(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = std::uint16_t(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

// A quiet 440 Hz tone (amplitude `level` of full scale) in the format's bytes.
inline std::vector<std::uint8_t> Tone(const WAVEFORMATEX& f, double seconds, double level = 0.03) {
  const auto frames = std::size_t(f.nSamplesPerSec * seconds);
  std::vector<std::uint8_t> bytes(frames * f.nBlockAlign);
  for (std::size_t i = 0; i < frames; ++i) {
    const double v = level * std::sin(2 * M_PI * 440.0 * double(i) / f.nSamplesPerSec);
    for (int c = 0; c < f.nChannels; ++c) {
      std::uint8_t* at = &bytes[i * f.nBlockAlign + c * (f.wBitsPerSample / 8)];
      if (f.wBitsPerSample == 8) {
        at[0] = std::uint8_t(128 + std::lrint(v * 127));
      } else {
        const auto s = std::uint16_t(std::int16_t(std::lrint(v * 32767)));
        at[0] = std::uint8_t(s & 0xff);
        at[1] = std::uint8_t(s >> 8);
      }
    }
  }
  return bytes;
}

template <class Predicate>
bool WaitFor(Predicate done, double seconds) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Why the PulseAudio server the environment names cannot be reached; empty when it can.
inline std::string PulseServerProblem() {
  std::string path;
  const std::string server = Env("PULSE_SERVER");
  if (server.rfind("unix:", 0) == 0)
    path = server.substr(5);
  else if (server.rfind('/', 0) == 0)
    path = server;
  else if (!server.empty())
    return {};  // a TCP server: let PortAudio find out
  else if (std::getenv("PULSE_RUNTIME_PATH"))
    path = Env("PULSE_RUNTIME_PATH") + "/native";
  else if (std::getenv("XDG_RUNTIME_DIR"))
    path = Env("XDG_RUNTIME_DIR") + "/pulse/native";
  else
    return "no PulseAudio server is named (PULSE_SERVER unset)";
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return "socket path too long";
  std::memcpy(addr.sun_path, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  if (fd >= 0) ::close(fd);
  return ok ? std::string() : "no PulseAudio server answers at " + path;
}

}  // namespace realaudio
