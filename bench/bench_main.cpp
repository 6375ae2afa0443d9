// Runs the benchmarks with the console report, their repetitions interleaved (Interleaved.h),
// and ends with a table that gives, per N, the median CPU time of each transform (CPU time
// is steadier than wall time on a shared machine) and Fft / FFTW r2c for both of Fft's code
// paths. The redraw benchmarks draw into widgets: a QApplication is made first, on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <string>

#include "Interleaved.h"
#include "base/SimdPath.h"

namespace {

class FftTableReporter : public interleaved::MedianReporter {
public:
  void Finalize() override {
    MedianReporter::Finalize();
    auto at = [&](const char* run, int n) {
      return MedianCpu(std::string(run) + "/" + std::to_string(n));
    };
    if (at("BM_Fft", 4096) <= 0) return;
    std::printf("\nCPU time per transform (us), ");
    PrintConditions("BM_Fft/4096");
    std::printf("Fft runs the %s path; FFTW r2c includes making Fft's exact output\n",
                BestSimdPath() == SimdPath::Avx2Fma ? "AVX2/FMA" : "portable");
    std::printf("%6s %9s %9s %9s %9s %11s %11s\n", "N", "Fft", "portable", "FFTW cx", "FFTW r2c",
                "Fft/r2c", "port./r2c");
    for (int n = 256; n <= 4096; n *= 2) {
      const double ours = at("BM_Fft", n), portable = at("BM_FftPortable", n);
      const double complex = at("BM_FftwComplex", n), real = at("BM_FftwReal", n);
      std::printf("%6d %9.3f %9.3f %9.3f %9.3f %11.2f %11.2f\n", n, ours, portable, complex, real,
                  real > 0 ? ours / real : 0.0, real > 0 ? portable / real : 0.0);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<char*> args = interleaved::Arguments(argc, argv);
  int count = int(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  FftTableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
