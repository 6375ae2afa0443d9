#pragma once
// The machine's default output and input devices, through PortAudio. Constructing it
// initialises PortAudio (PortAudioSession), which may take a while: see DefaultAudioDevices
// for the variant that keeps start-up from waiting.
//
// Construction: any thread. The AudioDevices calls: GUI thread. The devices it opens share
// its PortAudio session and may outlive it.

#include <memory>
#include <string>

#include "audio/AudioDevices.h"
#include "audio/portaudio/PortAudioOutDevice.h"

class PortAudioSession;

class PortAudioDevices final : public AudioDevices {
public:
  PortAudioDevices();
  ~PortAudioDevices() override;

  bool HasOutput() const;  // the machine has a default output device
  bool HasInput() const;
  // Why PortAudio could not be initialised; empty when it was.
  const std::string& InitError() const;

  DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override;
  DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override;
  // e.g. "PortAudio V19.6.0-devel: output “default” (ALSA), input “default” (ALSA)"
  std::string Description() const override;

  std::string System() const;      // e.g. "PortAudio V19.6.0-devel"
  std::string OutputName() const;  // "“default” (ALSA)", or "no device"
  std::string InputName() const;

private:
  std::shared_ptr<PortAudioSession> session_;
  PortAudioOutDevice::Accepted accepted_;
};
