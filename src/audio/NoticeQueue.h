#pragma once
// The devices' notices on their way to the GUI thread.
//
// Devices post from any thread (the PortAudio callback, a simulated device's worker, the
// GUI thread itself); posting only claims a slot with an atomic compare-and-swap, copies
// the notice in and pokes an eventfd, so it never allocates, locks or blocks. The GUI
// watches WakeFd() and calls Drain() on its own thread, which hands the notices over in
// posting order, each after the call that posted it has long returned.
//
// The slots form a ring; each carries a sequence number that tells producers whether it is
// free and the consumer whether it has been filled. Capacity is fixed (at most about five
// notices are ever outstanding). A post into a full ring is dropped and counted in
// Dropped(); it never waits and never overwrites a notice not yet handed over.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/DeviceNoticeSink.h"

struct WAVEHDR;

struct DeviceNotice {
  enum class Kind : std::uint8_t { OutputDone, InputData };
  Kind kind = Kind::OutputDone;
  WAVEHDR* hdr = nullptr;  // InputData only: the returned capture buffer
};

class NoticeQueue final : public DeviceNoticeSink {
 public:
  static constexpr std::size_t kCapacity = 64;  // a power of two

  NoticeQueue();
  ~NoticeQueue() override;
  NoticeQueue(const NoticeQueue&) = delete;
  NoticeQueue& operator=(const NoticeQueue&) = delete;

  // Any thread; never allocate, lock or block.
  void PostOutputDone() noexcept override;
  void PostInputData(WAVEHDR* hdr) noexcept override;

  // Becomes readable when notices wait. -1 if the kernel refused an eventfd; the queue
  // still works then, but nothing wakes the consumer (it must poll Drain).
  int WakeFd() const { return wakeFd_; }

  // Notices lost because the ring was full, since construction. Any thread.
  std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  // GUI thread only. Clears the eventfd, then calls handler(const DeviceNotice&) for every
  // notice posted before the call, oldest first, and returns how many it handed over.
  // Notices posted meanwhile (a handler that resets a device) wait for the next wake-up,
  // as window messages would. A handler may re-enter Drain (a modal box runs a nested
  // event loop); each notice is still handed over exactly once, in order.
  template <class Handler>
  std::size_t Drain(Handler&& handler) {
    ClearWake();
    const std::size_t end = enqueuePos_.load(std::memory_order_acquire);
    std::size_t handed = 0;
    DeviceNotice notice;
    while (static_cast<std::ptrdiff_t>(end - dequeuePos_) > 0 && TryPop(notice)) {
      ++handed;
      handler(static_cast<const DeviceNotice&>(notice));
    }
    return handed;
  }

 private:
  struct Slot {
    // pos while free for the producer of position pos; pos + 1 once filled for the
    // consumer; pos + kCapacity once the consumer has emptied it again.
    std::atomic<std::size_t> sequence{0};
    DeviceNotice notice;
  };

  void Post(DeviceNotice notice) noexcept;
  bool TryPop(DeviceNotice& out);  // consumer only; false when empty or the next is unfinished
  void ClearWake();

  std::array<Slot, kCapacity> slots_;
  alignas(64) std::atomic<std::size_t> enqueuePos_{0};  // next position to claim
  alignas(64) std::size_t dequeuePos_ = 0;              // consumer thread only
  std::atomic<std::uint64_t> dropped_{0};
  int wakeFd_ = -1;
};
