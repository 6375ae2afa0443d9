// The real cost of a recording with the live views: the main window (offscreen platform)
// records 48 kHz 16-bit mono in 0.2 s buffers through the real PortAudio device from the
// monitor of the private sound server's sink (bench/run-audio-benches.sh), with FftSize
// 4096 over the full band; every buffer is appended, drawn and searched for its base
// frequency. Each repetition measures, one after the other:
//  - record: this process (every thread) and the server, from 2 s after REC for 6 s;
//  - parec: `parec` of the same source in the same format (to /dev/null) and the server,
//    the same window.
// Reported as in playback_cpu_bench.cpp: the medians of the CPU shares (% of one core) and
// wake-ups per second of the program's audio threads and of the server. Target: at most
// 1.0 % for program and server. Left out: the X server, the start and the finish of the
// recording (opening the stream, the sound made of the buffers at the stop).

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "CountedPrompts.h"
#include "RealAudioBench.h"
#include "RunLoop.h"
#include "app/main.h"
#include "audio/portaudio/PortAudioDevices.h"
#include "ui/RadioGroup.h"

namespace {
using namespace realaudio;
using Clock = std::chrono::steady_clock;

constexpr double kSkip = 2.0, kWindow = 6.0;

void BM_RecordCost(benchmark::State& state) {
  const pid_t server = ServerPid();
  if (!server) {
    state.SkipWithError("no private sound server (run bench/run-audio-benches.sh)");
    return;
  }
  PortAudioDevices devices;
  if (!devices.HasInput()) {
    state.SkipWithError("PortAudio finds no input device");
    return;
  }
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
  RunLoopUntil(Clock::now() + std::chrono::milliseconds(300));

  Shares record, parec;
  const std::map<pid_t, Cost> before = ThreadCosts(getpid());  // no stream yet
  const auto self = [&before] { return SelfCost(before); };
  const auto skip = std::chrono::milliseconds(int(kSkip * 1000));
  for (auto _ : state) {
    const auto t0 = Clock::now();
    form.NewClick();  // the last recording goes without a question
    form.RepButtonClick();
    form.Choicedatanum->SetItemIndex(4);  // 4096 points: the largest window drawn
    if (!form.Rec().Recording() || form.View().FftSize != 4096) {
      state.SkipWithError("the recording did not start");
      break;
    }
    RunLoopUntil(t0 + skip);
    Measure(record, kWindow, self, server, RunLoopUntil);
    form.RepButtonClick();
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (form.Rec().Stopping() && Clock::now() < end)
      RunLoopUntil(Clock::now() + std::chrono::milliseconds(50));
    if (form.Rec().Collected() == 0 && !form.Sound.HasSound()) {
      state.SkipWithError("nothing was recorded");
      break;
    }

    Child anchor({"parec", "--rate=48000", "--channels=1", "--format=s16le", "--raw"}, true);
    const pid_t pid = anchor.Pid();
    SleepUntil(Clock::now() + skip);
    Measure(
        parec, kWindow, [pid] { return ProcessCost(pid); }, server, SleepUntil);
    anchor.Stop();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  record.Report(state, "record");
  parec.Report(state, "parec");
  state.counters["boxes"] = prompts.boxes;
}
BENCHMARK(BM_RecordCost)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
