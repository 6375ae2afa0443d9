// The transport on the simulated device's virtual clock: whole playbacks, stops, late
// notices, refusals and the follow timer's arithmetic. Notices are handed over only when a
// test drains the queue, as the window's event loop would between events.

#include "model/Transport.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/NoticeQueue.h"
#include "audio/SimTestDevices.h"
#include "model/SoundDocument.h"

namespace {
using namespace std::chrono_literals;
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};
const WAVEFORMATEX kMono16{1, 1, 8000, 16000, 2, 16, 0};

struct Rig {
  SimTestDevices devices{SimClockMode::Virtual};
  NoticeQueue notices;
  SoundDocument sound;
  Transport player{devices, notices, sound};

  explicit Rig(WAVEFORMATEX fmt = kMono8, std::int32_t bytes = 16000) {
    sound.SetFormat(fmt);
    HeapBytes block = AllocBytes(std::size_t(bytes));
    for (std::int32_t i = 0; i < bytes; ++i) block.get()[i] = std::uint8_t(i * 7);
    sound.Adopt(std::move(block), bytes, SoundDocument::NewHeader());
    EXPECT_TRUE(player.OpenOut().ok());
  }
  // Lets `ms` pass and hands every notice that fell due to the transport.
  std::vector<Transport::Done> Advance(int ms) {
    devices.Advance(std::chrono::milliseconds(ms));
    return Deliver();
  }
  std::vector<Transport::Done> Deliver() {
    std::vector<Transport::Done> done;
    notices.Drain([&](const DeviceNotice&) { done.push_back(player.OnOutputDone()); });
    return done;
  }
  Transport::Tick Tick(std::uint32_t fftSize = 512, std::uint32_t bits = 8,
                       std::uint32_t rate = 8000) {
    return player.OnTick({fftSize, bits, rate, 200});
  }
};

TEST(Transport, PlaysTheWholeSoundAndEndsAtTheStartWithAFreshDevice) {
  Rig r;
  ASSERT_TRUE(r.player.Start().ok());
  EXPECT_TRUE(r.player.Playing() && r.player.TimerWanted());
  EXPECT_EQ(r.devices.LastWriteData(), r.sound.Data());
  EXPECT_EQ(r.devices.LastWriteBytes(), 16000u);
  EXPECT_TRUE(r.Advance(1000).empty());
  const Transport::Tick t = r.Tick();
  EXPECT_EQ(t.cur, 8000u);
  EXPECT_EQ(t.paintAt, 8000u + 1536u);  // 3.125 windows of 512 -> 3
  EXPECT_FALSE(t.ended);
  const auto done = r.Advance(1000);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Ended);
  EXPECT_EQ(done[0].thumb, 16000);
  EXPECT_TRUE(done[0].reopen.ok());
  EXPECT_FALSE(done[0].positionFailed);
  EXPECT_FALSE(r.player.Playing() || r.player.TimerWanted());
  EXPECT_EQ(r.player.PlayPos(), 0);
  EXPECT_TRUE(r.player.OutDeviceOpen() && r.devices.OutOpen());
  EXPECT_EQ(r.devices.Calls(SimCall::OpenOut), 2);
  ASSERT_TRUE(r.player.Start().ok());  // again, from the start
  EXPECT_EQ(r.devices.LastWriteBytes(), 16000u);
}

TEST(Transport, StopMidwayResumesAtThePositionTheWindowSets) {
  Rig r(kMono16, 32000);
  ASSERT_TRUE(r.player.Start().ok());
  r.Advance(600);
  EXPECT_TRUE(r.player.Stop().ok());
  EXPECT_FALSE(r.player.Playing() || r.player.TimerWanted());
  EXPECT_EQ(r.devices.Calls(SimCall::Pause), 1);
  EXPECT_EQ(r.devices.OutPosition(), 0u);
  r.player.SetPlayPos(8000);      // where the window's cursor stood
  const auto done = r.Deliver();  // the returned block's notice: stale, no effect
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Stale);
  EXPECT_EQ(done[0].thumb, 8000);
  EXPECT_EQ(r.player.PlayPos(), 8000);
  ASSERT_TRUE(r.player.Start().ok());
  EXPECT_EQ(r.devices.LastWriteData(), r.sound.Data() + 8000);
  EXPECT_EQ(r.devices.LastWriteBytes(), 24000u);
}

// A stop's notice handled only after a new playback has started must not end it.
TEST(Transport, LateNoticeOfAStoppedBlockLeavesTheNewPlaybackAlone) {
  Rig r;
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Advance(300ms);
  r.player.Stop();
  r.player.SetPlayPos(2400);
  ASSERT_TRUE(r.player.Start().ok());
  const auto done = r.Deliver();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Stale);
  EXPECT_FALSE(done[0].thumb);  // playing: the bar is the tick's
  EXPECT_TRUE(r.player.Playing());
  EXPECT_EQ(r.player.PlayPos(), 2400);
  const auto end = r.Advance(1700);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_EQ(end[0].kind, Transport::Done::Kind::Ended);
}

// Closing the device gives the block up as a stop does: its notice changes nothing.
TEST(Transport, CloseWhilePlayingMakesTheNoticeStale) {
  Rig r;
  ASSERT_TRUE(r.player.Start().ok());
  r.player.CloseOut();
  EXPECT_FALSE(r.player.OutDeviceOpen() || r.devices.OutOpen());
  EXPECT_EQ(r.devices.Calls(SimCall::UnprepareOut), 1);
  const auto done = r.Deliver();  // the reset returned the block
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Stale);
}

TEST(Transport, PositionRefusedAtTheNoticeStillEndsThePlayback) {
  Rig r;
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Refuse(SimCall::GetPosition, 7, "no position");
  const auto done = r.Advance(2000);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_TRUE(done[0].positionFailed);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Ended);
  EXPECT_FALSE(r.player.Playing());
  EXPECT_EQ(r.player.PlayPos(), 0);
}

TEST(Transport, RefusedPrepareOrWriteClosesTheDeviceAndWantsNoTimer) {
  for (SimCall call : {SimCall::PrepareOut, SimCall::Write}) {
    Rig r;
    r.devices.Refuse(call, 11, "refused", SimRefusal::NextCallOnly);
    const Transport::StartResult s = r.player.Start();
    EXPECT_EQ(s.step, call == SimCall::PrepareOut ? Transport::StartResult::Step::Prepare
                                                  : Transport::StartResult::Step::Write);
    EXPECT_EQ(s.device.text, "refused");
    EXPECT_FALSE(r.player.Playing() || r.player.TimerWanted() || r.player.OutDeviceOpen());
    EXPECT_FALSE(r.devices.OutOpen());
    EXPECT_TRUE(r.Advance(3000).empty());
  }
}

TEST(Transport, RefusedOpenHoldsNoDevice) {
  Rig r;
  r.player.CloseOut();
  r.devices.Refuse(SimCall::OpenOut, 32, "bad format");
  const DeviceResult open = r.player.OpenOut();
  EXPECT_EQ(open.text, "bad format");
  EXPECT_FALSE(r.player.OutDeviceOpen());
  // A stop's reopen reports the same refusal.
  r.devices.ClearRefusal(SimCall::OpenOut);
  ASSERT_TRUE(r.player.OpenOut().ok());
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Refuse(SimCall::OpenOut, 32, "bad format");
  EXPECT_EQ(r.player.Stop().text, "bad format");
  EXPECT_FALSE(r.player.OutDeviceOpen());
}

TEST(Transport, TickLooksAheadByWholeWindowsOfOnePeriod) {
  struct Case {
    WAVEFORMATEX fmt;
    std::uint32_t fftSize, bits, rate, ahead;
  };
  const Case cases[] = {
      {{1, 1, 16000, 16000, 1, 8, 0}, 256, 8, 16000, 3072},  // 12.5 -> 12
      {kMono8, 4096, 8, 8000, 0},                            // 0.39 -> 0
      {{1, 2, 16000, 64000, 4, 16, 0}, 256, 16, 16000, 3072},
      {kMono8, 512, 8, 8000, 1536},  // 3.125 -> 3
  };
  for (const Case& c : cases) {
    Rig r(c.fmt, std::int32_t(c.fmt.nAvgBytesPerSec) * 3);
    ASSERT_TRUE(r.player.Start().ok());
    r.devices.Advance(1000ms);
    const Transport::Tick t = r.Tick(c.fftSize, c.bits, c.rate);
    EXPECT_EQ(t.cur, c.fmt.nAvgBytesPerSec);
    EXPECT_EQ(t.paintAt, c.fmt.nAvgBytesPerSec + c.ahead);
  }
}

TEST(Transport, TickAlignsToTheSettingsAndStopsDrawingNearTheEnd) {
  Rig r(kMono8, 16000);
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Advance(1900ms);  // 15200: the window 1536 ahead would pass the end
  Transport::Tick t = r.Tick();
  EXPECT_EQ(t.cur, 15200u);
  EXPECT_FALSE(t.paintAt);
  EXPECT_TRUE(r.player.Playing());
  // 16-bit settings on an 8-bit sound align the sounding byte to 2.
  r.player.Stop();
  r.Deliver();
  r.player.SetPlayPos(1);
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Advance(100ms);
  t = r.player.OnTick({512, 16, 8000, 200});
  EXPECT_EQ(t.cur, 800u);
}

// The tick that finds the end before the notice does ends the playing state; the notice
// that follows still finishes the playback.
TEST(Transport, TickAtTheEndStopsTheTimerAndTheNoticeFinishes) {
  Rig r(kMono16, 16000);
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Advance(1000ms);
  const Transport::Tick t = r.Tick(512, 16, 8000);
  EXPECT_TRUE(t.ended);
  EXPECT_EQ(t.cur, 16000u);
  EXPECT_FALSE(r.player.Playing() || r.player.TimerWanted());
  const auto done = r.Deliver();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Ended);
  EXPECT_EQ(r.player.PlayPos(), 0);
}

TEST(Transport, TickWithRefusedPositionStopsTheTimer) {
  Rig r;
  ASSERT_TRUE(r.player.Start().ok());
  r.devices.Refuse(SimCall::GetPosition, 7, "no position", SimRefusal::NextCallOnly);
  const Transport::Tick t = r.Tick();
  EXPECT_TRUE(t.positionFailed);
  EXPECT_FALSE(r.player.TimerWanted());
  EXPECT_TRUE(r.player.Playing());  // the sound plays on; the notice ends it
  ASSERT_EQ(r.Advance(2000).size(), 1u);
  EXPECT_FALSE(r.player.Playing());
}

TEST(Transport, ShortSoundPlaysToItsEnd) {
  Rig r(kMono8, 100);
  ASSERT_TRUE(r.player.Start().ok());
  const auto done = r.Advance(20);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, Transport::Done::Kind::Ended);
  EXPECT_EQ(done[0].thumb, 100);
}

}  // namespace
