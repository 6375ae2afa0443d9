#include "model/AnalyseCommand.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "analysis/SpectrumAnalysis.h"
#include "base/HeapPtr.h"
#include "base/PcmFormat.h"
#include "files/WaveReader.h"
#include "model/NewSoundSettings.h"
#include "model/ReadoutScan.h"
#include "model/ViewSettings.h"
#include "model/WaveFileProblem.h"

namespace AnalyseCommand {

std::string FormatSeconds(double seconds) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 3);
  if (r.ec != std::errc()) return "";
  return std::string(buf, r.ptr);
}

int Run(const std::string& path, std::uint32_t fftSize, std::ostream& out, std::ostream& err) {
  WAVEFORMATEX format = NewSoundSettings{}.MakeWaveFormat();
  const WaveReader::Result r = WaveReader::ReadFile(path, format);
  const HeapBytes& block = r.data;
  if (r.status != WaveReadStatus::Ok) {
    err << "kelvor: " << path << ": " << WaveFileProblem::Describe(path, r.status, format) << '\n';
    return 1;
  }
  // Open gives the sound to the output device, which plays only what it can index.
  if (const std::string problem = PcmFormatProblem(format, kPlayableLimits); !problem.empty()) {
    err << "kelvor: " << path << ": " << problem << '\n';
    return 1;
  }
  // Open shows this notice in a box of its own; here it goes with the error lines.
  if (r.cut) err << "kelvor: " << path << ": " << WaveReader::kCutNotice << '\n';
  ReadoutScan scan;
  if (!scan.Allocate()) {
    err << "kelvor: No memory\n";
    return 1;
  }
  ViewSettings view;
  const ReadoutTrack::Settings settings{fftSize, StartFftLevel(NewSoundSettings{}.RecBits),
                                        view.FilterFreq};
  out << "seconds,base_hz\n";
  // In batches, so that the rows of a long file never all wait in memory.
  constexpr std::int64_t kBatch = 1 << 16;
  const std::int64_t windows = ReadoutScan::WindowCount(format, block.get(), r.size, settings);
  std::vector<ReadoutTrack::Point> points(std::size_t(std::min(windows, kBatch)));
  std::string rows;
  for (std::int64_t first = 0; first < windows && out; first += kBatch) {
    const std::span<ReadoutTrack::Point> batch(points.data(),
                                               std::size_t(std::min(kBatch, windows - first)));
    scan.Run(format, block.get(), r.size, settings, first, batch);
    rows.clear();
    for (const ReadoutTrack::Point& p : batch) {
      rows += FormatSeconds(double(p.frame) / format.nSamplesPerSec);
      rows += ',';
      if (p.baseHz) rows += std::to_string(*p.baseHz);
      rows += '\n';
    }
    out.write(rows.data(), std::streamsize(rows.size()));
  }
  out.flush();
  if (!out) {
    err << "kelvor: cannot write the table\n";
    return 1;
  }
  return 0;
}

}  // namespace AnalyseCommand
