#pragma once
// Opens playback and capture devices: the real sound card's defaults, or a simulation.
// The main window receives one of these at construction; tests pass their own.
// GUI thread only.

#include <memory>
#include <string>

#include "audio/DeviceNoticeSink.h"
#include "audio/WaveInDevice.h"
#include "audio/WaveOutDevice.h"

class AudioDevices {
public:
  virtual ~AudioDevices() = default;
  // On success `out` holds the open device; otherwise it stays empty and the result
  // carries the device's text. The sink must outlive the device.
  virtual DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                               std::unique_ptr<WaveOutDevice>& out) = 0;
  virtual DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                              std::unique_ptr<WaveInDevice>& out) = 0;
  // One line saying which devices these are, for the About box.
  virtual std::string Description() const = 0;
};
