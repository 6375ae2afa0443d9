#pragma once
// A playback device without sound: written blocks "play" in order at nAvgBytesPerSec,
// whole frames at a time, on the simulation's clock. Each block posts one PostOutputDone
// when its last byte has played or when Reset returns it. The bytes are never read.
//
// Device calls: GUI thread. The inspectors (Position, Paused, QueuedBlocks): any thread.
// Destroying the device drops any queued block without a notice.

#include <cstdint>
#include <deque>
#include <memory>

#include "audio/SimulatedDevice.h"
#include "audio/WaveOutDevice.h"

class SimulatedWaveOut final : public WaveOutDevice, public SimulatedDevice {
public:
  // The format must already have been checked. Registers with `hooks`.
  SimulatedWaveOut(std::shared_ptr<SimHooks> hooks, SimClockMode mode, const WAVEFORMATEX& format,
                   DeviceNoticeSink& sink);
  ~SimulatedWaveOut() override;

  DeviceResult Prepare(WAVEHDR& hdr) override;
  DeviceResult Unprepare(WAVEHDR& hdr) override;
  DeviceResult Write(WAVEHDR& hdr) override;
  // Bytes played since open or the last Reset, in whole frames (wraps at 4 GiB, like cb).
  DeviceResult GetPosition(MMTIME& time) override;
  // Holds the position; the queued blocks wait. Only Reset lets the device play again.
  DeviceResult Pause() override;
  // Stops, returns every queued block at once (one notice each, oldest first), sets the
  // position back to 0 and ends a pause.
  DeviceResult Reset() override;
  // Refused while a block is queued: the caller resets first.
  DeviceResult Close() override;

  // The sound server died (from a hook, under its lock): posts the lost notice, then
  // returns every queued block with its notice; the position stays where it was.
  void Lose();

  // Inspection for tests; not counted as calls. They catch up with the real clock first.
  std::uint64_t Position();  // bytes, as GetPosition would answer
  bool Paused() const;
  std::size_t QueuedBlocks();

private:
  bool RunningLocked() const override;
  std::optional<std::uint64_t> FramesToNextEventLocked() const override;
  void ConsumeFramesLocked(std::uint64_t frames) override;
  bool QueuedLocked(const WAVEHDR& hdr) const;
  void ReturnAllLocked();  // every queued block done, oldest first, one notice each

  std::deque<WAVEHDR*> queue_;    // written blocks not yet done; front plays
  std::uint32_t headPlayed_ = 0;  // bytes of the front block already played
  std::uint64_t played_ = 0;      // bytes played since open or Reset
  bool paused_ = false;
};
