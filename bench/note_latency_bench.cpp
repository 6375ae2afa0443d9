// Latency of a note, from a key event sent into the tone mixer window to its sound at the
// private sound server's sink (bench/run-audio-benches.sh), through the real PortAudio
// device. The mixer is opened by the Mixer button for 16-bit sound at 44100 Hz and plays
// 0.5 s notes of 30 harmonics (amplitude 100, volume 10), alternating "a" (220 Hz) and
// "k" (440 Hz), each after the last has ended and 150 ms of silence have passed.
//
// Two figures per note:
//  - in_process: from the key event to the device's Write returning (synthesis, the
//    stream opened and started): what the program itself adds;
//  - at_sink: from the key event to the first sample of the note at the sink's monitor,
//    recorded by a capture stream of 1 ms buffers. The monitor's frame count is put on
//    the steady clock by the earliest arrival of any capture buffer (its last frame is
//    taken to have been rendered then), so the figure may be late by that buffer's
//    delivery, never early.
// The capture keeps the null sink rendering in steps of a few milliseconds, as a sound
// card's interrupt would. One note is played first, untimed: a fresh null sink hears its
// first playback stream late (first_at_sink_ms), the later ones at once. Target: at_sink
// at most 10 ms (median and 90th percentile).

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <portaudio.h>

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "CountedPrompts.h"
#include "RealAudioBench.h"
#include "RunLoop.h"
#include "app/main.h"
#include "app/mix.h"
#include "audio/portaudio/PortAudioDevices.h"
#include "ui/TrackBar.h"

namespace {
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0, Clock::time_point t) {
  return std::chrono::duration<double>(t - t0).count();
}

// The real output with the moment of each Write noted.
class TimedOut : public WaveOutDevice {
public:
  TimedOut(std::unique_ptr<WaveOutDevice> d, Clock::time_point& written, int& writes)
      : d_(std::move(d)), written_(written), writes_(writes) {}
  DeviceResult Prepare(WAVEHDR& h) override { return d_->Prepare(h); }
  DeviceResult Unprepare(WAVEHDR& h) override { return d_->Unprepare(h); }
  DeviceResult Write(WAVEHDR& h) override {
    const DeviceResult r = d_->Write(h);
    written_ = Clock::now();
    ++writes_;
    return r;
  }
  DeviceResult GetPosition(MMTIME& t) override { return d_->GetPosition(t); }
  DeviceResult Pause() override { return d_->Pause(); }
  DeviceResult Reset() override { return d_->Reset(); }
  DeviceResult Close() override { return d_->Close(); }
  void SetUse(PlaybackUse use) override { d_->SetUse(use); }

private:
  std::unique_ptr<WaveOutDevice> d_;
  Clock::time_point& written_;
  int& writes_;
};

class TimedDevices : public AudioDevices {
public:
  PortAudioDevices real;
  Clock::time_point written;
  int writes = 0;
  DeviceResult OpenOut(const WAVEFORMATEX& f, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override {
    std::unique_ptr<WaveOutDevice> d;
    const DeviceResult r = real.OpenOut(f, sink, d);
    if (d) out = std::make_unique<TimedOut>(std::move(d), written, writes);
    return r;
  }
  DeviceResult OpenIn(const WAVEFORMATEX& f, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override {
    return real.OpenIn(f, sink, out);
  }
  std::string Description() const override { return real.Description(); }
};

// Records the sink's monitor (the default input) and finds the first sound after Arm.
class Monitor {
public:
  static constexpr double kRate = 48000;

  bool Open() {
    if (Pa_Initialize() != paNoError) return false;
    initialised_ = true;
    PaStreamParameters in{};
    in.device = Pa_GetDefaultInputDevice();
    if (in.device == paNoDevice) return false;
    in.channelCount = 1;
    in.sampleFormat = paInt16;
    in.suggestedLatency = 0.002;
    if (Pa_OpenStream(&stream_, &in, nullptr, kRate, 48, paClipOff, &Callback, this) != paNoError) {
      stream_ = nullptr;
      return false;
    }
    t0_ = Clock::now();
    return Pa_StartStream(stream_) == paNoError;
  }
  ~Monitor() {
    if (stream_) Pa_CloseStream(stream_);
    if (initialised_) Pa_Terminate();
  }
  // Whether the capture keeps pace with the clock (a null sink starts a new stream late).
  bool Live() const { return Since(t0_, Clock::now()) - double(frames_.load()) / kRate < 0.05; }
  void ForgetOffsets() { minOffset_.store(1e9); }  // those of the late start
  // From now on the first frame louder than silence is the onset.
  void Arm() {
    onset_.store(-1);
    armedAt_.store(frames_.load());
  }
  // Seconds on the steady clock since t0_ at which the onset was rendered, or < 0.
  double OnsetSeconds() const {
    const long long f = onset_.load();
    return f < 0 ? -1 : double(f) / kRate + minOffset_.load();
  }
  Clock::time_point T0() const { return t0_; }

private:
  static int Callback(const void* input, void*, unsigned long n, const PaStreamCallbackTimeInfo*,
                      PaStreamCallbackFlags, void* self) {
    auto* m = static_cast<Monitor*>(self);
    const auto* s = static_cast<const std::int16_t*>(input);
    const long long first = m->frames_.load(std::memory_order_relaxed);
    if (s && m->onset_.load(std::memory_order_relaxed) < 0 && first >= m->armedAt_.load())
      for (unsigned long i = 0; i < n; ++i)
        if (std::abs(int(s[i])) > 16) {
          m->onset_.store(first + (long long)i);
          break;
        }
    const long long end = first + (long long)n;
    m->frames_.store(end, std::memory_order_relaxed);
    const double offset = Since(m->t0_, Clock::now()) - double(end) / kRate;
    if (offset < m->minOffset_.load(std::memory_order_relaxed)) m->minOffset_.store(offset);
    return paContinue;
  }

  PaStream* stream_ = nullptr;
  bool initialised_ = false;
  Clock::time_point t0_;
  std::atomic<long long> frames_{0}, armedAt_{0}, onset_{-1};
  std::atomic<double> minOffset_{1e9};
};

void BM_NoteLatency(benchmark::State& state) {
  if (!realaudio::ServerPid()) {
    state.SkipWithError("no private sound server (run bench/run-audio-benches.sh)");
    return;
  }
  Monitor monitor;
  if (!monitor.Open()) {
    state.SkipWithError("the sink's monitor cannot be recorded");
    return;
  }
  TimedDevices devices;
  CountedPrompts prompts;
  TFormMain form(devices, prompts);
  form.NewSound.RecBits = 16;
  form.NewSound.RecSampleRate = 44100;
  form.Timer1->blockSignals(true);
  form.MixerClick();
  auto* mixer = form.mixplay();
  if (!mixer || !form.Player().OutDeviceOpen()) {
    state.SkipWithError("the mixer did not open");
    return;
  }
  for (int i = 1; i <= 30; ++i) mixer->AmpBars[i]->SetPosition(0);
  const auto settle = Clock::now() + std::chrono::seconds(10);
  while (!monitor.Live() && Clock::now() < settle)
    RunLoopUntil(Clock::now() + std::chrono::milliseconds(50));
  RunLoopUntil(Clock::now() + std::chrono::milliseconds(500));
  monitor.ForgetOffsets();
  // One note after the last has ended and 150 ms of silence: its two latencies in ms, or
  // an error.
  bool high = false;
  const auto note = [&](double& inProcessMs, double& atSinkMs) -> const char* {
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (form.Player().Playing() && Clock::now() < end)
      RunLoopUntil(Clock::now() + std::chrono::milliseconds(20));
    RunLoopUntil(Clock::now() + std::chrono::milliseconds(150));
    monitor.Arm();
    const QString key = high ? QStringLiteral("k") : QStringLiteral("a");
    high = !high;
    QKeyEvent press(QEvent::KeyPress, high ? Qt::Key_K : Qt::Key_A, Qt::NoModifier, key);
    QObject* target = mixer->focusWidget() ? static_cast<QObject*>(mixer->focusWidget()) : mixer;
    const int before = devices.writes;
    const Clock::time_point sent = Clock::now();
    QApplication::sendEvent(target, &press);
    // The note is built once the events already waiting have been handled.
    const auto built = Clock::now() + std::chrono::seconds(1);
    while (devices.writes == before && Clock::now() < built) QCoreApplication::processEvents();
    if (devices.writes != before + 1 || !form.Player().Playing())
      return "the note was not handed to the device";
    const double keyAt = Since(monitor.T0(), sent);
    const auto wait = Clock::now() + std::chrono::seconds(3);
    while (monitor.OnsetSeconds() < 0 && Clock::now() < wait)
      RunLoopUntil(Clock::now() + std::chrono::milliseconds(5));
    if (monitor.OnsetSeconds() < 0) return "the note was not heard at the sink";
    inProcessMs = Since(sent, devices.written) * 1e3;
    atSinkMs = (monitor.OnsetSeconds() - keyAt) * 1e3;
    return nullptr;
  };
  // The first playback stream a fresh null sink gets is heard late (it has rendered
  // silence ahead for its longest latency); later ones are not. Untimed, reported apart.
  double firstInProcess = 0, firstAtSink = 0;
  if (const char* error = note(firstInProcess, firstAtSink)) {
    state.SkipWithError(error);
    return;
  }
  std::vector<double> inProcess, atSink;
  for (auto _ : state) {
    double in = 0, at = 0;
    if (const char* error = note(in, at)) {
      state.SkipWithError(error);
      break;
    }
    inProcess.push_back(in);
    atSink.push_back(at);
    state.SetIterationTime(at * 1e-3);
  }
  std::sort(atSink.begin(), atSink.end());
  state.counters["in_process_ms"] = realaudio::Median(inProcess);
  state.counters["at_sink_ms"] = realaudio::Median(atSink);
  state.counters["at_sink_p90_ms"] = atSink.empty() ? 0 : atSink[atSink.size() * 9 / 10];
  state.counters["at_sink_max_ms"] = atSink.empty() ? 0 : atSink.back();
  state.counters["first_at_sink_ms"] = firstAtSink;
  state.counters["boxes"] = prompts.boxes;
}
BENCHMARK(BM_NoteLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
