// The tone mixer's synthesis of one 16-bit block: the fast path (rotating phasors over one
// period, on one thread on each code path, and on two threads as the program runs it)
// against the formula evaluated literally with the C library's double sin per term per
// sample on one thread. Both write the same bytes (the setup checks it). Repetitions are
// interleaved in random order (Interleaved.h) and the table at the end compares medians.
//
// Blocks, all with falling amplitudes 100/k (at least 1), spread phases and volume 10, so
// that no run ends early in silence:
//   0.5s_44100Hz_119h_f100   the default duration and an ordinary note;
//   3s_48000Hz_120h_f100     the largest block, an ordinary note (period 480 samples);
//   3s_48000Hz_120h_f1999    the largest block with no shorter period than 1 s (48000
//                            samples): the most phasor work any f0 asks for;
//   AllF0/3s_48000Hz_120h    every f0 from 1 to 2000, five passes on one thread;
//                            counters: the slowest f0 by the median of its five thread CPU
//                            times, and the mean over all f0 (ms).
// The goal is at most 5 ms for 3 s at 48000 Hz with 120 harmonics at every f0, one thread.
//
// Included: everything from the resolved plan to the last stored sample (phasor set-up,
// anchoring, summing, fade, rounding, the formula for the samples the margin does not
// decide, range test, thread start and join). Left out: building the plan (a few hundred
// ns), resizing the block and playback. One-thread runs are compared in CPU time (on a
// shared machine the wall time also counts the other programs' turns); the two-thread run
// in wall time, where its second thread shows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "Interleaved.h"
#include "mixer/PlainSynthesis.h"
#include "mixer/Synthesis.h"

namespace {

struct Block {
  const char* name;
  std::uint32_t rate;
  int harmonics;
  double seconds;
  std::int32_t f0;
};

constexpr Block kBlocks[] = {{"0.5s_44100Hz_119h_f100", 44100, 119, 0.5, 100},
                             {"3s_48000Hz_120h_f100", 48000, 120, 3.0, 100},
                             {"3s_48000Hz_120h_f1999", 48000, 120, 3.0, 1999}};

SynthPlan MakePlan(const Block& b, std::int32_t f0) {
  HarmonicSet set;
  for (int k = 1; k <= b.harmonics; ++k) {
    set.Amplitude[k] = std::max(1, 100 / k);
    set.Phase[k] = 0.7 * k;
  }
  set.HarmCount = b.harmonics;
  const auto bytes = std::size_t(2 * b.rate * b.seconds);
  return SynthPlan(SampleBits::Sixteen, bytes, b.rate, set, ToneSettings{f0, 10, 10});
}

// threads 0: the literal loop; otherwise the fast path with that many threads.
void Run(benchmark::State& state, const Block& b, int threads, SimdPath path) {
  if (!SimdPathRuns(path)) {
    state.SkipWithError("this machine does not run that path");
    return;
  }
  const SynthPlan plan = MakePlan(b, b.f0);
  std::vector<std::uint8_t> block(std::size_t(2 * plan.N)), literal(block.size());
  PlainSynthesize(plan, literal);
  auto once = [&] {
    return threads > 0 ? SynthesizePlan(plan, block, threads, path) : PlainSynthesize(plan, block);
  };
  if (once() || block != literal) {
    state.SkipWithError("silenced, or not the formula's bytes");
    return;
  }
  for (auto _ : state) {
    once();
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.counters["period"] = double(std::min(plan.period, plan.N));
}

// Thread CPU time of one call, in ms.
template <class F>
double CpuMs(F f) {
  timespec a{}, b{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
  f();
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
  return (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) * 1e-6;
}

// Five passes over every f0; per f0 the median of its five CPU times, then the slowest f0.
// A pass runs all f0 before the next pass, so a burst of load on the machine falls on few
// of an f0's times.
void RunAllF0(benchmark::State& state) {
  const Block b{"", 48000, 120, 3.0, 0};
  std::vector<std::uint8_t> block(2 * 3 * 48000);
  constexpr int kPasses = 5;
  std::vector<std::array<double, kPasses>> ms(2001);
  for (auto _ : state) {
    for (int pass = 0; pass < kPasses; ++pass)
      for (std::int32_t f0 = 1; f0 <= 2000; ++f0) {
        const SynthPlan plan = MakePlan(b, f0);
        ms[f0][pass] = CpuMs([&] { SynthesizePlan(plan, block, 1); });
        benchmark::DoNotOptimize(block.data());
      }
  }
  double slowest = 0, total = 0;
  int slowestF0 = 0;
  for (std::int32_t f0 = 1; f0 <= 2000; ++f0) {
    std::sort(ms[f0].begin(), ms[f0].end());
    const double median = ms[f0][kPasses / 2];
    total += median;
    if (median > slowest) slowest = median, slowestF0 = f0;
  }
  state.counters["slowest_ms"] = slowest;
  state.counters["slowest_f0"] = slowestF0;
  state.counters["mean_ms"] = total / 2000;
}

class TableReporter : public interleaved::MedianReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred &&
          r.run_name.function_name == "AllF0/3s_48000Hz_120h") {
        slowest_.push_back(r.counters.at("slowest_ms"));
        slowestF0_.push_back(r.counters.at("slowest_f0"));
        mean_.push_back(r.counters.at("mean_ms"));
      }
    MedianReporter::ReportRuns(runs);
  }

  void Finalize() override {
    MedianReporter::Finalize();
    std::printf("\nms per block (one thread: CPU time; two threads: wall time), ");
    PrintConditions(std::string("Fast1/") + kBlocks[0].name);
    std::printf("fast1 and fast2 run the %s path\n",
                BestSimdPath() == SimdPath::Avx2Fma ? "AVX2/FMA" : "portable");
    std::printf("%-24s %9s %9s %9s %9s %9s %6s\n", "block", "plain", "fast1", "portable1", "fast2",
                "x plain", "goal");
    for (const Block& b : kBlocks) {
      const std::string n = b.name;
      const double plain = MedianCpu("Plain/" + n), one = MedianCpu("Fast1/" + n);
      const double portable = MedianCpu("Portable1/" + n), two = MedianReal("Fast2/" + n);
      std::printf("%-24s %9.2f %9.2f %9.2f %9.2f %9.1f %6s\n", b.name, plain, one, portable, two,
                  one > 0 ? plain / one : 0.0, b.seconds == 3.0 ? "<= 5" : "");
    }
    std::printf(
        "\nevery f0 1..2000, 3 s at 48000 Hz, 120 harmonics, one thread, CPU time, "
        "median of 5 passes per f0:\n");
    for (std::size_t i = 0; i < slowest_.size(); ++i)
      std::printf("  slowest f0 %.0f: %.2f ms; mean over f0 %.2f ms\n", slowestF0_[i], slowest_[i],
                  mean_[i]);
  }

private:
  std::vector<double> slowest_, slowestF0_, mean_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Block& b : kBlocks) {
    const std::string n = b.name;
    benchmark::RegisterBenchmark(("Fast2/" + n).c_str(), Run, b, 2, BestSimdPath())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Fast1/" + n).c_str(), Run, b, 1, BestSimdPath())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Portable1/" + n).c_str(), Run, b, 1, SimdPath::Portable)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Plain/" + n).c_str(), Run, b, 0, SimdPath::Portable)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  // Seconds per iteration: one iteration, twice.
  benchmark::RegisterBenchmark("AllF0/3s_48000Hz_120h", RunAllF0)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1)
      ->Repetitions(2);
  std::vector<char*> args = interleaved::Arguments(argc, argv);
  int count = int(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
