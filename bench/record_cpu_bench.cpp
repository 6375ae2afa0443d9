// CPU share of the GUI thread while a recording runs with the live views: 48 kHz 16-bit
// mono, 0.2 s capture buffers, FftSize 4096 over the full band, a two-tone signal, for 60 s
// of the simulated input's virtual clock. Every buffer is appended to the recording, one
// painting job draws it and the peak search updates the readout, as in the program; the
// offscreen window is shown, so repaints run too. The share is the GUI thread's CPU time
// over the 60 s of sound recorded; target below 2 % of one core. Left out: the device's
// own thread (virtual clock) and the finish at the stop.
// Run on the offscreen platform: QT_QPA_PLATFORM=offscreen.

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QTimer>
#include <QPushButton>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "CountedPrompts.h"
#include "RadioGroup.h"
#include "audio/SimulatedDevices.h"
#include "main.h"

namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

void BM_RecordCpuShare(benchmark::State& state) {
  constexpr int kSeconds = 60;
  for (auto _ : state) {
    SimulatedDevices devices(SimClockMode::Virtual);
    devices.SetInputSignal([](std::uint64_t frame) {
      const double t = double(frame) / 48000;
      return 0.3 * std::sin(2 * M_PI * 440 * t) + 0.1 * std::sin(2 * M_PI * 1320 * t);
    });
    CountedPrompts prompts;
    TFormMain form(devices, prompts);
    form.NewSound.RecSampleRate = 48000;
    form.NewSound.RecBits = 16;
    // The spectrum spans 24000 Hz as after the Bit&Sampling dialog (closed at once).
    QTimer::singleShot(0, [] {
      if (QWidget* d = QApplication::activeModalWidget()) d->close();
    });
    form.FormatDataClick();
    form.show();
    QCoreApplication::processEvents();
    form.RepButtonClick();
    form.Choicedatanum->SetItemIndex(4);  // 4096 points: the largest window drawn
    if (!form.Rec().Recording() || form.View().FftSize != 4096) {
      state.SkipWithError("the recording did not start");
      break;
    }
    const double cpu0 = ThreadCpuSeconds();
    for (int step = 0; step < kSeconds * 5; ++step) {
      devices.Advance(std::chrono::milliseconds(200));
      QCoreApplication::processEvents();  // the notice, then its painting job
      QCoreApplication::processEvents();
    }
    const double cpu = ThreadCpuSeconds() - cpu0;
    state.SetIterationTime(cpu);
    state.counters["cpu_pct_of_core"] = 100 * cpu / kSeconds;
    state.counters["cpu_ms"] = cpu * 1000;
    state.counters["recorded_s"] = double(form.Rec().Collected()) / 96000;
    state.counters["boxes"] = prompts.boxes;
    form.RepButtonClick();
  }
}
BENCHMARK(BM_RecordCpuShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
