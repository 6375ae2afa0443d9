#pragma once
// Common ground of the simulated playback and capture devices: the lock, the frame clock
// and, in real-clock mode, the worker thread that sleeps until the next notice falls due
// (end of the playing block, a capture buffer full) and moves the device on. No polling:
// the worker waits on a condition variable that every state change signals.
//
// Threads: the device's own calls come from the GUI thread; AdvanceBy from the test (virtual
// clock); the worker runs only in real-clock mode. Everything below runs under mutex_.
// A derived class must call StopWorker() first thing in its destructor, so that the worker
// never calls into a half-destroyed object.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/DeviceNoticeSink.h"
#include "audio/DeviceResult.h"
#include "audio/SimFrameClock.h"
#include "audio/SimHooks.h"
#include "base/wavetypes.h"

class SimulatedDevice {
public:
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  const WAVEFORMATEX& Format() const { return format_; }
  bool Closed() const;

  // Virtual clock: let `dt` pass, posting the notices that fall due. Any thread.
  void AdvanceBy(std::chrono::microseconds dt);

protected:
  SimulatedDevice(std::shared_ptr<SimHooks> hooks, SimClockMode mode, const WAVEFORMATEX& format,
                  DeviceNoticeSink& sink);
  virtual ~SimulatedDevice();

  // Real-clock mode only; the derived constructor calls StartWorker last. May throw
  // std::system_error when no thread can be made.
  void StartWorker();
  void StopWorker();
  void WakeWorker() { wake_.notify_one(); }

  // Opens a device call: counts it, applies an injected refusal, catches up with the real
  // clock and refuses calls on a closed device. On success `lock` holds mutex_.
  DeviceResult Begin(SimCall call, std::unique_lock<std::mutex>& lock);

  // --- with mutex_ held ---
  // Time moves the device on (playing, capturing).
  virtual bool RunningLocked() const = 0;
  // Frames until the next notice falls due; nullopt when none will without a new call.
  virtual std::optional<std::uint64_t> FramesToNextEventLocked() const = 0;
  // `frames` whole frames have passed while running (may be 0: settle what is due now).
  virtual void ConsumeFramesLocked(std::uint64_t frames) = 0;
  void AdvanceLocked(std::uint64_t us);
  void CatchUpLocked();  // real clock: advance by the time since the last catch-up

  std::shared_ptr<SimHooks> hooks_;
  const SimClockMode mode_;
  const WAVEFORMATEX format_;
  DeviceNoticeSink& sink_;
  mutable std::mutex mutex_;
  SimFrameClock clock_;
  bool closed_ = false;

private:
  void WorkerLoop();

  std::condition_variable wake_;
  std::chrono::steady_clock::time_point lastCatchUp_;
  bool quit_ = false;
  std::thread worker_;
};
