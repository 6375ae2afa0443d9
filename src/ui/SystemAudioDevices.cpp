#include "SystemAudioDevices.h"

#include "audio/SimulatedDevices.h"

// Until the sound card backend is wired in, every machine gets the simulated device.
std::unique_ptr<AudioDevices> MakeSystemAudioDevices() {
  return std::make_unique<SimulatedDevices>(SimClockMode::Real);
}
