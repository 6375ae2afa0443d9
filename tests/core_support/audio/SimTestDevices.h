#pragma once
// The simulated devices with the tests' controls (SimControl): any call can be made to
// refuse with a chosen code and text, the capture fed a signal, the virtual clock moved,
// the sound server killed, and what the devices were given looked at.
//
// The AudioDevices calls and the device objects belong to the GUI thread. The controls may
// be called from any thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/SimControl.h"
#include "audio/SimulatedDevices.h"

class SimTestDevices final : public SimulatedDevices {
public:
  explicit SimTestDevices(SimClockMode mode = SimClockMode::Virtual,
                          std::string description = kDefaultDescription);

  // --- controls ---
  // From now on `call` fails with `code` (0 becomes -1) and `text`, changing nothing:
  // for its next occurrence only, or until ClearRefusal.
  void Refuse(SimCall call, int code, std::string text, SimRefusal how = SimRefusal::UntilCleared);
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
  SimTestDevices(SimClockMode mode, std::string description, std::shared_ptr<SimControl> control);

  std::shared_ptr<SimControl> control_;
};
