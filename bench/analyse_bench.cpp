// kelvor --analyse against a plain loop over the same windows: 44100 Hz 16-bit stereo,
// N = 512, the readout's channel (channel 2). Repetitions are interleaved in random order
// (Interleaved.h) and the table at the end compares medians.
//
//   Scan1/10min     ReadoutScan on one thread over 10 minutes held in memory: per window,
//                   the Hamming window, the transform (the bins the search reads) and the
//                   peak search with its interpolated base frequency. CPU time.
//   FftwLoop/10min  the anchor: per window the same Hamming window, FFTW's r2c transform
//                   (FFTW_MEASURE, its own aligned arrays) and the strongest bin by squared
//                   magnitude. No peak list, no interpolation, no 1/N, no phases. CPU time.
//   ScanAll/10min   ReadoutScan on every processor: wall time.
//   Command/1h      AnalyseCommand::Run on a one-hour file (635 MB, written once to
//                   $KELVOR_BENCH_DIR or the temporary directory, read from the page cache),
//                   the CSV going to a stream that discards it: the whole command as a user
//                   runs it, reading included. Wall time.
// Goals: Scan1 at most 1.2 x FftwLoop's CPU per window; Command/1h at most 0.8 s on two
// processors. Left out: the first read of the file from disk, and writing the CSV anywhere.

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Interleaved.h"
#include "analysis/mygraph.h"
#include "model/AnalyseCommand.h"
#include "model/ReadoutScan.h"
#include "model/ViewSettings.h"

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr int kN = 512;
const WAVEFORMATEX kFormat{1, 2, kRate, kRate * 4, 4, 16, 0};

// One minute of a voice-like sound: a base gliding between 110 and 440 Hz with six
// harmonics, a pause each 10 s and a little noise; channel 2 a fifth above channel 1.
const std::vector<std::uint8_t>& Minute() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b(std::size_t(kRate) * 60 * 4);
    unsigned noise = 1;
    double phase[2] = {0, 0};
    for (std::size_t i = 0; i < kRate * 60; ++i) {
      const double t = double(i) / kRate;
      const double base = 220 * std::pow(2.0, std::sin(t * 0.7));
      for (int c = 0; c < 2; ++c) {
        phase[c] += 2 * M_PI * base * (c ? 1.5 : 1.0) / kRate;
        double v = 0;
        for (int h = 1; h <= 6; ++h) v += std::sin(h * phase[c]) / h;
        noise = noise * 1103515245u + 12345u;
        v = (std::fmod(t, 10.0) < 9.0 ? v : 0) * 8000 + double(noise >> 20) - 2048;
        const auto s = std::uint16_t(std::int16_t(std::lrint(v)));
        b[4 * i + 2 * c] = std::uint8_t(s);
        b[4 * i + 2 * c + 1] = std::uint8_t(s >> 8);
      }
    }
    return b;
  }();
  return bytes;
}

const std::vector<std::uint8_t>& TenMinutes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b;
    for (int m = 0; m < 10; ++m) b.insert(b.end(), Minute().begin(), Minute().end());
    return b;
  }();
  return bytes;
}

ReadoutTrack::Settings Settings() { return {kN, StartFftLevel(8), ViewSettings{}.FilterFreq}; }

std::int64_t Windows() {
  return ReadoutScan::WindowCount(kFormat, TenMinutes().data(), std::int32_t(TenMinutes().size()),
                                  Settings());
}

void RunScan(benchmark::State& state, int threads) {
  const auto& d = TenMinutes();
  ReadoutScan scan(threads);
  if (!scan.Allocate()) {
    state.SkipWithError("no memory");
    return;
  }
  std::vector<ReadoutTrack::Point> points(static_cast<std::size_t>(Windows()));
  for (auto _ : state) {
    scan.Run(kFormat, d.data(), std::int32_t(d.size()), Settings(), 0, points);
    benchmark::DoNotOptimize(points.data());
  }
  state.counters["windows"] = double(points.size());
  state.counters["threads"] = scan.Threads();
}

void RunFftwLoop(benchmark::State& state) {
  const auto& d = TenMinutes();
  auto* in = static_cast<double*>(fftw_malloc(sizeof(double) * kN));
  auto* out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (kN / 2 + 1)));
  fftw_plan plan = fftw_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
  const double* w = HammingWindow(kN);
  const std::int64_t windows = Windows();
  std::vector<int> strongest(static_cast<std::size_t>(windows));
  for (auto _ : state) {
    for (std::int64_t k = 0; k < windows; ++k) {
      const std::uint8_t* frame = d.data() + k * kN * 4 + 2;  // channel 2
      for (int i = 0; i < kN; ++i)
        in[i] = w[i] * std::int16_t(std::uint16_t(frame[4 * i] | frame[4 * i + 1] << 8));
      fftw_execute(plan);
      int best = 1;
      double top = -1;
      for (int b = 1; b < kN / 2; ++b) {
        const double m = out[b][0] * out[b][0] + out[b][1] * out[b][1];
        if (m > top) top = m, best = b;
      }
      strongest[std::size_t(k)] = best;
    }
    benchmark::DoNotOptimize(strongest.data());
  }
  state.counters["windows"] = double(windows);
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

// The one-hour file, written on first use and removed at exit.
class HourFile {
public:
  HourFile() {
    const char* dir = std::getenv("KELVOR_BENCH_DIR");
    path_ = (std::filesystem::path(dir ? dir : std::filesystem::temp_directory_path().c_str()) /
             ("kelvor_analyse_bench_" + std::to_string(::getpid()) + ".wav"))
                .string();
    std::ofstream f(path_, std::ios::binary);
    const std::uint32_t data = std::uint32_t(Minute().size() * 60);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4), u32(36 + data), f.write("WAVEfmt ", 8), u32(16);
    u16(1), u16(2), u32(kRate), u32(kRate * 4), u16(4), u16(16);
    f.write("data", 4), u32(data);
    for (int m = 0; m < 60; ++m)
      f.write(reinterpret_cast<const char*>(Minute().data()), std::streamsize(Minute().size()));
    ok_ = bool(f);
  }
  ~HourFile() { std::filesystem::remove(path_); }
  const std::string& Path() const { return path_; }
  bool Ok() const { return ok_; }

private:
  std::string path_;
  bool ok_ = false;
};

void RunCommand(benchmark::State& state) {
  static HourFile file;
  if (!file.Ok()) {
    state.SkipWithError("cannot write the one-hour file");
    return;
  }
  struct Discard : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  } discard;
  std::ostream out(&discard), err(&discard);
  for (auto _ : state) {
    if (AnalyseCommand::Run(file.Path(), kN, out, err) != 0) {
      state.SkipWithError("the command failed");
      break;
    }
  }
}

class TableReporter : public interleaved::MedianReporter {
public:
  void Finalize() override {
    MedianReporter::Finalize();
    const double windows = double(Windows());
    const double scan1 = MedianCpu("Scan1/10min"), loop = MedianCpu("FftwLoop/10min");
    const double all = MedianReal("ScanAll/10min"), command = MedianReal("Command/1h");
    std::printf("\n");
    PrintConditions("Scan1/10min");
    std::printf("%u processors\n", std::thread::hardware_concurrency());
    if (scan1 > 0 && loop > 0)
      std::printf("CPU us per window: scan %.3f, FFTW loop %.3f, ratio %.2f (goal <= 1.2)\n",
                  scan1 * 1e3 / windows, loop * 1e3 / windows, scan1 / loop);
    if (all > 0)
      std::printf("wall s per audio hour, windows in memory, all processors: %.3f\n",
                  all * 6 / 1e3);
    if (command > 0)
      std::printf("wall s per audio hour, the whole command on a 1 h file: %.3f (goal <= 0.8)\n",
                  command / 1e3);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Scan1/10min", RunScan, 1)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("FftwLoop/10min", RunFftwLoop)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ScanAll/10min", RunScan, 0)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Command/1h", RunCommand)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  std::vector<char*> args = interleaved::Arguments(argc, argv);
  int count = int(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
