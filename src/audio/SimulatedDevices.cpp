#include "audio/SimulatedDevices.h"

#include <system_error>
#include <utility>

#include "audio/SimulatedWaveIn.h"
#include "audio/SimulatedWaveOut.h"
#include "base/PcmFormat.h"

namespace {
DeviceResult NoThread() {
  return DeviceResult::Error(SimError::kBadParam,
                             "The simulated device could not start its clock.");
}

// The steps both opens take: note the request, let a planned refusal answer, check the
// format, then build the device with `make` (its clock thread may fail to start).
template <class Interface, class Make>
DeviceResult OpenDevice(SimControl& control, SimCall call, const WAVEFORMATEX& format,
                        std::unique_ptr<Interface>& out, Make make) {
  control.NoteOpenRequest(call, format);
  if (DeviceResult r = control.Enter(call); !r.ok()) return r;
  if (DeviceResult r = control.GoneRefusal(); !r.ok()) return r;
  if (std::string problem = SimulatedDevices::FormatProblem(format); !problem.empty())
    return DeviceResult::Error(SimError::kBadFormat, std::move(problem));
  try {
    out = make();
  } catch (const std::system_error&) {
    return NoThread();
  }
  return DeviceResult::Ok();
}
}  // namespace

SimulatedDevices::SimulatedDevices(SimClockMode mode, std::string description)
    : control_(std::make_shared<SimControl>()), mode_(mode), description_(std::move(description)) {}

std::string SimulatedDevices::FormatProblem(const WAVEFORMATEX& format) {
  return PcmFormatProblem(format, kSimulatedDeviceLimits);
}

DeviceResult SimulatedDevices::OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                       std::unique_ptr<WaveOutDevice>& out) {
  return OpenDevice(*control_, SimCall::OpenOut, format, out, [&] {
    return std::make_unique<SimulatedWaveOut>(control_, mode_, format, sink);
  });
}

DeviceResult SimulatedDevices::OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                      std::unique_ptr<WaveInDevice>& out) {
  return OpenDevice(*control_, SimCall::OpenIn, format, out, [&] {
    return std::make_unique<SimulatedWaveIn>(control_, mode_, format, sink, control_->Signal());
  });
}

void SimulatedDevices::Refuse(SimCall call, int code, std::string text, SimRefusal how) {
  control_->Refuse(call, code, std::move(text), how);
}

void SimulatedDevices::ClearRefusal(SimCall call) { control_->ClearRefusal(call); }

void SimulatedDevices::SetInputSignal(SimSignal signal) { control_->SetSignal(std::move(signal)); }

void SimulatedDevices::Advance(std::chrono::microseconds dt) {
  if (mode_ == SimClockMode::Virtual) control_->AdvanceAll(dt);
}

void SimulatedDevices::LoseServer() { control_->LoseAll(); }

void SimulatedDevices::RestoreServer() { control_->SetGone(false); }

int SimulatedDevices::Calls(SimCall call) const { return control_->Calls(call); }

std::optional<WAVEFORMATEX> SimulatedDevices::LastOutFormat() const {
  return control_->LastFormat(SimCall::OpenOut);
}

std::optional<WAVEFORMATEX> SimulatedDevices::LastInFormat() const {
  return control_->LastFormat(SimCall::OpenIn);
}

const std::uint8_t* SimulatedDevices::LastWriteData() const { return control_->LastWrite().first; }

std::uint32_t SimulatedDevices::LastWriteBytes() const { return control_->LastWrite().second; }

bool SimulatedDevices::OutOpen() const {
  const SimulatedWaveOut* out = control_->NewestOut();
  return out && !out->Closed();
}

bool SimulatedDevices::InOpen() const {
  const SimulatedWaveIn* in = control_->NewestIn();
  return in && !in->Closed();
}

std::uint64_t SimulatedDevices::OutPosition() const {
  SimulatedWaveOut* out = control_->NewestOut();
  return out ? out->Position() : 0;
}

SimulatedWaveOut* SimulatedDevices::LiveOut() const { return control_->NewestOut(); }

SimulatedWaveIn* SimulatedDevices::LiveIn() const { return control_->NewestIn(); }
