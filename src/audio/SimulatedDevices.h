#pragma once
// Sound devices without a sound card: silent playback and capture on the steady clock for
// a machine with no device, a screenshot run or a CPU benchmark (SimClockMode::Real), or on
// a clock the tests move (Virtual). Accepts PCM with 8 or 16 bits, 1 or 2 channels,
// 1..384000 Hz, consistent nBlockAlign and nAvgBytesPerSec (kSimulatedDeviceLimits).
// Optional hooks see every device call and may refuse it (audio/SimHooks.h).
//
// The AudioDevices calls and the device objects belong to the GUI thread. The devices
// opened here may outlive this object (they share its hooks).

#include <memory>
#include <string>

#include "audio/AudioDevices.h"
#include "audio/SimHooks.h"

class SimulatedDevices : public AudioDevices {
public:
  static constexpr const char* kDefaultDescription = "Simulated sound device (no sound card found)";

  explicit SimulatedDevices(SimClockMode mode, std::string description = kDefaultDescription,
                            std::shared_ptr<SimHooks> hooks = std::make_shared<SimHooks>());

  DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override;
  DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override;
  std::string Description() const override { return description_; }

  SimClockMode Mode() const { return mode_; }

  // Empty when the device can take `format`, otherwise why not (one English line).
  static std::string FormatProblem(const WAVEFORMATEX& format);

private:
  std::shared_ptr<SimHooks> hooks_;
  SimClockMode mode_;
  std::string description_;
};
