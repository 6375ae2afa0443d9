#pragma once
// The devices the program plays and records with: the machine's default devices through
// PortAudio where it has them, and a silent simulated device on the real clock for a
// direction (playback or recording) it has none for. The user is told once, quietly: one
// line on stderr when the probe ends, and a line in Description() (the About box).
//
// Start-up never waits for the sound system: the constructor only starts a thread that
// initialises PortAudio. The first OpenOut, OpenIn or Description waits for that thread;
// they come after a user action. The destructor waits for it as well; PortAudio ends once
// the devices opened through it are gone too.
//
// GUI thread only. The probe thread touches nothing of this object until it is joined.

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "audio/AudioDevices.h"

class SimulatedDevices;

class DefaultAudioDevices final : public AudioDevices {
 public:
  // What a probe found. `devices` may be null when neither direction exists.
  struct Found {
    std::unique_ptr<AudioDevices> devices;
    bool output = false;
    bool input = false;
    std::string system;      // e.g. "PortAudio V19.6.0-devel"
    std::string outputName;  // e.g. "“default” (ALSA)"
    std::string inputName;
    std::string error;       // why the sound system could not start, if it could not
  };
  using Probe = std::function<Found()>;

  // Probes PortAudio's default devices.
  DefaultAudioDevices();
  // Runs `probe` on the probe thread instead (tests).
  explicit DefaultAudioDevices(Probe probe);
  ~DefaultAudioDevices() override;
  DefaultAudioDevices(const DefaultAudioDevices&) = delete;
  DefaultAudioDevices& operator=(const DefaultAudioDevices&) = delete;

  DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override;
  DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override;
  std::string Description() const override;

  // Waits for the probe; then whether playback and recording reach a real device.
  bool RealOutput() const;
  bool RealInput() const;

  static Found ProbePortAudio();

 private:
  void AwaitProbe() const;
  static std::string Notice(const Found& found);  // the stderr line; empty when all is real

  Probe probe_;
  mutable std::thread thread_;
  mutable bool probed_ = false;
  mutable Found found_;  // written by the probe thread, read after the join
  mutable std::unique_ptr<SimulatedDevices> simulated_;
};
