// The recorder on the simulated input and its virtual clock, fed with a known signal:
// what a recording holds after its stop, the order of the finishing notices, the ceiling,
// lack of memory and every device refusal.

#include "model/Recorder.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/NoticeQueue.h"
#include "audio/SimTestDevices.h"
#include "audio/SimulatedWaveIn.h"

namespace {
using namespace std::chrono_literals;
using Kind = Recorder::Data::Kind;
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};
const WAVEFORMATEX kMono16{1, 1, 8000, 16000, 2, 16, 0};

// Byte i of the 8-bit capture stream is 28 + i % 200.
double Ramp(std::uint64_t frame) { return (double(frame % 200) - 100.0) / 128.0; }
std::uint8_t RampByte(std::int64_t i) { return std::uint8_t(28 + i % 200); }

struct Rig {
  SimTestDevices devices{SimClockMode::Virtual};
  NoticeQueue notices;
  Recorder rec{devices, notices};
  std::vector<Recorder::Data> seen;

  Rig() { devices.SetInputSignal(Ramp); }
  Recorder::StartResult Start(std::int64_t ceiling = 2400000, WAVEFORMATEX f = kMono8,
                              std::int32_t bytes = 1600) {
    return rec.Start(f, bytes, ceiling);
  }
  // Hands every waiting notice to the recorder; returns the kinds in order.
  std::vector<Kind> Deliver(std::size_t frameBytes = 512) {
    std::vector<Kind> kinds;
    notices.Drain([&](const DeviceNotice& n) {
      seen.push_back(rec.OnInputData(n.hdr, frameBytes));
      kinds.push_back(seen.back().kind);
    });
    return kinds;
  }
  std::vector<Kind> Advance(int ms) {
    devices.Advance(std::chrono::milliseconds(ms));
    return Deliver();
  }
  const Recorder::Data& Finished() const {
    for (const auto& d : seen)
      if (d.kind == Kind::Finished) return d;
    static const Recorder::Data none;
    return none;
  }
};

void ExpectStream(const Recorder::Data& d, std::int64_t from, std::int32_t bytes) {
  ASSERT_EQ(d.size, bytes);
  ASSERT_TRUE(bytes == 0 || d.sound);
  for (std::int32_t i = 0; i < bytes; ++i)
    ASSERT_EQ(d.sound.get()[i], RampByte(from + i)) << "byte " << i;
}

TEST(Recorder, StopKeepsExactlyTheBuffersCollectedBeforeIt) {
  Rig r;
  ASSERT_TRUE(r.Start().ok());
  EXPECT_TRUE(r.rec.Recording() && r.rec.Collecting() && r.rec.InDeviceOpen());
  EXPECT_EQ(r.Advance(600), (std::vector<Kind>{Kind::Collected, Kind::Collected, Kind::Collected}));
  r.devices.Advance(100ms);  // half of the fourth buffer: returned by the reset, dropped
  r.rec.RequestStop();
  EXPECT_FALSE(r.rec.Recording() || r.rec.Collecting() || r.rec.InDeviceOpen());
  EXPECT_TRUE(r.rec.Stopping());
  EXPECT_FALSE(r.devices.InOpen());
  // Four buffers were queued: finish, clear the stop, then nothing.
  EXPECT_EQ(r.Deliver(),
            (std::vector<Kind>{Kind::Finished, Kind::StopCleared, Kind::Ignored, Kind::Ignored}));
  ExpectStream(r.Finished(), 0, 4800);
  EXPECT_NE(r.Finished().header, nullptr);
  EXPECT_FALSE(r.rec.Stopping() || r.rec.StopDone());
}

TEST(Recorder, EachCollectedBufferGivesTheViewsACopyOfItsStart) {
  Rig r;
  ASSERT_TRUE(r.Start().ok());
  r.Advance(200);
  ASSERT_EQ(r.seen.size(), 1u);
  const std::vector<std::uint8_t> frame = r.seen[0].frame;
  ASSERT_EQ(frame.size(), 512u);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(frame[i], RampByte(i));
  r.Advance(800);  // the device refills the buffer; the copy stays
  EXPECT_EQ(r.seen[0].frame, frame);
  EXPECT_EQ(r.seen[4].frame[0], RampByte(4 * 1600));  // the first buffer, second round
}

TEST(Recorder, StopBeforeTheFirstBufferGivesAnEmptyRecording) {
  Rig r;
  ASSERT_TRUE(r.Start().ok());
  r.devices.Advance(50ms);
  r.rec.RequestStop();
  EXPECT_EQ(r.Deliver().front(), Kind::Finished);
  EXPECT_EQ(r.Finished().size, 0);
  EXPECT_EQ(r.Finished().sound, nullptr);
}

TEST(Recorder, PastTheCeilingTheLatestBytesAreKept) {
  Rig r;
  ASSERT_TRUE(r.Start(4000).ok());
  r.Advance(2000);  // ten buffers, 16000 bytes
  r.rec.RequestStop();
  r.Deliver();
  ExpectStream(r.Finished(), 16000 - 4000, 4000);
}

TEST(Recorder, CeilingKeepsWholeFramesAndHoldsLongRuns) {
  Rig r;
  r.devices.SetInputSignal([](std::uint64_t f) { return double(f % 1000) / 32768.0; });
  ASSERT_TRUE(r.Start(7001, kMono16, 3200).ok());  // 3500 frames at most
  for (int i = 0; i < 40; ++i) r.Advance(200);     // 8 s, 128000 bytes
  r.rec.RequestStop();
  r.Deliver();
  const Recorder::Data& d = r.Finished();
  ASSERT_EQ(d.size, 7000);
  const std::int64_t firstFrame = 64000 - 3500;
  for (int i = 0; i < 3500; ++i) {
    const int v = d.sound.get()[2 * i] | (d.sound.get()[2 * i + 1] << 8);
    ASSERT_EQ(v, int((firstFrame + i) % 1000)) << i;
  }
}

TEST(Recorder, LackOfMemoryWhileCollectingKeepsWhatWasCollected) {
  Rig r;
  ASSERT_TRUE(r.Start().ok());
  r.Advance(400);
  Heap::FailAfter(0);
  EXPECT_EQ(r.Advance(200), std::vector<Kind>{Kind::OutOfMemory});
  r.rec.RequestStop();
  r.Deliver();
  ExpectStream(r.Finished(), 0, 3200);
}

TEST(Recorder, EveryRefusedStepLeavesItIdleAndTheNextStartWorks) {
  const SimCall calls[] = {SimCall::OpenIn, SimCall::PrepareIn, SimCall::AddBuffer, SimCall::Start};
  const Recorder::StartResult::Step steps[] = {
      Recorder::StartResult::Step::Open, Recorder::StartResult::Step::Prepare,
      Recorder::StartResult::Step::Add, Recorder::StartResult::Step::Start};
  for (int i = 0; i < 4; ++i) {
    Rig r;
    r.devices.Refuse(calls[i], 4, "refused here", SimRefusal::NextCallOnly);
    const Recorder::StartResult s = r.Start();
    EXPECT_EQ(s.step, steps[i]);
    EXPECT_EQ(s.device.text, "refused here");
    EXPECT_FALSE(r.rec.Recording() || r.rec.Collecting() || r.rec.InDeviceOpen());
    EXPECT_FALSE(r.devices.InOpen());
    EXPECT_TRUE(r.Advance(1000).empty() || r.seen.back().kind == Kind::Ignored);
    ASSERT_TRUE(r.Start().ok());
    r.Advance(200);
    EXPECT_EQ(r.seen.back().kind, Kind::Collected);
  }
}

TEST(Recorder, LackOfMemoryAtTheStartNamesWhatWasMissing) {
  Rig r;
  Heap::FailAfter(2);
  EXPECT_EQ(r.Start().step, Recorder::StartResult::Step::NoBufferMemory);
  Heap::FailAfter(5);
  EXPECT_EQ(r.Start().step, Recorder::StartResult::Step::NoHeaderMemory);
  EXPECT_EQ(r.devices.Calls(SimCall::OpenIn), 0);
  EXPECT_FALSE(r.rec.Recording() || r.rec.InDeviceOpen());
}

TEST(Recorder, NoticesOfReleasedBuffersAreIgnored) {
  Rig r;
  ASSERT_TRUE(r.Start().ok());
  r.devices.Advance(200ms);  // posted, not yet handled
  r.rec.CloseIn();           // given up without a stop request (the window going away)
  EXPECT_FALSE(r.rec.Recording() || r.rec.Collecting());
  for (Kind k : r.Deliver()) EXPECT_EQ(k, Kind::Ignored);
  WAVEHDR foreign{};
  EXPECT_EQ(r.rec.OnInputData(&foreign, 512).kind, Kind::Ignored);
}

}  // namespace
