#include "audio/NoticeQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

NoticeQueue::NoticeQueue() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

NoticeQueue::~NoticeQueue() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

void NoticeQueue::PostOutputDone() noexcept { Post({DeviceNotice::Kind::OutputDone, nullptr}); }

void NoticeQueue::PostInputData(WAVEHDR* hdr) noexcept {
  Post({DeviceNotice::Kind::InputData, hdr});
}

void NoticeQueue::PostOutputLost() noexcept { Post({DeviceNotice::Kind::OutputLost, nullptr}); }

void NoticeQueue::PostInputLost() noexcept { Post({DeviceNotice::Kind::InputLost, nullptr}); }

void NoticeQueue::Post(DeviceNotice notice) noexcept {
  if (!ring_.TryPush(notice)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return;
  }

  // Wake the consumer. Nonblocking; the counter cannot realistically reach its limit.
  if (wakeFd_ >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
  }
}

void NoticeQueue::ClearWake() {
  if (wakeFd_ < 0) return;
  std::uint64_t count;
  [[maybe_unused]] const ssize_t n = read(wakeFd_, &count, sizeof count);  // EAGAIN if clear
}
