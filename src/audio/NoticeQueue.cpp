#include "audio/NoticeQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

static_assert((NoticeQueue::kCapacity & (NoticeQueue::kCapacity - 1)) == 0,
              "capacity must be a power of two");

namespace {
constexpr std::size_t kMask = NoticeQueue::kCapacity - 1;
}  // namespace

NoticeQueue::NoticeQueue() {
  for (std::size_t i = 0; i < kCapacity; ++i)
    slots_[i].sequence.store(i, std::memory_order_relaxed);
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

NoticeQueue::~NoticeQueue() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

void NoticeQueue::PostOutputDone() noexcept { Post({DeviceNotice::Kind::OutputDone, nullptr}); }

void NoticeQueue::PostInputData(WAVEHDR* hdr) noexcept {
  Post({DeviceNotice::Kind::InputData, hdr});
}

void NoticeQueue::Post(DeviceNotice notice) noexcept {
  std::size_t pos = enqueuePos_.load(std::memory_order_relaxed);
  Slot* slot;
  for (;;) {
    slot = &slots_[pos & kMask];
    const std::size_t seq = slot->sequence.load(std::memory_order_acquire);
    const auto lag = static_cast<std::ptrdiff_t>(seq - pos);
    if (lag == 0) {
      // The slot is free for position pos: claim it. On failure pos holds the newer value.
      if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) break;
    } else if (lag < 0) {
      // The consumer has not emptied this slot one lap ago: the ring is full.
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return;
    } else {
      pos = enqueuePos_.load(std::memory_order_relaxed);  // another producer got there first
    }
  }
  slot->notice = notice;
  slot->sequence.store(pos + 1, std::memory_order_release);  // publish to the consumer

  // Wake the consumer. Nonblocking; the counter cannot realistically reach its limit.
  if (wakeFd_ >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
  }
}

bool NoticeQueue::TryPop(DeviceNotice& out) {
  Slot& slot = slots_[dequeuePos_ & kMask];
  const std::size_t seq = slot.sequence.load(std::memory_order_acquire);
  if (seq != dequeuePos_ + 1) return false;  // empty, or its producer is still writing it
  out = slot.notice;
  slot.sequence.store(dequeuePos_ + kCapacity, std::memory_order_release);  // free it
  ++dequeuePos_;  // before the handler runs, so a nested Drain continues after it
  return true;
}

void NoticeQueue::ClearWake() {
  if (wakeFd_ < 0) return;
  std::uint64_t count;
  [[maybe_unused]] const ssize_t n = read(wakeFd_, &count, sizeof count);  // EAGAIN if clear
}
