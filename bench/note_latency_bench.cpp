// Latency of a note: from a key event sent into the tone mixer window to the call that
// hands the new block to the output device. The mixer is opened by the Mixer button for
// 16-bit sound at 44100 Hz and plays 0.5 s notes of 30 harmonics (amplitude 100, volume
// 10: loud, but never out of range, so that no note is cut short into silence). The keys
// alternate between "a" (220 Hz) and "k" (440 Hz); the previous note is still playing each
// time (the simulated device's clock stands still), so every note also stops it first.
// Target: at most 10 ms. Runs on the offscreen platform (set here when unset).

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>

#include "CountedPrompts.h"
#include "TrackBar.h"
#include "audio/SimulatedDevices.h"
#include "main.h"
#include "mix.h"

namespace {
using Clock = std::chrono::steady_clock;

// The simulated output with the moment of each Write noted.
class TimedOut : public WaveOutDevice {
public:
  TimedOut(std::unique_ptr<WaveOutDevice> d, Clock::time_point& written, int& writes)
      : d_(std::move(d)), written_(written), writes_(writes) {}
  DeviceResult Prepare(WAVEHDR& h) override { return d_->Prepare(h); }
  DeviceResult Unprepare(WAVEHDR& h) override { return d_->Unprepare(h); }
  DeviceResult Write(WAVEHDR& h) override {
    written_ = Clock::now();
    ++writes_;
    return d_->Write(h);
  }
  DeviceResult GetPosition(MMTIME& t) override { return d_->GetPosition(t); }
  DeviceResult Pause() override { return d_->Pause(); }
  DeviceResult Reset() override { return d_->Reset(); }
  DeviceResult Close() override { return d_->Close(); }

private:
  std::unique_ptr<WaveOutDevice> d_;
  Clock::time_point& written_;
  int& writes_;
};

class TimedDevices : public AudioDevices {
public:
  SimulatedDevices sim{SimClockMode::Virtual};
  Clock::time_point written;
  int writes = 0;
  DeviceResult OpenOut(const WAVEFORMATEX& f, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override {
    std::unique_ptr<WaveOutDevice> d;
    const DeviceResult r = sim.OpenOut(f, sink, d);
    if (d) out = std::make_unique<TimedOut>(std::move(d), written, writes);
    return r;
  }
  DeviceResult OpenIn(const WAVEFORMATEX& f, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override {
    return sim.OpenIn(f, sink, out);
  }
  std::string Description() const override { return "timed"; }
};

void BM_NoteLatency(benchmark::State& state) {
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
  bool high = false;
  for (auto _ : state) {
    const QString key = high ? QStringLiteral("k") : QStringLiteral("a");
    high = !high;
    QKeyEvent press(QEvent::KeyPress, high ? Qt::Key_K : Qt::Key_A, Qt::NoModifier, key);
    QObject* target = mixer->focusWidget() ? static_cast<QObject*>(mixer->focusWidget()) : mixer;
    const int before = devices.writes;
    const Clock::time_point sent = Clock::now();
    QApplication::sendEvent(target, &press);
    if (devices.writes != before + 1 || !form.Player().Playing()) {
      state.SkipWithError("the note was not handed to the device");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(devices.written - sent).count());
    // What the note left queued (a stale notice, repaints) runs between notes, untimed.
    QCoreApplication::processEvents();
  }
  const std::uint8_t* block = form.Sound.Data();
  bool sounding = false;
  for (std::int32_t i = 0; block && i < form.Sound.Size() && !sounding; ++i) sounding = block[i];
  if (!sounding) state.SkipWithError("the notes were silence");
  state.counters["block_bytes"] = form.Sound.Size();
  state.counters["boxes"] = prompts.boxes;
}
BENCHMARK(BM_NoteLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
