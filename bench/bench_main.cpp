// Runs the benchmarks with the console report. Each Fft/N line gets the ratio of its CPU
// time to FFTW's for the same N as counters (vs_complex, vs_real; FFTW's runs come first),
// and a table at the end gives, per N, the fastest repetition (or the median) of each in
// CPU time (steadier than wall time on a shared machine) and the same ratios. The redraw
// benchmarks draw into widgets: a QApplication is made first, on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    for (Run& r : shown) {
      // Single runs, or the medians when only aggregates are reported.
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if ((r.run_type != Run::RT_Iteration && !median) || r.error_occurred) continue;
      const auto key = std::make_pair(r.run_name.function_name, r.run_name.args);
      const double t = r.GetAdjustedCPUTime();
      auto it = fastest_.find(key);
      if (it == fastest_.end() || t < it->second) fastest_[key] = t;
      if (r.run_name.function_name == "BM_Fft") {
        for (const auto& [counter, reference] : kReferences) {
          const double ref = Fastest(reference, r.run_name.args);
          if (ref > 0) r.counters[counter] = benchmark::Counter(t / ref);
        }
      }
    }
    ConsoleReporter::ReportRuns(shown);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nCPU time per transform (us) and Fft / FFTW\n");
    std::printf("%6s %10s %12s %12s %11s %9s\n", "N", "Fft", "FFTW complex", "FFTW r2c",
                "vs complex", "vs r2c");
    for (int n = 256; n <= 4096; n *= 2) {
      const std::string args = std::to_string(n);
      const double ours = Fastest("BM_Fft", args);
      const double complex = Fastest("BM_FftwComplex", args);
      const double real = Fastest("BM_FftwReal", args);
      if (ours <= 0 || (complex <= 0 && real <= 0)) continue;
      std::printf("%6d %10.3f %12.3f %12.3f %11.2f %9.2f\n", n, ours, complex, real,
                  complex > 0 ? ours / complex : 0.0, real > 0 ? ours / real : 0.0);
    }
  }

private:
  static constexpr std::pair<const char*, const char*> kReferences[] = {
      {"vs_complex", "BM_FftwComplex"}, {"vs_real", "BM_FftwReal"}};

  // 0 when that run has not been reported (filtered out, or failed).
  double Fastest(const std::string& function, const std::string& args) const {
    const auto it = fastest_.find({function, args});
    return it == fastest_.end() ? 0.0 : it->second;
  }

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
