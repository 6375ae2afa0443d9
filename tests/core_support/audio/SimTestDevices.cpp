#include "audio/SimTestDevices.h"

#include <utility>

#include "audio/SimulatedWaveIn.h"
#include "audio/SimulatedWaveOut.h"

SimTestDevices::SimTestDevices(SimClockMode mode, std::string description)
    : SimTestDevices(mode, std::move(description), std::make_shared<SimControl>()) {}

SimTestDevices::SimTestDevices(SimClockMode mode, std::string description,
                               std::shared_ptr<SimControl> control)
    : SimulatedDevices(mode, std::move(description), control), control_(std::move(control)) {}

void SimTestDevices::Refuse(SimCall call, int code, std::string text, SimRefusal how) {
  control_->Refuse(call, code, std::move(text), how);
}

void SimTestDevices::ClearRefusal(SimCall call) { control_->ClearRefusal(call); }

void SimTestDevices::SetInputSignal(SimSignal signal) { control_->SetSignal(std::move(signal)); }

void SimTestDevices::Advance(std::chrono::microseconds dt) {
  if (Mode() == SimClockMode::Virtual) control_->AdvanceAll(dt);
}

void SimTestDevices::LoseServer() { control_->LoseAll(); }

void SimTestDevices::RestoreServer() { control_->SetGone(false); }

int SimTestDevices::Calls(SimCall call) const { return control_->Calls(call); }

std::optional<WAVEFORMATEX> SimTestDevices::LastOutFormat() const {
  return control_->LastFormat(SimCall::OpenOut);
}

std::optional<WAVEFORMATEX> SimTestDevices::LastInFormat() const {
  return control_->LastFormat(SimCall::OpenIn);
}

const std::uint8_t* SimTestDevices::LastWriteData() const { return control_->LastWrite().first; }

std::uint32_t SimTestDevices::LastWriteBytes() const { return control_->LastWrite().second; }

bool SimTestDevices::OutOpen() const {
  const SimulatedWaveOut* out = control_->NewestOut();
  return out && !out->Closed();
}

bool SimTestDevices::InOpen() const {
  const SimulatedWaveIn* in = control_->NewestIn();
  return in && !in->Closed();
}

std::uint64_t SimTestDevices::OutPosition() const {
  SimulatedWaveOut* out = control_->NewestOut();
  return out ? out->Position() : 0;
}

SimulatedWaveOut* SimTestDevices::LiveOut() const { return control_->NewestOut(); }

SimulatedWaveIn* SimTestDevices::LiveIn() const { return control_->NewestIn(); }
