// CPU share of the whole program while a sound plays and the views follow it: a 10 s
// 48 kHz 16-bit stereo sound, FftSize 4096, the spectrum over the full band, played by the
// simulated device on the real clock, with the real 200 ms timer, the painting jobs and the
// shown window's repaints running in the real event loop. The share is process CPU time
// (every thread) over wall time from PLAY to the end notice; target at most 1 % of a core.
// Run on the offscreen platform: QT_QPA_PLATFORM=offscreen.

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "CountedPrompts.h"
#include "RadioGroup.h"
#include "base/HeapPtr.h"
#include "audio/SimulatedDevices.h"
#include "main.h"

namespace {

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

void RunLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Two tones per channel, as a file of music would give: every frame has peaks to find.
// Held as a file reader leaves it: block, header, device open, play range and scales set.
bool HoldSound(TFormMain& f, int seconds) {
  constexpr std::uint32_t kRate = 48000;
  const std::int32_t size = std::int32_t(kRate * 4 * std::uint32_t(seconds));
  HeapBytes block = AllocBytes(std::size_t(size));
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!block || !header) return false;
  std::uint8_t* data = block.get();
  for (std::uint32_t i = 0; i < kRate * std::uint32_t(seconds); ++i) {
    const double t = double(i) / kRate;
    const int left = int(std::nearbyint(9000 * std::sin(2 * M_PI * 220 * t) +
                                        4000 * std::sin(2 * M_PI * 660 * t)));
    const int right = int(std::nearbyint(7000 * std::sin(2 * M_PI * 330 * t)));
    for (int c = 0; c < 2; ++c) {
      const int v = c == 0 ? left : right;
      data[4 * i + 2 * c] = std::uint8_t(v & 0xFF);
      data[4 * i + 2 * c + 1] = std::uint8_t((v >> 8) & 0xFF);
    }
  }
  f.Sound.SetFormat({1, 2, kRate, kRate * 4, 4, 16, 0});
  f.Sound.Adopt(std::move(block), size, std::move(header));
  if (!f.OpenWaveOut()) return false;
  f.ResetPlayRange();
  f.ChooseScales();
  return true;
}

void BM_PlaybackCpuShare(benchmark::State& state) {
  for (auto _ : state) {
    SimulatedDevices devices(SimClockMode::Real);
    CountedPrompts prompts;
    TFormMain form(devices, prompts);
    // The settings of a user who records at 48 kHz, 16 bits: the spectrum axis and the
    // look-ahead follow them; the full band means every bin is drawn.
    form.NewSound.RecSampleRate = 48000;
    form.NewSound.RecBits = 16;
    // The spectrum spans 24000 Hz as after the Bit&Sampling dialog (closed at once).
    QTimer::singleShot(0, [] {
      if (QWidget* d = QApplication::activeModalWidget()) d->close();
    });
    form.FormatDataClick();
    const bool held = HoldSound(form, 10);
    form.Choicedatanum->SetItemIndex(4);  // 4096 points
    form.show();
    RunLoopFor(300);
    if (!held || !form.Player().OutDeviceOpen() || form.View().FftSize != 4096) {
      state.SkipWithError("the sound could not be held");
      break;
    }

    int ticks = 0;
    QObject::connect(form.Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = ProcessCpuSeconds();
    form.PlayButtonClick();
    QEventLoop loop;
    QTimer check;  // looks for the end twice a second: a negligible share of its own
    QObject::connect(&check, &QTimer::timeout, [&] {
      if (!form.Player().Playing() && form.PlayButton->text() == "PLAY") loop.quit();
    });
    check.start(500);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);  // a safety net only
    loop.exec();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    state.SetIterationTime(wall);
    state.counters["cpu_pct_of_core"] = 100 * cpu / wall;
    state.counters["cpu_ms"] = cpu * 1000;
    state.counters["ticks"] = ticks;
    state.counters["boxes"] = prompts.boxes;
    if (form.Player().Playing()) state.SkipWithError("the playback did not end");
  }
}
BENCHMARK(BM_PlaybackCpuShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
