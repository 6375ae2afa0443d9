#include "audio/NoticeQueue.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <array>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "base/wavetypes.h"

namespace {

bool WakeSignalled(const NoticeQueue& q) {
  pollfd p{q.WakeFd(), POLLIN, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

std::vector<DeviceNotice> DrainAll(NoticeQueue& q) {
  std::vector<DeviceNotice> got;
  q.Drain([&](const DeviceNotice& n) { got.push_back(n); });
  return got;
}

TEST(NoticeQueue, Drain_HandsNoticesInPostingOrderAndClearsWake) {
  NoticeQueue q;
  ASSERT_GE(q.WakeFd(), 0);
  EXPECT_FALSE(WakeSignalled(q));
  WAVEHDR a, b;
  q.PostInputData(&a);
  q.PostOutputDone();
  q.PostInputData(&b);
  q.PostOutputLost();
  q.PostInputLost();
  EXPECT_TRUE(WakeSignalled(q));

  const auto got = DrainAll(q);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].kind, DeviceNotice::Kind::InputData);
  EXPECT_EQ(got[0].hdr, &a);
  EXPECT_EQ(got[1].kind, DeviceNotice::Kind::OutputDone);
  EXPECT_EQ(got[2].hdr, &b);
  EXPECT_EQ(got[3].kind, DeviceNotice::Kind::OutputLost);
  EXPECT_EQ(got[4].kind, DeviceNotice::Kind::InputLost);
  EXPECT_FALSE(WakeSignalled(q));
  EXPECT_TRUE(DrainAll(q).empty());
}

TEST(NoticeQueue, Drain_NoticePostedByHandlerWaitsForNextWake) {
  NoticeQueue q;
  q.PostOutputDone();
  int calls = 0;
  // A handler that resets a device, which posts again: that notice is not handled inside.
  EXPECT_EQ(q.Drain([&](const DeviceNotice&) {
    ++calls;
    q.PostOutputDone();
  }),
            1u);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(WakeSignalled(q));
  EXPECT_EQ(DrainAll(q).size(), 1u);
}

TEST(NoticeQueue, Drain_NestedDrainHandsEachNoticeOnceInOrder) {
  NoticeQueue q;
  std::array<WAVEHDR, 4> h{};
  for (auto& hdr : h) q.PostInputData(&hdr);
  std::vector<WAVEHDR*> order;
  bool nested = false;
  std::function<void(const DeviceNotice&)> handler = [&](const DeviceNotice& n) {
    order.push_back(n.hdr);
    if (!nested) {  // the first handler opens a "modal box" whose loop drains again
      nested = true;
      q.Drain(handler);
    }
  };
  q.Drain(handler);
  ASSERT_EQ(order.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(order[i], &h[i]);
}

TEST(NoticeQueue, Post_FullRingDropsNewNoticesAndCountsThem) {
  NoticeQueue q;
  std::vector<WAVEHDR> h(NoticeQueue::kCapacity + 3);
  for (auto& hdr : h) q.PostInputData(&hdr);
  EXPECT_EQ(q.Dropped(), 3u);
  const auto got = DrainAll(q);
  ASSERT_EQ(got.size(), NoticeQueue::kCapacity);
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].hdr, &h[i]);

  // The ring is usable again, across the wrap.
  for (int round = 0; round < 3; ++round) {
    for (std::size_t i = 0; i < 40; ++i) q.PostInputData(&h[i]);
    const auto again = DrainAll(q);
    ASSERT_EQ(again.size(), 40u);
    EXPECT_EQ(again.back().hdr, &h[39]);
  }
  EXPECT_EQ(q.Dropped(), 3u);
}

// Producers tag each notice with (producer, sequence) through the header they post.
struct ProducerRun {
  static constexpr int kProducers = 4;
  static constexpr int kPerProducer = 20000;

  // With `throttle`, a producer keeps at most 8 notices outstanding (4 x 8 < capacity), so
  // nothing may be lost; without it the ring overflows and every loss must be counted.
  static void Run(bool throttle) {
    NoticeQueue q;
    std::vector<std::vector<WAVEHDR>> headers(kProducers, std::vector<WAVEHDR>(kPerProducer));
    std::array<std::atomic<int>, kProducers> outstanding{};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
      producers.emplace_back([&, p] {
        for (int i = 0; i < kPerProducer; ++i) {
          while (throttle && outstanding[p].load() >= 8) std::this_thread::yield();
          headers[p][i].dwUser = static_cast<std::uintptr_t>(p) << 32 | i;
          outstanding[p].fetch_add(1);
          q.PostInputData(&headers[p][i]);
        }
      });
    }
    std::array<long, kProducers> last;
    last.fill(-1);
    long received = 0;
    bool inOrder = true;
    auto handle = [&](const DeviceNotice& n) {
      const int p = static_cast<int>(n.hdr->dwUser >> 32);
      const long i = static_cast<long>(n.hdr->dwUser & 0xFFFFFFFF);
      inOrder = inOrder && i > last[p] && n.hdr == &headers[p][i];
      last[p] = i;
      outstanding[p].fetch_sub(1);
      ++received;
    };
    const long total = long{kProducers} * kPerProducer;
    while (received + static_cast<long>(q.Dropped()) < total) {
      pollfd pfd{q.WakeFd(), POLLIN, 0};
      poll(&pfd, 1, 10);
      q.Drain(handle);
    }
    for (auto& t : producers) t.join();
    q.Drain(handle);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(received + static_cast<long>(q.Dropped()), total);
    if (throttle) {
      EXPECT_EQ(q.Dropped(), 0u);
    } else {
      ::testing::Test::RecordProperty("dropped", static_cast<int>(q.Dropped()));
    }
  }
};

TEST(NoticeQueue, Post_ManyProducersLoseNothingAndKeepEachOrder) { ProducerRun::Run(true); }

TEST(NoticeQueue, Post_FloodFromManyProducersCountsEveryDrop) { ProducerRun::Run(false); }

}  // namespace
