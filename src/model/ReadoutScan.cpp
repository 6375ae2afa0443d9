#include "model/ReadoutScan.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "analysis/FftIndex.h"
#include "analysis/FftPlan.h"
#include "analysis/mygraph.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The readout's channel (the last) of the window whose first frame is at `frame`,
// windowed into `input` as the spectrum view does it: w[i] * sample value.
void LoadWindow(const std::uint8_t* frame, int bits, int channels, int N, const double* w,
                double* input) {
  const std::uint8_t* first = frame + (channels - 1) * (bits / 8);
  for (int i = 0; i < N; ++i) {
    int value;
    if (bits == 8) {
      value = int(first[i * channels]) - 128;
    } else {
      const std::uint8_t* p = first + i * channels * 2;
      value = std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
    }
    input[i] = w[i] * value;
  }
}

#if defined(__x86_64__)
// The same, eight samples at a time (N is a multiple of 8); the values are exact integers
// before the one multiplication, so they are the same as above.
__attribute__((target("avx2,fma"))) void LoadWindowAvx2(const std::uint8_t* frame, int bits,
                                                        int channels, int N, const double* w,
                                                        double* input) {
  const __m256i silence = _mm256_set1_epi32(128);
  for (int i = 0; i < N; i += 8) {
    const std::uint8_t* p = frame + i * channels * (bits / 8);  // frame i
    // Eight frames of 8-bit mono are 8 bytes, of 8-bit stereo or 16-bit mono 16 bytes.
    const __m128i half = bits == 8 && channels == 1
                             ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))
                             : _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m256i v;                        // eight samples as int32
    if (bits == 16 && channels == 2)  // the upper half of each 32-bit frame
      v = _mm256_srai_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), 16);
    else if (bits == 16)
      v = _mm256_cvtepi16_epi32(half);
    else if (channels == 2)  // the upper byte of each 16-bit frame
      v = _mm256_sub_epi32(_mm256_cvtepu16_epi32(_mm_srli_epi16(half, 8)), silence);
    else
      v = _mm256_sub_epi32(_mm256_cvtepu8_epi32(half), silence);
    const __m256d lo = _mm256_cvtepi32_pd(_mm256_castsi256_si128(v));
    const __m256d hi = _mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1));
    _mm256_storeu_pd(input + i, _mm256_mul_pd(_mm256_loadu_pd(w + i), lo));
    _mm256_storeu_pd(input + i + 4, _mm256_mul_pd(_mm256_loadu_pd(w + i + 4), hi));
  }
}
#endif

struct Job {
  const WAVEFORMATEX& format;
  const std::uint8_t* data;
  const ReadoutTrack::Settings& settings;
};

void Scan(const Job& job, SpectrumAnalysis& analysis, std::int64_t first,
          std::span<ReadoutTrack::Point> out) {
  const int N = int(job.settings.fftSize), channels = job.format.nChannels;
  const int bits = job.format.wBitsPerSample;
  const FftPlan* plan = FftPlan::ForSize(N);
  const double* w = HammingWindow(N);
  const FftArrays a = analysis.Arrays();
  const std::int64_t windowBytes = std::int64_t(N) * job.format.nBlockAlign;
  const SpectrumAnalysis::Search search{N, job.format.nSamplesPerSec, job.settings.level,
                                        job.settings.filterFreq, false};
  const bool avx2 = BestSimdPath() == SimdPath::Avx2Fma;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::int64_t window = first + std::int64_t(i);
    const std::uint8_t* frame = job.data + window * windowBytes;
#if defined(__x86_64__)
    if (avx2)
      LoadWindowAvx2(frame, bits, channels, N, w, a.input);
    else
#endif
      LoadWindow(frame, bits, channels, N, w, a.input);
    plan->Run(a.input, a.magnitude, a.spectrum, a.work, FftBins::LowerHalf);
    out[i] = {window * N, std::nullopt};
    if (analysis.FindPeaks(search)) out[i].baseHz = analysis.BaseFreq;
  }
}

}  // namespace

ReadoutScan::ReadoutScan(int threads)
    : threads_(threads > 0 ? threads : std::max(1, int(std::thread::hardware_concurrency()))) {}

bool ReadoutScan::Allocate() {
  workers_ = std::make_unique<SpectrumAnalysis[]>(std::size_t(threads_));
  for (int t = 0; t < threads_; ++t)
    if (!workers_[t].Allocate()) {
      workers_.reset();
      return false;
    }
  return true;
}

std::int64_t ReadoutScan::WindowCount(const WAVEFORMATEX& format, const std::uint8_t* data,
                                      std::int32_t size, const ReadoutTrack::Settings& settings) {
  const std::uint32_t N = settings.fftSize;
  if (!data || size <= 0 || format.nSamplesPerSec == 0 ||
      (format.nChannels != 1 && format.nChannels != 2) ||
      (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) ||
      format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8 || N < 256 || N > 4096 ||
      !IsFftSize(std::int32_t(N)))
    return 0;
  return size / (std::int64_t(N) * format.nBlockAlign);
}

void ReadoutScan::Run(const WAVEFORMATEX& format, const std::uint8_t* data, std::int32_t size,
                      const ReadoutTrack::Settings& settings, std::int64_t first,
                      std::span<ReadoutTrack::Point> out) {
  if (!workers_ || out.empty() ||
      first + std::int64_t(out.size()) > WindowCount(format, data, size, settings))
    return;
  const Job job{format, data, settings};
  // Runs of at least 64 windows (a few tens of microseconds each): fewer threads for less.
  const std::size_t per = std::max<std::size_t>(64, (out.size() + threads_ - 1) / threads_);
  std::vector<std::thread> helpers;
  std::size_t done = per;  // the calling thread takes the first run
  for (int t = 1; t < threads_ && done < out.size(); ++t, done += per) {
    const std::size_t count = std::min(per, out.size() - done);
    try {
      helpers.emplace_back(Scan, std::cref(job), std::ref(workers_[t]), first + std::int64_t(done),
                           out.subspan(done, count));
    } catch (const std::system_error&) {
      break;  // no thread to be had: the calling thread does the rest
    }
  }
  Scan(job, workers_[0], first, out.first(std::min(per, out.size())));
  for (std::thread& h : helpers) h.join();
  if (done < out.size())  // runs no helper took
    Scan(job, workers_[0], first + std::int64_t(done), out.subspan(done));
}
