#pragma once
// The devices the program plays and records with: the machine's default devices through
// PortAudio where it has them, and a silent simulated device on the real clock for a
// direction (playback or recording) it has none for. The user is told once, quietly: one
// line on stderr when the probe ends, and a line in Description() (the About box).
//
// Start-up never waits for the sound system. Initialising PortAudio scans every device the
// host knows (with Debian's ALSA configuration that loads plugins and the codec libraries
// behind them: tens of milliseconds of CPU), so nothing is scanned at construction:
// StartProbe, called once the window is on the screen, runs the scan on a thread of its
// own. The first OpenOut, OpenIn or Description waits for that thread, or scans on the
// spot when none was started. The destructor waits for a scan under way, and starts none;
// PortAudio ends once the devices opened through it are gone too.
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
    std::string error;  // why the sound system could not start, if it could not
  };
  using Probe = std::function<Found()>;

  // Probes PortAudio's default devices.
  DefaultAudioDevices();
  // Runs `probe` instead (tests).
  explicit DefaultAudioDevices(Probe probe);
  ~DefaultAudioDevices() override;
  DefaultAudioDevices(const DefaultAudioDevices&) = delete;
  DefaultAudioDevices& operator=(const DefaultAudioDevices&) = delete;

  DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override;
  DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override;
  std::string Description() const override;

  // Starts the probe on a thread of its own, unless it has started or run already. When
  // no thread can be made the probe waits for the first call that needs it.
  void StartProbe();

  // Waits for the probe; then whether playback and recording reach a real device.
  bool RealOutput() const;
  bool RealInput() const;

  static Found ProbePortAudio();

private:
  void AwaitProbe() const;
  static Found RunProbe(const Probe& probe);      // the probe, and its stderr line
  static std::string Notice(const Found& found);  // the stderr line; empty when all is real

  Probe probe_;
  mutable std::thread thread_;
  mutable bool probed_ = false;
  mutable Found found_;  // written by the probe thread, read after the join
  mutable std::unique_ptr<SimulatedDevices> simulated_;
};
