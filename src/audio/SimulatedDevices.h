#pragma once
// Sound devices without a sound card: for tests (virtual clock, driven by Advance) and for
// machines with no device or a CPU benchmark (real clock, silent). Accepts PCM with 8 or
// 16 bits, 1 or 2 channels, 1..384000 Hz, consistent nBlockAlign and nAvgBytesPerSec
// (kSimulatedDeviceLimits).
// Tests can make any call refuse with a chosen code and text, feed the capture a signal
// and look at what the devices were given.
//
// The AudioDevices calls and the device objects belong to the GUI thread. The test
// controls below may be called from any thread. The devices opened here may outlive this
// object (they share its control block).

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/AudioDevices.h"
#include "audio/SimControl.h"

class SimulatedWaveIn;
class SimulatedWaveOut;

class SimulatedDevices final : public AudioDevices {
 public:
  static constexpr const char* kDefaultDescription =
      "Simulated sound device (no sound card found)";

  explicit SimulatedDevices(SimClockMode mode = SimClockMode::Virtual,
                            std::string description = kDefaultDescription);

  DeviceResult OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override;
  DeviceResult OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override;
  std::string Description() const override { return description_; }

  // Empty when the device can take `format`, otherwise why not (one English line).
  static std::string FormatProblem(const WAVEFORMATEX& format);

  // --- test controls ---
  // From now on `call` fails with `code` (0 becomes -1) and `text`, changing nothing:
  // for its next occurrence only, or until ClearRefusal.
  void Refuse(SimCall call, int code, std::string text,
              SimRefusal how = SimRefusal::UntilCleared);
  void ClearRefusal(SimCall call);
  // Capture signal for the devices open now and later; empty means silence.
  void SetInputSignal(SimSignal signal);
  // Virtual clock only (no effect in real-clock mode): `dt` passes for every live device;
  // the notices that fall due are posted to their sinks before Advance returns.
  void Advance(std::chrono::microseconds dt);
  // The sound server dies: every live device is lost (each posts its lost notice; a
  // playback device returns its block, a capture device keeps its buffers for Reset), and
  // opens, writes and starts are refused (SimError::kLost) until RestoreServer.
  void LoseServer();
  void RestoreServer();

  // --- inspection (not counted as calls) ---
  int Calls(SimCall call) const;
  std::optional<WAVEFORMATEX> LastOutFormat() const;  // as passed to the last OpenOut
  std::optional<WAVEFORMATEX> LastInFormat() const;   // as passed to the last OpenIn
  const std::uint8_t* LastWriteData() const;          // block of the last accepted Write
  std::uint32_t LastWriteBytes() const;
  bool OutOpen() const;  // the newest live playback device exists and is not closed
  bool InOpen() const;
  std::uint64_t OutPosition() const;  // bytes played by the newest live playback device
  // The newest live devices, or nullptr. Valid until the GUI side destroys them.
  SimulatedWaveOut* LiveOut() const;
  SimulatedWaveIn* LiveIn() const;

 private:
  std::shared_ptr<SimControl> control_;
  SimClockMode mode_;
  std::string description_;
};
