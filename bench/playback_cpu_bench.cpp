// The real cost of playing a held sound: the main window (offscreen platform, so X is not
// counted) plays a 12 s 48 kHz 16-bit stereo sound through the real PortAudio device into
// the private sound server of bench/run-audio-benches.sh, with FftSize 4096, the spectrum
// over the full band, the 200 ms timer and the painting jobs following it. Each repetition
// measures, one after the other:
//  - play: this process (every thread) and the server, from 3 s after PLAY for 7 s (the
//    null sink starts a new stream late; the window lies inside the sound);
//  - idle: the same sound held and nothing playing, 1 s after the playback ended, for 5 s;
//  - paplay: `paplay` of the same sound as a WAVE file and the server, the same window.
// Reported: the medians of the CPU shares (% of one core) of the program, the server and
// both, and of the wake-ups per second of the program's audio threads (PortAudio's and
// the sound server client's; paplay: all its threads) and of the server. Targets: play at most 1.0
// %, idle at most 0.1 %. Left out: the X server and compositor, the start and the end of a playback
// (opening the stream, the end notice), and what the server would spend on a real card.

#include <benchmark/benchmark.h>

#include "QtBenchMain.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "CountedPrompts.h"
#include "RealAudioBench.h"
#include "RunLoop.h"
#include "app/main.h"
#include "audio/portaudio/PortAudioDevices.h"
#include "base/HeapPtr.h"
#include "files/WaveWriter.h"
#include "ui/RadioGroup.h"

namespace {
using namespace realaudio;
using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 12;
constexpr double kSkip = 3.0, kWindow = 7.0, kIdle = 5.0;

// Two tones per channel, as a file of music would give: every frame has peaks to find.
std::vector<std::uint8_t> Music(std::uint32_t rate, int seconds) {
  std::vector<std::uint8_t> data(std::size_t(rate) * 4 * std::size_t(seconds));
  for (std::uint32_t i = 0; i < rate * std::uint32_t(seconds); ++i) {
    const double t = double(i) / rate;
    const int left = int(
        std::nearbyint(9000 * std::sin(2 * M_PI * 220 * t) + 4000 * std::sin(2 * M_PI * 660 * t)));
    const int right = int(std::nearbyint(7000 * std::sin(2 * M_PI * 330 * t)));
    for (int c = 0; c < 2; ++c) {
      const int v = c == 0 ? left : right;
      data[4 * i + 2 * c] = std::uint8_t(v & 0xFF);
      data[4 * i + 2 * c + 1] = std::uint8_t((v >> 8) & 0xFF);
    }
  }
  return data;
}

// Held as a file reader leaves it: block, header, device open, play range and scales set.
bool HoldSound(TFormMain& f, const WAVEFORMATEX& format, const std::vector<std::uint8_t>& sound) {
  HeapBytes block = AllocBytes(sound.size());
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!block || !header) return false;
  std::copy(sound.begin(), sound.end(), block.get());
  f.Sound.SetFormat(format);
  f.Sound.Adopt(std::move(block), std::int32_t(sound.size()), std::move(header));
  if (!f.OpenWaveOut()) return false;
  f.ResetPlayRange();
  f.ChooseScales();
  return true;
}

void BM_PlaybackCost(benchmark::State& state) {
  const pid_t server = ServerPid();
  if (!server) {
    state.SkipWithError("no private sound server (run bench/run-audio-benches.sh)");
    return;
  }
  PortAudioDevices devices;
  if (!devices.HasOutput()) {
    state.SkipWithError("PortAudio finds no output device");
    return;
  }
  constexpr std::uint32_t kRate = 48000;
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
  const std::vector<std::uint8_t> sound = Music(kRate, kSeconds);
  QTemporaryDir dir;
  const std::string file = QDir(dir.path()).filePath("music.wav").toStdString();
  if (WaveWriter::SaveFile(file, format, sound.data(), std::int32_t(sound.size())) !=
      WaveSaveStatus::Ok) {
    state.SkipWithError("the WAVE file for paplay could not be written");
    return;
  }

  CountedPrompts prompts;
  TFormMain form(devices, prompts);
  form.NewSound.RecSampleRate = kRate;
  form.NewSound.RecBits = 16;
  // The spectrum spans 24000 Hz as after the Bit&Sampling dialog (closed at once).
  QTimer::singleShot(0, [] {
    if (QWidget* d = QApplication::activeModalWidget()) d->close();
  });
  form.FormatDataClick();
  const bool held = HoldSound(form, format, sound);
  form.Choicedatanum->SetItemIndex(4);  // 4096 points
  form.show();
  RunLoopUntil(Clock::now() + std::chrono::milliseconds(300));
  if (!held || !form.Player().OutDeviceOpen() || form.View().FftSize != 4096) {
    state.SkipWithError("the sound could not be held");
    return;
  }

  Shares play, idle, paplay;
  const std::map<pid_t, Cost> before = ThreadCosts(getpid());  // no stream yet
  const auto self = [&before] { return SelfCost(before); };
  for (auto _ : state) {
    const auto t0 = Clock::now();
    form.PlayButtonClick();
    RunLoopUntil(t0 + std::chrono::milliseconds(int(kSkip * 1000)));
    Measure(play, kWindow, self, server, RunLoopUntil);
    const auto end = Clock::now() + std::chrono::seconds(kSeconds + 5);
    while ((form.Player().Playing() || form.PlayButton->text() != "PLAY") && Clock::now() < end)
      RunLoopUntil(Clock::now() + std::chrono::milliseconds(50));
    if (form.Player().Playing()) {
      state.SkipWithError("the playback did not end");
      break;
    }
    RunLoopUntil(Clock::now() + std::chrono::seconds(1));
    Measure(idle, kIdle, self, server, RunLoopUntil);

    Child anchor({"paplay", file});
    const pid_t pid = anchor.Pid();
    SleepUntil(Clock::now() + std::chrono::milliseconds(int(kSkip * 1000)));
    Measure(
        paplay, kWindow, [pid] { return ProcessCost(pid); }, server, SleepUntil);
    while (!anchor.Ended()) SleepUntil(Clock::now() + std::chrono::milliseconds(50));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  play.Report(state, "play");
  idle.Report(state, "idle");
  paplay.Report(state, "paplay");
  state.counters["boxes"] = prompts.boxes;
}
BENCHMARK(BM_PlaybackCost)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
