#include "audio/SimTestDevices.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <string>
#include <vector>

#include "audio/NoticeQueue.h"
#include "audio/SimulatedWaveIn.h"
#include "audio/SimulatedWaveOut.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

WAVEFORMATEX Pcm(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

// Notices as posted, in order (virtual clock: all posts happen on the test thread).
struct Recorder : DeviceNoticeSink {
  std::vector<WAVEHDR*> posts;  // nullptr for OutputDone
  int outputDone = 0;
  void PostOutputDone() noexcept override {
    ++outputDone;
    posts.push_back(nullptr);
  }
  void PostInputData(WAVEHDR* hdr) noexcept override { posts.push_back(hdr); }
};

// One open playback device over a byte block.
struct Playback {
  SimTestDevices devices;
  Recorder sink;
  std::unique_ptr<WaveOutDevice> out;
  std::vector<std::uint8_t> data;
  WAVEHDR hdr;

  explicit Playback(WAVEFORMATEX f, std::uint32_t bytes) : data(bytes) {
    EXPECT_TRUE(devices.OpenOut(f, sink, out).ok());
    hdr.lpData = data.data();
    hdr.dwBufferLength = bytes;
  }
  void Start() {
    ASSERT_TRUE(out->Prepare(hdr).ok());
    ASSERT_TRUE(out->Write(hdr).ok());
  }
  std::uint32_t Position() {
    MMTIME t;
    EXPECT_TRUE(out->GetPosition(t).ok());
    return t.cb;
  }
};

// One open capture device with `count` buffers of `bytes` each.
struct Capture {
  SimTestDevices devices;
  Recorder sink;
  std::unique_ptr<WaveInDevice> in;
  std::vector<std::vector<std::uint8_t>> buffers;
  std::vector<WAVEHDR> hdrs;

  Capture(WAVEFORMATEX f, int count, std::uint32_t bytes)
      : buffers(count, std::vector<std::uint8_t>(bytes, 0xEE)), hdrs(count) {
    EXPECT_TRUE(devices.OpenIn(f, sink, in).ok());
    for (int k = 0; k < count; ++k) {
      hdrs[k].lpData = buffers[k].data();
      hdrs[k].dwBufferLength = bytes;
      EXPECT_TRUE(in->Prepare(hdrs[k]).ok());
    }
  }
};

// --- formats ---

TEST(SimulatedDevices, Open_AcceptsPcmOfEightOrSixteenBitsMonoOrStereo) {
  for (WAVEFORMATEX f : {Pcm(8000, 8, 1), Pcm(44100, 16, 2), Pcm(1, 8, 2), Pcm(384000, 16, 1)}) {
    SimTestDevices devices;
    Recorder sink;
    std::unique_ptr<WaveOutDevice> out;
    std::unique_ptr<WaveInDevice> in;
    EXPECT_TRUE(devices.OpenOut(f, sink, out).ok()) << f.nSamplesPerSec;
    EXPECT_TRUE(devices.OpenIn(f, sink, in).ok()) << f.nSamplesPerSec;
    EXPECT_TRUE(out && in && devices.OutOpen() && devices.InOpen());
    EXPECT_TRUE(devices.LastOutFormat() == f);
  }
}

TEST(SimulatedDevices, Open_RefusesOtherFormatsWithReason) {
  struct Case {
    WAVEFORMATEX f;
    const char* words;
  };
  std::vector<Case> cases;
  WAVEFORMATEX f = Pcm(8000, 8, 1);
  f.wFormatTag = 3;
  cases.push_back({f, "not PCM"});
  cases.push_back({Pcm(8000, 24, 1), "24 bits"});
  cases.push_back({Pcm(8000, 16, 3), "3 channels"});
  cases.push_back({Pcm(0, 16, 1), "0 Hz"});
  cases.push_back({Pcm(384001, 16, 1), "384001 Hz"});
  f = Pcm(8000, 16, 2);
  f.nBlockAlign = 2;
  cases.push_back({f, "block align 2, expected 4"});
  f = Pcm(8000, 16, 2);
  f.nAvgBytesPerSec = 16000;
  cases.push_back({f, "expected 32000"});
  for (const Case& c : cases) {
    SimTestDevices devices;
    Recorder sink;
    std::unique_ptr<WaveOutDevice> out;
    std::unique_ptr<WaveInDevice> in;
    const DeviceResult r = devices.OpenOut(c.f, sink, out);
    EXPECT_EQ(r.code, SimError::kBadFormat);
    EXPECT_NE(r.text.find(c.words), std::string::npos) << r.text;
    EXPECT_LT(r.text.size(), 128u);
    EXPECT_FALSE(devices.OpenIn(c.f, sink, in).ok());
    EXPECT_TRUE(!out && !in && !devices.OutOpen() && !devices.InOpen());
  }
}

// --- playback position and notices (16-bit stereo, 8000 Hz: 4 bytes a frame, 32000 B/s) ---

TEST(SimulatedWaveOut, GetPosition_AdvancesInWholeFramesAndStopsAtBlockEnd) {
  Playback p(Pcm(8000, 16, 2), 4000);  // 1000 frames, 125 ms
  p.Start();
  EXPECT_EQ(p.Position(), 0u);
  p.devices.Advance(microseconds(1000));
  EXPECT_EQ(p.Position(), 32u);  // 8 frames
  p.devices.Advance(microseconds(100));
  EXPECT_EQ(p.Position(), 32u);  // 0.8 frame more: not yet a whole one
  p.devices.Advance(microseconds(150));
  EXPECT_EQ(p.Position(), 40u);  // the parts add up: 1.25 ms = 10 frames
  EXPECT_EQ(p.sink.outputDone, 0);
  EXPECT_TRUE(p.hdr.dwFlags & WHDR_INQUEUE);

  p.devices.Advance(milliseconds(1000));
  EXPECT_EQ(p.Position(), 4000u);  // never beyond the block
  EXPECT_EQ(p.sink.outputDone, 1);
  EXPECT_EQ(p.hdr.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  p.devices.Advance(milliseconds(1000));
  EXPECT_EQ(p.sink.outputDone, 1);  // exactly one notice
  EXPECT_EQ(p.devices.OutPosition(), 4000u);
  EXPECT_EQ(p.devices.Calls(SimCall::GetPosition), 5);
}

TEST(SimulatedWaveOut, GetPosition_ManySmallStepsEqualOneLargeStep) {
  Playback p(Pcm(11025, 8, 1), 100000);
  p.Start();
  for (int i = 0; i < 10000; ++i) p.devices.Advance(microseconds(1));
  EXPECT_EQ(p.Position(), 110u);  // 10 ms x 11025 Hz = 110.25 frames
  p.devices.Advance(microseconds(90000));
  EXPECT_EQ(p.Position(), 1102u);  // 100 ms: 1102.5
}

TEST(SimulatedWaveOut, Write_BlocksPlayInOrderAndABrokenLastFrameStillEnds) {
  Playback p(Pcm(8000, 16, 2), 402);  // 100.5 frames
  WAVEHDR second = p.hdr;
  second.dwFlags = 0;
  second.dwBufferLength = 400;
  p.Start();
  ASSERT_TRUE(p.out->Prepare(second).ok());
  ASSERT_TRUE(p.out->Write(second).ok());
  EXPECT_EQ(p.devices.LastWriteData(), p.data.data());
  EXPECT_EQ(p.devices.LastWriteBytes(), 400u);

  p.devices.Advance(microseconds(12500));  // 100 frames
  EXPECT_EQ(p.sink.outputDone, 0);
  EXPECT_EQ(p.Position(), 400u);
  p.devices.Advance(microseconds(125));  // the part frame takes a whole frame's time
  EXPECT_EQ(p.sink.outputDone, 1);
  EXPECT_EQ(p.Position(), 400u);  // 402 played, reported in whole frames
  p.devices.Advance(microseconds(12500));
  EXPECT_EQ(p.sink.outputDone, 2);
  EXPECT_EQ(p.Position(), 800u);  // whole frames of 802 bytes
}

TEST(SimulatedWaveOut, Destroy_DropsQueuedBlockWithoutNotice) {
  Playback p(Pcm(8000, 8, 1), 100);
  p.Start();
  p.out.reset();
  p.devices.Advance(milliseconds(100));
  EXPECT_EQ(p.sink.outputDone, 0);
  EXPECT_FALSE(p.devices.OutOpen());
  EXPECT_EQ(p.devices.LiveOut(), nullptr);
}

// --- injected refusals ---

TEST(SimulatedDevices, Refuse_NextCallOnlyOrUntilClearedWithCodeAndText) {
  const SimCall calls[] = {SimCall::OpenOut,   SimCall::OpenIn,      SimCall::PrepareOut,
                           SimCall::Write,     SimCall::GetPosition, SimCall::PrepareIn,
                           SimCall::AddBuffer, SimCall::Start};
  for (SimCall call : calls) {
    for (SimRefusal how : {SimRefusal::NextCallOnly, SimRefusal::UntilCleared}) {
      SimTestDevices devices;
      Recorder sink;
      std::vector<std::uint8_t> bytes(64);
      WAVEHDR hdr;
      hdr.lpData = bytes.data();
      hdr.dwBufferLength = 64;
      // Runs `call`, with whatever must precede it done first on fresh objects.
      auto attempt = [&]() -> DeviceResult {
        std::unique_ptr<WaveOutDevice> out;
        std::unique_ptr<WaveInDevice> in;
        const bool isIn = call == SimCall::OpenIn || call == SimCall::PrepareIn ||
                          call == SimCall::AddBuffer || call == SimCall::Start;
        hdr.dwFlags = 0;
        if (!isIn) {
          DeviceResult r = devices.OpenOut(Pcm(8000, 8, 1), sink, out);
          if (call == SimCall::OpenOut || !r.ok()) return r;
          if (call == SimCall::GetPosition) {
            MMTIME t;
            return out->GetPosition(t);
          }
          r = out->Prepare(hdr);
          if (call == SimCall::PrepareOut || !r.ok()) return r;
          r = out->Write(hdr);
          EXPECT_EQ(devices.LiveOut()->QueuedBlocks(), r.ok() ? 1u : 0u);  // refusal: no change
          return r;
        }
        DeviceResult r = devices.OpenIn(Pcm(8000, 8, 1), sink, in);
        if (call == SimCall::OpenIn || !r.ok()) return r;
        if (call == SimCall::Start) {
          r = in->Start();
          EXPECT_EQ(devices.LiveIn()->Started(), r.ok());
          return r;
        }
        r = in->Prepare(hdr);
        if (call == SimCall::PrepareIn) {
          EXPECT_EQ((hdr.dwFlags & WHDR_PREPARED) != 0, r.ok());
          return r;
        }
        r = in->AddBuffer(hdr);
        EXPECT_EQ(devices.LiveIn()->QueuedBuffers(), r.ok() ? 1u : 0u);
        if (r.ok()) in->Reset();
        return r;
      };
      SCOPED_TRACE(static_cast<int>(call));
      devices.Refuse(call, 7, "Device busy", how);
      DeviceResult r = attempt();
      EXPECT_EQ(r.code, 7);
      EXPECT_EQ(r.text, "Device busy");
      EXPECT_EQ(attempt().ok(), how == SimRefusal::NextCallOnly);
      devices.ClearRefusal(call);
      EXPECT_TRUE(attempt().ok());
      EXPECT_EQ(devices.Calls(call), 3);
    }
  }
}

TEST(SimulatedDevices, Refuse_CodeZeroStillFails) {
  SimTestDevices devices;
  Recorder sink;
  std::unique_ptr<WaveOutDevice> out;
  devices.Refuse(SimCall::OpenOut, 0, "no");
  EXPECT_EQ(devices.OpenOut(Pcm(8000, 8, 1), sink, out).code, -1);
  EXPECT_FALSE(out);
  EXPECT_EQ(devices.Description(), "Simulated sound device (no sound card found)");
}

TEST(SimulatedDevices, LoseServer_RefusesOpensUntilRestored) {
  SimTestDevices devices;
  Recorder sink;
  std::unique_ptr<WaveOutDevice> out;
  std::unique_ptr<WaveInDevice> in;
  devices.LoseServer();
  EXPECT_EQ(devices.OpenOut(Pcm(8000, 8, 1), sink, out).code, SimError::kLost);
  EXPECT_EQ(devices.OpenIn(Pcm(8000, 8, 1), sink, in).code, SimError::kLost);
  EXPECT_TRUE(!out && !in && sink.posts.empty());
  devices.RestoreServer();
  EXPECT_TRUE(devices.OpenOut(Pcm(8000, 8, 1), sink, out).ok());
  EXPECT_TRUE(devices.OpenIn(Pcm(8000, 8, 1), sink, in).ok());
}

// --- capture ---

TEST(SimulatedWaveIn, Start_FillsBuffersInOrderWithSignalBytesAt8Bits) {
  Capture c(Pcm(8000, 8, 1), 3, 100);  // 12.5 ms a buffer
  c.devices.SetInputSignal([](std::uint64_t f) { return static_cast<double>(f % 5) / 2 - 1; });
  ASSERT_TRUE(c.in->AddBuffer(c.hdrs[0]).ok());
  ASSERT_TRUE(c.in->AddBuffer(c.hdrs[1]).ok());
  c.devices.Advance(milliseconds(50));  // not started: nothing moves
  EXPECT_TRUE(c.sink.posts.empty());
  ASSERT_TRUE(c.in->Start().ok());
  ASSERT_TRUE(c.in->AddBuffer(c.hdrs[2]).ok());  // added after the start
  c.devices.Advance(microseconds(12499));
  EXPECT_TRUE(c.sink.posts.empty());
  c.devices.Advance(microseconds(1));
  ASSERT_EQ(c.sink.posts.size(), 1u);
  c.devices.Advance(microseconds(25000));

  ASSERT_EQ(c.sink.posts.size(), 3u);
  const std::uint8_t expected[5] = {0, 64, 128, 192, 255};  // -1, -0.5, 0, 0.5, 1 (clipped)
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(c.sink.posts[k], &c.hdrs[k]);
    EXPECT_EQ(c.hdrs[k].dwBytesRecorded, 100u);
    EXPECT_EQ(c.hdrs[k].dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(c.buffers[k][i], expected[(k * 100 + i) % 5]);
  }
}

TEST(SimulatedWaveIn, Start_WritesSixteenBitLittleEndianOnEveryChannel) {
  Capture c(Pcm(8000, 16, 2), 1, 16);  // 4 frames
  c.devices.SetInputSignal([](std::uint64_t f) {
    const double v[4] = {-1.0, 0.5, 1.0, -0.25};
    return v[f % 4];
  });
  ASSERT_TRUE(c.in->AddBuffer(c.hdrs[0]).ok());
  ASSERT_TRUE(c.in->Start().ok());
  c.devices.Advance(microseconds(500));
  ASSERT_EQ(c.sink.posts.size(), 1u);
  const std::vector<std::uint8_t> expected = {0x00, 0x80, 0x00, 0x80, 0x00, 0x40, 0x00, 0x40,
                                              0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0xE0, 0x00, 0xE0};
  EXPECT_EQ(c.buffers[0], expected);
}

TEST(SimulatedWaveIn, Start_WithoutSignalRecordsSilenceAndLosesFramesWithoutBuffer) {
  Capture c8(Pcm(8000, 8, 1), 1, 8);
  ASSERT_TRUE(c8.in->Start().ok());
  c8.devices.Advance(milliseconds(10));  // 80 frames with no buffer: lost
  ASSERT_TRUE(c8.in->AddBuffer(c8.hdrs[0]).ok());
  c8.devices.Advance(milliseconds(1));
  EXPECT_EQ(c8.buffers[0], std::vector<std::uint8_t>(8, 128));

  Capture c16(Pcm(8000, 16, 1), 1, 8);
  c16.devices.SetInputSignal([](std::uint64_t f) { return f < 80 ? 0.0 : 0.5; });
  ASSERT_TRUE(c16.in->Start().ok());
  c16.devices.Advance(milliseconds(10));
  ASSERT_TRUE(c16.in->AddBuffer(c16.hdrs[0]).ok());
  c16.devices.Advance(milliseconds(1));
  EXPECT_EQ(c16.buffers[0][0], 0x00);  // the buffer starts at frame 80, not 0
  EXPECT_EQ(c16.buffers[0][1], 0x40);
}

// --- real clock (waits are generous; nothing asserts on timing) ---

bool WaitForNotice(NoticeQueue& q, std::vector<DeviceNotice>& got) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.empty() && std::chrono::steady_clock::now() < deadline) {
    pollfd p{q.WakeFd(), POLLIN, 0};
    poll(&p, 1, 100);
    q.Drain([&](const DeviceNotice& n) { got.push_back(n); });
  }
  return !got.empty();
}

TEST(SimulatedDevices, RealClock_PlaysFiftyMillisecondBlockAndFillsCaptureBuffer) {
  SimTestDevices devices(SimClockMode::Real);
  NoticeQueue queue;
  std::unique_ptr<WaveOutDevice> out;
  ASSERT_TRUE(devices.OpenOut(Pcm(8000, 16, 1), queue, out).ok());
  std::vector<std::uint8_t> data(800);  // 50 ms
  WAVEHDR hdr;
  hdr.lpData = data.data();
  hdr.dwBufferLength = 800;
  ASSERT_TRUE(out->Prepare(hdr).ok());
  ASSERT_TRUE(out->Write(hdr).ok());
  std::vector<DeviceNotice> got;
  ASSERT_TRUE(WaitForNotice(queue, got));
  EXPECT_EQ(got[0].kind, DeviceNotice::Kind::OutputDone);
  MMTIME t;
  ASSERT_TRUE(out->GetPosition(t).ok());
  EXPECT_EQ(t.cb, 800u);

  std::unique_ptr<WaveInDevice> in;
  devices.SetInputSignal([](std::uint64_t) { return 0.5; });
  ASSERT_TRUE(devices.OpenIn(Pcm(8000, 8, 1), queue, in).ok());
  std::vector<std::uint8_t> buffer(160);  // 20 ms
  hdr = WAVEHDR{};
  hdr.lpData = buffer.data();
  hdr.dwBufferLength = 160;
  ASSERT_TRUE(in->Prepare(hdr).ok());
  ASSERT_TRUE(in->AddBuffer(hdr).ok());
  ASSERT_TRUE(in->Start().ok());
  got.clear();
  ASSERT_TRUE(WaitForNotice(queue, got));
  EXPECT_EQ(got[0].hdr, &hdr);
  EXPECT_EQ(hdr.dwBytesRecorded, 160u);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(160, 192));
  EXPECT_EQ(queue.Dropped(), 0u);
}

}  // namespace
