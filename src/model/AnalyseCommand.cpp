#include "model/AnalyseCommand.h"

#include <charconv>

#include "analysis/SpectrumAnalysis.h"
#include "audio/SimulatedDevices.h"
#include "base/HeapPtr.h"
#include "files/WaveReader.h"
#include "model/NewSoundSettings.h"
#include "model/ReadoutTrack.h"
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
    err << "kelvor: " << path << ": " << WaveFileProblem::Describe(path, r.status, format)
        << '\n';
    return 1;
  }
  // Open gives the sound to the output device, which plays only what it can index: the
  // same test the simulated device makes when no sound card is there.
  if (const std::string problem = SimulatedDevices::FormatProblem(format); !problem.empty()) {
    err << "kelvor: " << path << ": " << problem << '\n';
    return 1;
  }
  SpectrumAnalysis analysis;
  if (!analysis.Allocate()) {
    err << "kelvor: No memory\n";
    return 1;
  }
  ViewSettings view;
  const ReadoutTrack::Settings settings{fftSize, StartFftLevel(NewSoundSettings{}.RecBits),
                                        view.FilterFreq};
  out << "seconds,base_hz\n";
  for (const ReadoutTrack::Point& p :
       ReadoutTrack::Of(format, block.get(), r.size, settings, analysis)) {
    out << FormatSeconds(double(p.frame) / format.nSamplesPerSec) << ',';
    if (p.baseHz) out << *p.baseHz;
    out << '\n';
  }
  out.flush();
  if (!out) {
    err << "kelvor: cannot write the table\n";
    return 1;
  }
  return 0;
}

}  // namespace AnalyseCommand
