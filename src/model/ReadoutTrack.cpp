#include "model/ReadoutTrack.h"

#include "analysis/mygraph.h"

std::vector<ReadoutTrack::Point> ReadoutTrack::Of(const WAVEFORMATEX& format,
                                                  const std::uint8_t* data, std::int32_t size,
                                                  const Settings& settings,
                                                  SpectrumAnalysis& analysis) {
  std::vector<Point> points;
  const std::uint32_t N = settings.fftSize;
  if (!data || size <= 0 || format.nBlockAlign == 0 || format.nSamplesPerSec == 0 ||
      (format.nChannels != 1 && format.nChannels != 2) || N < 256 || N > 4096 ||
      !IsFftSize(std::int32_t(N)) || !analysis.HasArrays())
    return points;
  const std::int64_t windowBytes = std::int64_t(N) * format.nBlockAlign;
  for (std::int64_t offset = 0; offset + windowBytes <= size; offset += windowBytes) {
    const SoundView view{data, size, format.nChannels, format.wBitsPerSample, offset, int(N)};
    Point p{offset / format.nBlockAlign, std::nullopt};
    // A search always follows the transform: idle, as in a window that neither plays nor
    // records.
    if (TransformReadoutChannel(view, analysis.Arrays()) &&
        analysis.FindPeaks(
            {std::int32_t(N), format.nSamplesPerSec, settings.level, settings.filterFreq, true}))
      p.baseHz = analysis.BaseFreq;
    points.push_back(p);
  }
  return points;
}
