#pragma once
// A capture device without a microphone: once started it records the simulation's test
// signal at nAvgBytesPerSec, whole frames at a time, into the added buffers in the order
// they were added. Each full buffer leaves the queue with dwBytesRecorded = its length and
// WHDR_DONE, and is posted with PostInputData. Frames that arrive while no buffer waits
// are lost, as on a real device. Samples: 8-bit unsigned (silence 128) or 16-bit signed
// little-endian, the same value on every channel.
//
// Device calls: GUI thread. The inspectors: any thread. Destroying the device drops the
// queued buffers without a notice.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "audio/SimulatedDevice.h"
#include "audio/WaveInDevice.h"

class SimulatedWaveIn final : public WaveInDevice, public SimulatedDevice {
public:
  // The format must already have been checked. Registers with `hooks`.
  SimulatedWaveIn(std::shared_ptr<SimHooks> hooks, SimClockMode mode, const WAVEFORMATEX& format,
                  DeviceNoticeSink& sink, SimSignal signal);
  ~SimulatedWaveIn() override;

  DeviceResult Prepare(WAVEHDR& hdr) override;
  DeviceResult Unprepare(WAVEHDR& hdr) override;  // refused while the buffer is queued
  DeviceResult AddBuffer(WAVEHDR& hdr) override;
  DeviceResult Start() override;
  // Stops capture and returns every queued buffer, oldest first: the one being filled with
  // the bytes it holds, the others with 0. Frame numbering starts again at 0.
  DeviceResult Reset() override;
  DeviceResult Close() override;  // refused while buffers are queued: reset first

  void SetSignal(SimSignal signal);  // from a hook, under its lock
  // The sound server died (from a hook, under its lock): posts the lost notice and fills
  // nothing more; the queued buffers wait for Reset.
  void Lose();

  // Inspection for tests; not counted as calls. They catch up with the real clock first.
  bool Started() const;
  std::size_t QueuedBuffers();
  std::uint64_t FramesCaptured();  // since open or the last Reset, buffers or not

private:
  bool RunningLocked() const override;
  std::optional<std::uint64_t> FramesToNextEventLocked() const override;
  void ConsumeFramesLocked(std::uint64_t frames) override;
  bool QueuedLocked(const WAVEHDR& hdr) const;
  std::uint8_t StreamByteLocked(std::uint64_t offset);  // byte `offset` of the capture

  SimSignal signal_;
  std::deque<WAVEHDR*> queue_;    // added buffers not yet returned; front fills
  std::uint32_t headFilled_ = 0;  // bytes already in the front buffer
  bool started_ = false;
  std::uint64_t frames_ = 0;                // frames captured since open or Reset
  std::uint64_t delivered_ = 0;             // bytes of those frames put in buffers or lost
  std::uint64_t cachedFrame_ = UINT64_MAX;  // frame whose bytes are in cachedBytes_
  std::array<std::uint8_t, 4> cachedBytes_{};
};
