// Runs the benchmarks with the console report, then prints the ratio of Fft to FFTW per
// size from the fastest repetition (or the median) of each, in CPU time (steadier than wall time on a
// shared machine). The redraw benchmarks draw into widgets: a QApplication is made first,
// on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      // Single runs, or the medians when only aggregates are reported.
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if ((r.run_type != Run::RT_Iteration && !median) || r.error_occurred) continue;
      const auto key = std::make_pair(r.run_name.function_name, r.run_name.args);
      const double t = r.GetAdjustedCPUTime();
      auto it = fastest_.find(key);
      if (it == fastest_.end() || t < it->second) fastest_[key] = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%6s %12s %12s %8s\n", "N", "Fft cpu us", "FFTW cpu us", "ratio");
    for (int n = 256; n <= 4096; n *= 2) {
      const auto ours = fastest_.find({"BM_Fft", std::to_string(n)});
      const auto ref = fastest_.find({"BM_FftwComplex", std::to_string(n)});
      if (ours == fastest_.end() || ref == fastest_.end()) continue;
      std::printf("%6d %12.3f %12.3f %8.2f\n", n, ours->second, ref->second,
                  ours->second / ref->second);
    }
  }

private:
  std::map<std::pair<std::string, std::string>, double> fastest_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
