#include "model/PlayRange.h"

#include <algorithm>
#include <limits>

#include "model/ViewSettings.h"

namespace PlayRange {

std::int64_t LastWindow(std::int32_t size, std::uint16_t blockAlign, std::uint32_t frames) {
  return std::int64_t(size) - std::int64_t(blockAlign) * frames;
}

Bar ForRoom(std::int64_t room, std::uint32_t fftSize) {
  if (room <= std::int64_t(fftSize)) return Bar{};
  const std::int64_t max = std::min<std::int64_t>(room, std::numeric_limits<int>::max());
  return Bar{int(max), int(fftSize / 2), int(fftSize / 10), false};
}

NewRange ForNewSound(std::int32_t size, std::uint16_t blockAlign, std::uint32_t fftSize) {
  std::int64_t room = LastWindow(size, blockAlign, fftSize);
  if (room < std::int64_t(fftSize)) {
    fftSize = ViewSettings::kSmallestFftSize;
    room = LastWindow(size, blockAlign, fftSize);
  }
  return NewRange{fftSize, ForRoom(room, fftSize)};
}

Window Fit(std::int32_t size, std::uint16_t blockAlign, std::uint32_t fftSize) {
  std::int64_t last = LastWindow(size, blockAlign, fftSize);
  if (last <= 0) {
    fftSize = ViewSettings::kSmallestFftSize;
    last = LastWindow(size, blockAlign, fftSize);
  }
  // A sound shorter than one window of 256 frames keeps position and range at 0.
  return Window{fftSize, std::max<std::int64_t>(last, 0)};
}

std::int32_t AlignToFrame(std::int64_t pos, std::uint16_t blockAlign) {
  const std::int64_t block = std::max<std::int64_t>(blockAlign, 1);
  return std::int32_t(pos - pos % block);
}

double BytesToSeconds(std::int32_t bytes, std::uint32_t bytesPerSecond) {
  // A file may claim 0 bytes per second; its time then reads 0.
  return bytesPerSecond == 0 ? 0.0 : double(bytes) / bytesPerSecond;
}

bool HasRoom(std::uint32_t size, std::uint32_t start, std::uint32_t block, std::uint32_t frame) {
  return size >= std::uint32_t(start + block * frame);
}

}  // namespace PlayRange
