// The tone mixer's synthesis of one 16-bit block: the fast path (rotating phasors, on two
// threads as the program runs it, and on one) against the formula evaluated literally with
// the C library's double sin per term per sample on one thread. Two blocks: a 0.5 s sound
// with 119 harmonics at 44100 Hz (the default duration) and the
// worst case, 120 harmonics for 3 s at 48000 Hz.
//
// Included: everything from the resolved plan to the last stored sample (phasor set-up,
// anchoring, summing, fade, rounding, range test, thread start and join). Left out:
// building the plan (a few hundred ns), resizing the block and playback. Times are wall
// times (the two-thread run would hide its second thread in CPU time); the table at the
// end gives the speed-up of the fast path over the plain loop from the fastest repetition
// (or the median).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "mixer/PlainSynthesis.h"
#include "mixer/Synthesis.h"

namespace {

struct Block {
  const char* name;
  std::uint32_t rate;
  int harmonics;
  double seconds;
};

constexpr Block kBlocks[] = {{"0.5s_44100Hz_119h", 44100, 119, 0.5},
                             {"3s_48000Hz_120h", 48000, 120, 3.0}};

// Falling amplitudes 100/k (at least 1) and spread phases: a sound that stays in range at
// volume 10, so that no run ends early in silence.
SynthPlan MakePlan(const Block& b) {
  HarmonicSet set;
  for (int k = 1; k <= b.harmonics; ++k) {
    set.Amplitude[k] = std::max(1, 100 / k);
    set.Phase[k] = 0.7 * k;
  }
  set.HarmCount = b.harmonics;
  const auto bytes = std::size_t(2 * b.rate * b.seconds);
  return SynthPlan(SampleBits::Sixteen, bytes, b.rate, set, ToneSettings{100, 10, 10});
}

void Run(benchmark::State& state, const Block& b, int threads) {
  const SynthPlan plan = MakePlan(b);
  std::vector<std::uint8_t> block(std::size_t(2 * plan.N));
  for (auto _ : state) {
    const bool silenced =
        threads > 0 ? SynthesizePlan(plan, block, threads) : PlainSynthesize(plan, block);
    if (silenced) state.SkipWithError("the sound was silenced");
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.counters["terms"] = double(plan.N) * plan.termCount;
}

class SpeedupReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      // Single runs, or the medians when only aggregates are reported.
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if ((r.run_type != Run::RT_Iteration && !median) || r.error_occurred) continue;
      const std::string name = r.run_name.function_name;
      const double t = r.GetAdjustedRealTime();
      auto it = fastest_.find(name);
      if (it == fastest_.end() || t < it->second) fastest_[name] = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-20s %10s %10s %10s %9s %9s\n", "block", "plain ms", "fast1 ms", "fast2 ms",
                "x (1 thr)", "x (2 thr)");
    for (const Block& b : kBlocks) {
      const std::string n = b.name;
      const auto plain = fastest_.find("Plain/" + n), one = fastest_.find("Fast1/" + n),
                 two = fastest_.find("Fast2/" + n);
      if (plain == fastest_.end() || one == fastest_.end() || two == fastest_.end()) continue;
      std::printf("%-20s %10.2f %10.2f %10.2f %9.1f %9.1f\n", b.name, plain->second,
                  one->second, two->second, plain->second / one->second,
                  plain->second / two->second);
    }
  }

private:
  std::map<std::string, double> fastest_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Block& b : kBlocks) {
    const std::string n = b.name;
    benchmark::RegisterBenchmark(("Fast2/" + n).c_str(), Run, b, 2)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fast1/" + n).c_str(), Run, b, 1)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Plain/" + n).c_str(), Run, b, 0)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SpeedupReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
