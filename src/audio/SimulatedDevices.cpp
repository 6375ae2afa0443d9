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

// The steps both opens take: note the request, let a refusal answer, check the format,
// then build the device with `make` (its clock thread may fail to start).
template <class Interface, class Make>
DeviceResult OpenDevice(SimHooks& hooks, SimCall call, const WAVEFORMATEX& format,
                        std::unique_ptr<Interface>& out, Make make) {
  hooks.NoteOpenRequest(call, format);
  if (DeviceResult r = hooks.Enter(call); !r.ok()) return r;
  if (DeviceResult r = hooks.GoneRefusal(); !r.ok()) return r;
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

SimulatedDevices::SimulatedDevices(SimClockMode mode, std::string description,
                                   std::shared_ptr<SimHooks> hooks)
    : hooks_(std::move(hooks)), mode_(mode), description_(std::move(description)) {}

std::string SimulatedDevices::FormatProblem(const WAVEFORMATEX& format) {
  return PcmFormatProblem(format, kSimulatedDeviceLimits);
}

DeviceResult SimulatedDevices::OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                       std::unique_ptr<WaveOutDevice>& out) {
  return OpenDevice(*hooks_, SimCall::OpenOut, format, out, [&] {
    return std::make_unique<SimulatedWaveOut>(hooks_, mode_, format, sink);
  });
}

DeviceResult SimulatedDevices::OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                      std::unique_ptr<WaveInDevice>& out) {
  return OpenDevice(*hooks_, SimCall::OpenIn, format, out, [&] {
    return std::make_unique<SimulatedWaveIn>(hooks_, mode_, format, sink, hooks_->Signal());
  });
}
