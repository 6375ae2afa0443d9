#include "base/PcmFormat.h"

#include <limits>

namespace {

bool WidthKnown(std::uint16_t bits) { return bits == 8 || bits == 16; }

bool WidthTaken(std::uint16_t bits, const PcmLimits& limits) {
  if (bits == 8) return limits.eightBit;
  if (bits == 16) return limits.sixteenBit;
  return limits.otherWidthsPass;
}

std::uint64_t BytesPerSecond(const WAVEFORMATEX& f) {
  return std::uint64_t{f.nSamplesPerSec} * f.nBlockAlign;
}

std::string N(std::uint64_t v) { return std::to_string(v); }

// "1 or 2 are supported", "1 to 384000 Hz are supported", "1 Hz or more are supported".
std::string Range(std::uint64_t lo, std::uint64_t hi, std::uint64_t top, const char* unit) {
  if (lo > hi) return "none are supported";
  if (lo == hi) return "only " + N(lo) + unit + " is supported";
  if (hi == lo + 1) return N(lo) + " or " + N(hi) + unit + " are supported";
  if (hi == top) return N(lo) + unit + " or more are supported";
  return N(lo) + " to " + N(hi) + unit + " are supported";
}

std::string Widths(const PcmLimits& limits) {
  if (limits.eightBit && limits.sixteenBit) return "8 or 16 are supported";
  if (limits.eightBit) return "only 8 is supported";
  if (limits.sixteenBit) return "only 16 is supported";
  return "none are supported";
}

}  // namespace

std::uint32_t PcmFrameBytes(const WAVEFORMATEX& f) {
  if (!WidthKnown(f.wBitsPerSample)) return 0;
  return std::uint32_t{f.nChannels} * (f.wBitsPerSample / 8u);
}

PcmFault PcmFormatFault(const WAVEFORMATEX& f, const PcmLimits& limits) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return PcmFault::Tag;
  if (!WidthTaken(f.wBitsPerSample, limits)) return PcmFault::Bits;
  if (f.nChannels < limits.minChannels || f.nChannels > limits.maxChannels)
    return PcmFault::Channels;
  if (f.nSamplesPerSec < limits.minRate || f.nSamplesPerSec > limits.maxRate) return PcmFault::Rate;
  if (WidthKnown(f.wBitsPerSample) ? f.nBlockAlign != PcmFrameBytes(f) : f.nBlockAlign == 0)
    return PcmFault::BlockAlign;
  if (limits.bytesPerSecondChecked && f.nAvgBytesPerSec != BytesPerSecond(f))
    return PcmFault::BytesPerSecond;
  return PcmFault::None;
}

std::string PcmFormatProblem(const WAVEFORMATEX& f, const PcmLimits& limits) {
  const std::string unsupported = "Unsupported sound format: ";
  const std::string inconsistent = "Inconsistent sound format: ";
  switch (PcmFormatFault(f, limits)) {
    case PcmFault::None: return {};
    case PcmFault::Tag: return unsupported + "format tag " + N(f.wFormatTag) + " is not PCM (1).";
    case PcmFault::Bits:
      return unsupported + N(f.wBitsPerSample) + " bits per sample (" + Widths(limits) + ").";
    case PcmFault::Channels:
      return unsupported + N(f.nChannels) + " channels (" +
             Range(limits.minChannels, limits.maxChannels,
                   std::numeric_limits<std::uint16_t>::max(), "") +
             ").";
    case PcmFault::Rate:
      return unsupported + N(f.nSamplesPerSec) + " Hz (" +
             Range(limits.minRate, limits.maxRate, std::numeric_limits<std::uint32_t>::max(),
                   " Hz") +
             ").";
    case PcmFault::BlockAlign:
      if (!WidthKnown(f.wBitsPerSample)) return inconsistent + "block align 0.";
      return inconsistent + "block align " + N(f.nBlockAlign) + ", expected " +
             N(PcmFrameBytes(f)) + ".";
    case PcmFault::BytesPerSecond:
      return inconsistent + N(f.nAvgBytesPerSec) + " bytes per second, expected " +
             N(BytesPerSecond(f)) + ".";
  }
  return {};
}
