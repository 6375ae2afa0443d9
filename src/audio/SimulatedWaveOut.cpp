#include "audio/SimulatedWaveOut.h"

#include <algorithm>
#include <utility>

namespace {
DeviceResult StillQueued() {
  return DeviceResult::Error(SimError::kStillQueued,
                             "The device still holds a block; reset it first.");
}
}  // namespace

SimulatedWaveOut::SimulatedWaveOut(std::shared_ptr<SimHooks> hooks, SimClockMode mode,
                                   const WAVEFORMATEX& format, DeviceNoticeSink& sink)
    : SimulatedDevice(std::move(hooks), mode, format, sink) {
  StartWorker();
  hooks_->Register(this);
}

SimulatedWaveOut::~SimulatedWaveOut() {
  hooks_->Unregister(this);  // first: AdvanceAll may be about to call us
  StopWorker();
}

DeviceResult SimulatedWaveOut::Prepare(WAVEHDR& hdr) {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::PrepareOut, lock); !r.ok()) return r;
  if (!hdr.lpData && hdr.dwBufferLength > 0)
    return DeviceResult::Error(SimError::kBadParam, "The block has no data.");
  if (QueuedLocked(hdr)) return StillQueued();
  hdr.dwFlags |= WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveOut::Unprepare(WAVEHDR& hdr) {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::UnprepareOut, lock); !r.ok()) return r;
  if (QueuedLocked(hdr)) return StillQueued();
  hdr.dwFlags &= ~WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveOut::Write(WAVEHDR& hdr) {
  if (DeviceResult r = hooks_->GoneRefusal(); !r.ok()) return r;  // before our lock
  {
    std::unique_lock<std::mutex> lock;
    if (DeviceResult r = Begin(SimCall::Write, lock); !r.ok()) return r;
    if (!(hdr.dwFlags & WHDR_PREPARED))
      return DeviceResult::Error(SimError::kUnprepared, "The block was not prepared.");
    if (QueuedLocked(hdr)) return StillQueued();
    hdr.dwFlags = (hdr.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    queue_.push_back(&hdr);
  }
  WakeWorker();
  hooks_->NoteWrite(hdr.lpData, hdr.dwBufferLength);  // our lock released: lock order
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveOut::GetPosition(MMTIME& time) {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::GetPosition, lock); !r.ok()) return r;
  const std::uint64_t align = format_.nBlockAlign;
  time.cb = static_cast<std::uint32_t>(played_ / align * align);
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveOut::Pause() {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::Pause, lock); !r.ok()) return r;
  paused_ = true;
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveOut::Reset() {
  {
    std::unique_lock<std::mutex> lock;
    if (DeviceResult r = Begin(SimCall::ResetOut, lock); !r.ok()) return r;
    ReturnAllLocked();
    played_ = 0;
    paused_ = false;
    clock_.Restart();
  }
  WakeWorker();
  return DeviceResult::Ok();
}

void SimulatedWaveOut::Lose() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  CatchUpLocked();
  sink_.PostOutputLost();
  ReturnAllLocked();
}

void SimulatedWaveOut::ReturnAllLocked() {
  while (!queue_.empty()) {
    WAVEHDR* hdr = queue_.front();
    queue_.pop_front();
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    sink_.PostOutputDone();
  }
  headPlayed_ = 0;
}

DeviceResult SimulatedWaveOut::Close() {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::CloseOut, lock); !r.ok()) return r;
  if (!queue_.empty()) return StillQueued();
  closed_ = true;
  return DeviceResult::Ok();
}

std::uint64_t SimulatedWaveOut::Position() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  return played_ / format_.nBlockAlign * format_.nBlockAlign;
}

bool SimulatedWaveOut::Paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

std::size_t SimulatedWaveOut::QueuedBlocks() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  return queue_.size();
}

bool SimulatedWaveOut::RunningLocked() const { return !paused_ && !queue_.empty(); }

std::optional<std::uint64_t> SimulatedWaveOut::FramesToNextEventLocked() const {
  if (queue_.empty()) return std::nullopt;
  const std::uint64_t left = queue_.front()->dwBufferLength - headPlayed_;
  return (left + format_.nBlockAlign - 1) / format_.nBlockAlign;  // a last part frame counts
}

void SimulatedWaveOut::ConsumeFramesLocked(std::uint64_t frames) {
  const std::uint32_t align = format_.nBlockAlign;
  while (!queue_.empty()) {
    WAVEHDR* hdr = queue_.front();
    const std::uint32_t left = hdr->dwBufferLength - headPlayed_;
    if (left == 0) {  // played to its end
      queue_.pop_front();
      headPlayed_ = 0;
      hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      sink_.PostOutputDone();
      continue;
    }
    if (frames == 0) break;
    // A block that ends inside a frame takes the whole frame's time (the rest is padding).
    const std::uint64_t need = (left + align - 1) / align;
    const std::uint64_t take = std::min(frames, need);
    const auto bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(take * align, left));
    headPlayed_ += bytes;
    played_ += bytes;
    frames -= take;
  }
}

bool SimulatedWaveOut::QueuedLocked(const WAVEHDR& hdr) const {
  return std::find(queue_.begin(), queue_.end(), &hdr) != queue_.end();
}
