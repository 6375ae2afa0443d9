#pragma once
// Figures measured side by side on a shared machine. Unless the command line sets them,
// Google Benchmark runs 12 repetitions of 0.1 s of every benchmark in random order
// (--benchmark_enable_random_interleaving), so that a change of the machine's load falls
// on all runs alike; MedianReporter then prints, besides the usual lines, the median of
// each run's repetitions, which later tables compare. Header-only, for the benchmark
// mains.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace interleaved {

// argv with the defaults added in front of the caller's flags (which override them). The
// strings are static; the result lives as long as the program.
inline std::vector<char*> Arguments(int argc, char** argv) {
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char repetitions[] = "--benchmark_repetitions=12";
  static char minTime[] = "--benchmark_min_time=0.1";
  std::vector<char*> args{argv[0]};
  auto given = [&](const char* flag) {
    for (int i = 1; i < argc; ++i)
      if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    return false;
  };
  if (!given("--benchmark_enable_random_interleaving")) args.push_back(interleave);
  if (!given("--benchmark_repetitions")) args.push_back(repetitions);
  if (!given("--benchmark_min_time")) args.push_back(minTime);
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  return args;
}

// The machine's load averages (1, 5, 15 min) as /proc/loadavg gives them.
inline std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  double a = 0, b = 0, c = 0;
  if (!(in >> a >> b >> c)) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", a, b, c);
  return text;
}

// A run's name without the time type or repetition suffixes: "BM_Fft/4096".
inline std::string RunName(const benchmark::BenchmarkReporter::Run& r) {
  const std::string& args = r.run_name.args;
  return r.run_name.function_name + (args.empty() ? "" : "/" + args);
}

// The console report, plus every repetition's time kept by RunName.
class MedianReporter : public benchmark::ConsoleReporter {
public:
  bool ReportContext(const Context& context) override {
    loadBefore_ = LoadAverage();
    return ConsoleReporter::ReportContext(context);
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        cpu_[RunName(r)].push_back(r.GetAdjustedCPUTime());
        real_[RunName(r)].push_back(r.GetAdjustedRealTime());
      }
    ConsoleReporter::ReportRuns(runs);
  }

  // Median CPU or wall time of a run's repetitions, in its time unit; 0 when it did not run.
  double MedianCpu(const std::string& name) const { return Median(cpu_, name); }
  double MedianReal(const std::string& name) const { return Median(real_, name); }
  std::size_t Repetitions(const std::string& name) const {
    const auto it = cpu_.find(name);
    return it == cpu_.end() ? 0 : it->second.size();
  }

  // One line for the tables: the repetitions and the load averages before and after.
  void PrintConditions(const std::string& anyRun) const {
    std::printf("medians of %zu interleaved repetitions; load average %s before, %s after\n",
                Repetitions(anyRun), loadBefore_.c_str(), LoadAverage().c_str());
  }

private:
  static double Median(const std::map<std::string, std::vector<double>>& m,
                       const std::string& name) {
    const auto it = m.find(name);
    if (it == m.end() || it->second.empty()) return 0;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }

  std::string loadBefore_;
  std::map<std::string, std::vector<double>> cpu_, real_;
};

}  // namespace interleaved
