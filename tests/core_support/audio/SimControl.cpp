#include "audio/SimControl.h"

#include <algorithm>
#include <utility>

#include "audio/SimulatedWaveIn.h"
#include "audio/SimulatedWaveOut.h"

namespace {
std::size_t Index(SimCall call) { return static_cast<std::size_t>(call); }
}  // namespace

DeviceResult SimControl::Enter(SimCall call) {
  std::lock_guard lock(mutex_);
  ++counts_[Index(call)];
  Refusal& refusal = refusals_[Index(call)];
  if (!refusal.active) return DeviceResult::Ok();
  DeviceResult result = DeviceResult::Error(refusal.code, refusal.text);
  if (refusal.how == SimRefusal::NextCallOnly) refusal = Refusal{};
  return result;
}

void SimControl::Refuse(SimCall call, int code, std::string text, SimRefusal how) {
  std::lock_guard lock(mutex_);
  refusals_[Index(call)] = Refusal{true, how, code, std::move(text)};
}

void SimControl::ClearRefusal(SimCall call) {
  std::lock_guard lock(mutex_);
  refusals_[Index(call)] = Refusal{};
}

int SimControl::Calls(SimCall call) const {
  std::lock_guard lock(mutex_);
  return counts_[Index(call)];
}

void SimControl::NoteOpenRequest(SimCall call, const WAVEFORMATEX& format) {
  std::lock_guard lock(mutex_);
  (call == SimCall::OpenIn ? lastInFormat_ : lastOutFormat_) = format;
}

std::optional<WAVEFORMATEX> SimControl::LastFormat(SimCall openCall) const {
  std::lock_guard lock(mutex_);
  return openCall == SimCall::OpenIn ? lastInFormat_ : lastOutFormat_;
}

void SimControl::NoteWrite(const std::uint8_t* data, std::uint32_t bytes) {
  std::lock_guard lock(mutex_);
  lastWriteData_ = data;
  lastWriteBytes_ = bytes;
}

std::pair<const std::uint8_t*, std::uint32_t> SimControl::LastWrite() const {
  std::lock_guard lock(mutex_);
  return {lastWriteData_, lastWriteBytes_};
}

void SimControl::SetSignal(SimSignal signal) {
  std::lock_guard lock(mutex_);
  signal_ = std::move(signal);
  for (SimulatedWaveIn* in : ins_) in->SetSignal(signal_);
}

SimSignal SimControl::Signal() const {
  std::lock_guard lock(mutex_);
  return signal_;
}

void SimControl::Register(SimulatedWaveOut* device) {
  std::lock_guard lock(mutex_);
  outs_.push_back(device);
}

void SimControl::Register(SimulatedWaveIn* device) {
  std::lock_guard lock(mutex_);
  ins_.push_back(device);
}

void SimControl::Unregister(SimulatedWaveOut* device) {
  std::lock_guard lock(mutex_);
  std::erase(outs_, device);
}

void SimControl::Unregister(SimulatedWaveIn* device) {
  std::lock_guard lock(mutex_);
  std::erase(ins_, device);
}

SimulatedWaveOut* SimControl::NewestOut() const {
  std::lock_guard lock(mutex_);
  return outs_.empty() ? nullptr : outs_.back();
}

SimulatedWaveIn* SimControl::NewestIn() const {
  std::lock_guard lock(mutex_);
  return ins_.empty() ? nullptr : ins_.back();
}

void SimControl::AdvanceAll(std::chrono::microseconds dt) {
  // Holding our lock keeps every listed device alive (its destructor unregisters first).
  std::lock_guard lock(mutex_);
  for (SimulatedWaveOut* out : outs_) out->AdvanceBy(dt);
  for (SimulatedWaveIn* in : ins_) in->AdvanceBy(dt);
}

void SimControl::LoseAll() {
  std::lock_guard lock(mutex_);  // keeps the listed devices alive, as in AdvanceAll
  gone_ = true;
  for (SimulatedWaveOut* out : outs_) out->Lose();
  for (SimulatedWaveIn* in : ins_) in->Lose();
}

void SimControl::SetGone(bool gone) {
  std::lock_guard lock(mutex_);
  gone_ = gone;
}

DeviceResult SimControl::GoneRefusal() const {
  std::lock_guard lock(mutex_);
  if (!gone_) return DeviceResult::Ok();
  return DeviceResult::Error(SimError::kLost, "The sound server is not running.");
}
