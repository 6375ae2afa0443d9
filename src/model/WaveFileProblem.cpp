#include "model/WaveFileProblem.h"

#include <cerrno>
#include <system_error>

#include "base/PcmFormat.h"
#include "files/FileByteSource.h"

namespace {

std::string CannotOpen(const std::string& path) {
  errno = 0;
  if (FileByteSource::Open(path)) return "cannot be read";  // it could a moment ago
  const int e = errno;
  switch (e) {
    case ENOENT: return "no such file";
    case EISDIR: return "is a directory, not a WAVE file";
    case EINVAL: return "is not a regular file";  // a FIFO, a device, a socket
    default: return "cannot be read: " + std::generic_category().message(e);
  }
}

// The formats a user is likely to meet, named as the sample width of 24-bit PCM is.
std::string NotPcm(const WAVEFORMATEX& f) {
  const std::string unsupported = "Unsupported sound format: ";
  const std::string pcm = " (8- or 16-bit PCM is supported).";
  switch (f.wFormatTag) {
    case 0x0003:
      return unsupported + std::to_string(f.wBitsPerSample) + "-bit floating-point samples" + pcm;
    case 0x0006: return unsupported + "A-law samples" + pcm;
    case 0x0007: return unsupported + "\xc2\xb5-law samples" + pcm;
    case 0xFFFE:
      return unsupported +
             "an extensible format record (the plain record of 8- or 16-bit "
             "PCM is supported).";
    // Another tag, or a PCM record the program cannot index (no channels, a block
    // size that does not fit the width).
    default: return PcmFormatProblem(f, kWaveFileLimits);
  }
}

}  // namespace

namespace WaveFileProblem {

std::string Describe(const std::string& path, WaveReadStatus status, const WAVEFORMATEX& format) {
  switch (status) {
    case WaveReadStatus::NoFile: return CannotOpen(path);
    case WaveReadStatus::NoWave: return "not a RIFF WAVE file";
    case WaveReadStatus::NoFmt: return "a WAVE file without a format (\"fmt \") chunk";
    case WaveReadStatus::NoFmtSize: return "its format chunk is cut short";
    case WaveReadStatus::NoFmtTag: return NotPcm(format);
    case WaveReadStatus::NoData: return "no \"data\" chunk follows the format chunk";
    case WaveReadStatus::NoMemory: return "not enough memory for its sound";
    case WaveReadStatus::NoRead:
      return "its \"data\" chunk holds no whole frame of sound, or cannot be read";
    case WaveReadStatus::Cancelled: return "the reading was cancelled";
    case WaveReadStatus::Ok: break;
  }
  return {};
}

}  // namespace WaveFileProblem
