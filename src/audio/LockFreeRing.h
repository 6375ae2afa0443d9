#pragma once
// A bounded first-in, first-out ring of Capacity values that never allocates, locks or
// blocks: the hand-over between an audio thread and the GUI thread.
//
// Every slot carries a sequence number. For the producer that claimed position p it reads
// p while the slot is free and p + 1 once the value is in; the consumer that empties it
// sets p + Capacity, which frees it for position p + Capacity one lap later. Producers
// claim positions with a compare-and-swap, so any number of them may push at once; with
// one producer the same code costs one uncontended CAS per push.
//
// Threads:
//   TryPush                any producer thread, concurrently.
//   TryPop, Front          the one consumer thread. The consumer role may pass to another
//                          thread only when the previous consumer is known to have stopped
//                          and its last pop is visible (e.g. after an audio stream was
//                          stopped, which joins its callback).
//   Pushed, Popped, Empty  any thread; a snapshot that may be stale at once.
//   AnyQueued              the producer thread of a single-producer ring, or any thread
//                          while nothing is pushed.
//
// T must be trivially copyable: values are copied in and out, never destroyed.

#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

template <class T, std::size_t Capacity>
class LockFreeRing {
  static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                "capacity must be a power of two, at least 2");
  static_assert(std::is_trivially_copyable_v<T>, "values are copied bytewise");

public:
  static constexpr std::size_t kCapacity = Capacity;

  LockFreeRing() noexcept {
    for (std::size_t i = 0; i < Capacity; ++i)
      slots_[i].sequence.store(i, std::memory_order_relaxed);
  }
  LockFreeRing(const LockFreeRing&) = delete;
  LockFreeRing& operator=(const LockFreeRing&) = delete;

  // Appends `value`; false, changing nothing, when all Capacity slots hold values the
  // consumer has not taken yet. Never overwrites and never waits.
  bool TryPush(const T& value) noexcept {
    std::size_t pos = pushed_.load(std::memory_order_relaxed);
    Slot* slot;
    for (;;) {
      slot = &slots_[pos & kMask];
      const std::size_t seq = slot->sequence.load(std::memory_order_acquire);
      const auto lag = static_cast<std::ptrdiff_t>(seq - pos);
      if (lag == 0) {
        // Free for position pos: claim it. On failure pos holds the newer position.
        if (pushed_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) break;
      } else if (lag < 0) {
        return false;  // the consumer has not emptied this slot one lap ago: full
      } else {
        pos = pushed_.load(std::memory_order_relaxed);  // another producer got there first
      }
    }
    slot->value = value;
    slot->sequence.store(pos + 1, std::memory_order_release);  // publish to the consumer
    return true;
  }

  // Consumer. The oldest value, left in place; nullptr when the ring is empty or the
  // oldest claimed slot is still being written. Valid until the next TryPop.
  T* Front() noexcept {
    const std::size_t pos = popped_.load(std::memory_order_relaxed);
    Slot& slot = slots_[pos & kMask];
    if (slot.sequence.load(std::memory_order_acquire) != pos + 1) return nullptr;
    return &slot.value;
  }

  // Consumer. Moves the oldest value to `out`; false when Front() would be nullptr. The
  // position advances before TryPop returns, so a handler of `out` that pops again (a
  // nested event loop) continues with the next value.
  bool TryPop(T& out) noexcept {
    const std::size_t pos = popped_.load(std::memory_order_relaxed);
    Slot& slot = slots_[pos & kMask];
    if (slot.sequence.load(std::memory_order_acquire) != pos + 1) return false;
    out = slot.value;
    slot.sequence.store(pos + Capacity, std::memory_order_release);  // free it
    popped_.store(pos + 1, std::memory_order_release);
    return true;
  }

  // Positions claimed by producers and taken by the consumer since construction; they
  // wrap around together, so compare them by their difference.
  std::size_t Pushed() const noexcept { return pushed_.load(std::memory_order_acquire); }
  std::size_t Popped() const noexcept { return popped_.load(std::memory_order_acquire); }
  bool Empty() const noexcept { return Pushed() == Popped(); }

  // Whether a value not yet popped satisfies pred(const T&). See Threads above.
  template <class Pred>
  bool AnyQueued(Pred pred) const {
    const std::size_t end = Pushed();
    for (std::size_t pos = Popped(); static_cast<std::ptrdiff_t>(end - pos) > 0; ++pos) {
      const Slot& slot = slots_[pos & kMask];
      if (slot.sequence.load(std::memory_order_acquire) == pos + 1 && pred(slot.value)) return true;
    }
    return false;
  }

private:
  static constexpr std::size_t kMask = Capacity - 1;

  struct Slot {
    std::atomic<std::size_t> sequence{0};
    T value{};
  };

  std::array<Slot, Capacity> slots_;
  alignas(64) std::atomic<std::size_t> pushed_{0};  // next position to claim
  alignas(64) std::atomic<std::size_t> popped_{0};  // next position to take
};
