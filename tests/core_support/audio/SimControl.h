#pragma once
// The hooks of the tests' simulated devices: injected refusals, call counts, the capture
// signal, the last format and block seen, the list of live devices, and the sound server's
// death. Owned jointly (shared_ptr) by SimTestDevices and every device it opened, so
// either may go first.
//
// Thread-safe. Lock order: this object's mutex may be held while a device's is taken,
// never the other way round; devices call in here only while holding no lock of their own.

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "audio/SimHooks.h"

enum class SimRefusal : std::uint8_t { NextCallOnly, UntilCleared };

class SimControl final : public SimHooks {
public:
  // Counts the call; returns the refusal due for it, if any, and spends a one-shot one.
  DeviceResult Enter(SimCall call) override;
  DeviceResult GoneRefusal() const override;  // kLost while gone, otherwise Ok

  void Refuse(SimCall call, int code, std::string text, SimRefusal how);
  void ClearRefusal(SimCall call);
  int Calls(SimCall call) const;

  void NoteOpenRequest(SimCall call, const WAVEFORMATEX& format) override;
  std::optional<WAVEFORMATEX> LastFormat(SimCall openCall) const;
  void NoteWrite(const std::uint8_t* data, std::uint32_t bytes) override;
  std::pair<const std::uint8_t*, std::uint32_t> LastWrite() const;

  void SetSignal(SimSignal signal);  // also hands it to the live capture devices
  SimSignal Signal() const override;

  void Register(SimulatedWaveOut* device) override;
  void Register(SimulatedWaveIn* device) override;
  void Unregister(SimulatedWaveOut* device) override;
  void Unregister(SimulatedWaveIn* device) override;
  SimulatedWaveOut* NewestOut() const;  // nullptr when none is alive
  SimulatedWaveIn* NewestIn() const;

  // Virtual clock: moves every live device on by `dt`, posting the notices that fall due.
  void AdvanceAll(std::chrono::microseconds dt);

  // The sound server dies (every live device is lost) or comes back. While it is gone,
  // opens, writes and starts are refused with kLost.
  void LoseAll();
  void SetGone(bool gone);

private:
  struct Refusal {
    bool active = false;
    SimRefusal how = SimRefusal::UntilCleared;
    int code = 0;
    std::string text;
  };
  static constexpr std::size_t kCalls = static_cast<std::size_t>(SimCall::kCount);

  mutable std::mutex mutex_;
  std::array<Refusal, kCalls> refusals_{};
  std::array<int, kCalls> counts_{};
  std::optional<WAVEFORMATEX> lastOutFormat_, lastInFormat_;
  const std::uint8_t* lastWriteData_ = nullptr;
  std::uint32_t lastWriteBytes_ = 0;
  SimSignal signal_;
  std::vector<SimulatedWaveOut*> outs_;  // oldest first
  std::vector<SimulatedWaveIn*> ins_;
  bool gone_ = false;
};
