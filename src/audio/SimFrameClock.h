#pragma once
// Turns elapsed microseconds into whole frames at a sampling rate, carrying the part of a
// frame left over to the next step, so that any split of the same time gives the same
// frames. Exact integer arithmetic; the remainder is kept in frame-microseconds
// (frames x 1 000 000 / rate). Used under the owning device's lock.

#include <cstdint>

class SimFrameClock {
public:
  explicit SimFrameClock(std::uint32_t rate) : rate_(rate == 0 ? 1 : rate) {}

  // Frames completed within the next `us` microseconds.
  std::uint64_t Advance(std::uint64_t us) {
    // Split so that us x rate cannot overflow: whole seconds first, then the rest.
    const std::uint64_t seconds = us / kMicros;
    const std::uint64_t rest = (us % kMicros) * rate_ + residue_;
    residue_ = rest % kMicros;
    return seconds * rate_ + rest / kMicros;
  }

  // Microseconds until `frames` more frames have completed (rounded up; 0 if none needed).
  std::uint64_t MicrosUntil(std::uint64_t frames) const {
    if (frames == 0) return 0;
    const std::uint64_t need = frames * kMicros - residue_;  // in frame-microseconds
    return (need + rate_ - 1) / rate_;
  }

  void Restart() { residue_ = 0; }  // the next frame starts now

private:
  static constexpr std::uint64_t kMicros = 1'000'000;
  std::uint64_t rate_;         // frames per second
  std::uint64_t residue_ = 0;  // frame-microseconds towards the next frame, < 1 000 000
};
