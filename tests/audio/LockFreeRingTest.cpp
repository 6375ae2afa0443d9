#include "audio/LockFreeRing.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

struct Item {
  std::uint32_t producer;
  std::uint32_t seq;
};

TEST(LockFreeRing, OneThread_FullRefusesAndKeepsOrderAcrossLaps) {
  LockFreeRing<int, 4> ring;
  int out = -1;
  EXPECT_TRUE(ring.Empty());
  EXPECT_EQ(ring.Front(), nullptr);
  EXPECT_FALSE(ring.TryPop(out));
  int next = 0, expect = 0;
  for (int lap = 0; lap < 5; ++lap) {  // the positions wrap the slots several times
    while (ring.TryPush(next)) ++next;
    EXPECT_EQ(ring.Pushed() - ring.Popped(), 4u);  // refused only when all four are taken
    ASSERT_NE(ring.Front(), nullptr);
    EXPECT_EQ(*ring.Front(), expect);  // a peek leaves it in place
    EXPECT_TRUE(ring.AnyQueued([&](int v) { return v == expect + 3; }));
    ASSERT_TRUE(ring.TryPop(out));
    EXPECT_EQ(out, expect++);
    EXPECT_FALSE(ring.AnyQueued([&](int v) { return v == out; }));  // popped: gone
    ASSERT_TRUE(ring.TryPop(out));
    EXPECT_EQ(out, expect++);
  }
  while (ring.TryPop(out)) EXPECT_EQ(out, expect++);
  EXPECT_EQ(expect, next);
  EXPECT_TRUE(ring.Empty());
}

// Two producers push numbered items through a small ring (it is full most of the time),
// one consumer takes them: every item arrives exactly once, each producer's in order.
TEST(LockFreeRing, TwoProducersOneConsumer_NothingLostDuplicatedOrReordered) {
  constexpr std::uint32_t kPerProducer = 300000;
  LockFreeRing<Item, 8> ring;
  std::atomic<bool> go{false};
  std::atomic<int> finished{0};  // producers that pushed all their items
  std::array<std::atomic<std::uint64_t>, 2> refused{};
  std::vector<std::thread> producers;
  for (std::uint32_t p = 0; p < 2; ++p) {
    producers.emplace_back([&, p] {
      while (!go.load()) std::this_thread::yield();
      for (std::uint32_t i = 0; i < kPerProducer; ++i) {
        while (!ring.TryPush({p, i})) {
          refused[p].fetch_add(1, std::memory_order_relaxed);
          std::this_thread::yield();
        }
      }
      finished.fetch_add(1);
    });
  }
  std::array<std::uint32_t, 2> expected{0, 0};
  std::uint32_t received = 0, faults = 0;
  go.store(true);
  Item item{};
  while (received < 2 * kPerProducer) {
    if (!ring.TryPop(item)) {
      // Everything pushed and nothing left: an item was lost (stop rather than wait).
      if (finished.load() == 2 && ring.Empty()) break;
      std::this_thread::yield();
      continue;
    }
    ++received;
    if (item.producer > 1 || item.seq != expected[item.producer]) {
      if (++faults <= 5)
        ADD_FAILURE() << "producer " << item.producer << " item " << item.seq << ", expected "
                      << (item.producer > 1 ? 0 : expected[item.producer]);
      if (item.producer > 1) continue;
    }
    expected[item.producer] = item.seq + 1;
  }
  // Duplicates would have ended the loop early: keep taking until both producers are done,
  // so neither waits on a full ring, and count what is left over.
  std::uint32_t extra = 0;
  while (finished.load() < 2 || !ring.Empty()) {
    if (ring.TryPop(item))
      ++extra;
    else
      std::this_thread::yield();
  }
  for (std::thread& t : producers) t.join();
  EXPECT_EQ(faults, 0u);
  EXPECT_EQ(received, 2 * kPerProducer);
  EXPECT_EQ(extra, 0u);  // nothing more than was pushed
  EXPECT_EQ(expected[0], kPerProducer);
  EXPECT_EQ(expected[1], kPerProducer);
  EXPECT_EQ(ring.Pushed(), std::size_t{2} * kPerProducer);
  RecordProperty("refused", std::to_string(refused[0].load() + refused[1].load()));
}

}  // namespace
