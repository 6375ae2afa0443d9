#pragma once
// The devices' notices on their way to the GUI thread.
//
// Devices post from any thread (the PortAudio callback, a simulated device's worker, the
// GUI thread itself); posting only claims a slot with an atomic compare-and-swap, copies
// the notice in and pokes an eventfd, so it never allocates, locks or blocks. The GUI
// watches WakeFd() and calls Drain() on its own thread, which hands the notices over in
// posting order, each after the call that posted it has long returned.
//
// The notices wait in a LockFreeRing (many producers, one consumer). Capacity is fixed (at
// most about five notices are ever outstanding). A post into a full ring is dropped and
// counted in Dropped(); it never waits and never overwrites a notice not yet handed over.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/DeviceNoticeSink.h"
#include "audio/LockFreeRing.h"

struct WAVEHDR;

struct DeviceNotice {
  enum class Kind : std::uint8_t { OutputDone, InputData, OutputLost, InputLost };
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
  void PostOutputLost() noexcept override;
  void PostInputLost() noexcept override;

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
    const std::size_t end = ring_.Pushed();
    std::size_t handed = 0;
    DeviceNotice notice;
    while (static_cast<std::ptrdiff_t>(end - ring_.Popped()) > 0 && ring_.TryPop(notice)) {
      ++handed;
      handler(static_cast<const DeviceNotice&>(notice));
    }
    return handed;
  }

private:
  void Post(DeviceNotice notice) noexcept;
  void ClearWake();

  LockFreeRing<DeviceNotice, kCapacity> ring_;
  std::atomic<std::uint64_t> dropped_{0};
  int wakeFd_ = -1;
};
