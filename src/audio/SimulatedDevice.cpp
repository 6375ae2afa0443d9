#include "audio/SimulatedDevice.h"

#include <utility>

SimulatedDevice::SimulatedDevice(std::shared_ptr<SimHooks> hooks, SimClockMode mode,
                                 const WAVEFORMATEX& format, DeviceNoticeSink& sink)
    : hooks_(std::move(hooks)),
      mode_(mode),
      format_(format),
      sink_(sink),
      clock_(format.nSamplesPerSec),
      lastCatchUp_(std::chrono::steady_clock::now()) {}

SimulatedDevice::~SimulatedDevice() { StopWorker(); }

bool SimulatedDevice::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

void SimulatedDevice::StartWorker() {
  if (mode_ != SimClockMode::Real) return;
  worker_ = std::thread([this] { WorkerLoop(); });
}

void SimulatedDevice::StopWorker() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void SimulatedDevice::AdvanceBy(std::chrono::microseconds dt) {
  if (mode_ != SimClockMode::Virtual || dt.count() <= 0) return;
  std::lock_guard lock(mutex_);
  if (!closed_) AdvanceLocked(static_cast<std::uint64_t>(dt.count()));
}

DeviceResult SimulatedDevice::Begin(SimCall call, std::unique_lock<std::mutex>& lock) {
  DeviceResult refused = hooks_->Enter(call);  // before our lock: see the lock order
  if (!refused.ok()) return refused;
  lock = std::unique_lock(mutex_);
  CatchUpLocked();
  if (closed_) {
    lock.unlock();
    return DeviceResult::Error(SimError::kClosed, "The sound device has already been closed.");
  }
  return DeviceResult::Ok();
}

void SimulatedDevice::AdvanceLocked(std::uint64_t us) {
  if (!RunningLocked()) {
    clock_.Restart();  // idle time does not count towards the next frame
    return;
  }
  ConsumeFramesLocked(clock_.Advance(us));
  if (!RunningLocked()) clock_.Restart();
}

void SimulatedDevice::CatchUpLocked() {
  if (mode_ != SimClockMode::Real) return;
  const auto now = std::chrono::steady_clock::now();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - lastCatchUp_);
  lastCatchUp_ += us;  // keep the sub-microsecond rest for the next catch-up
  if (!closed_) AdvanceLocked(static_cast<std::uint64_t>(us.count()));
}

void SimulatedDevice::WorkerLoop() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    CatchUpLocked();
    std::optional<std::uint64_t> frames;
    if (!closed_ && RunningLocked()) frames = FramesToNextEventLocked();
    if (!frames) {
      wake_.wait(lock);  // nothing due until a call changes the state
    } else {
      // A wake-up a little early just leads to a shorter second wait.
      const std::uint64_t us = clock_.MicrosUntil(*frames);
      wake_.wait_for(lock, std::chrono::microseconds(us == 0 ? 1 : us));
    }
  }
}
