#pragma once
// What the simulated devices share with the test that drives them: injected refusals,
// call counts, the capture signal, the last format and block seen, and the list of live
// devices. Owned jointly (shared_ptr) by SimulatedDevices and every device it opened, so
// either may go first.
//
// Thread-safe. Lock order: this object's mutex may be held while a device's is taken,
// never the other way round; devices call in here only while holding no lock of their own.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

class SimulatedWaveIn;
class SimulatedWaveOut;

// Every device call, for refusals and counts.
enum class SimCall : std::uint8_t {
  OpenOut, PrepareOut, UnprepareOut, Write, GetPosition, Pause, ResetOut, CloseOut,
  OpenIn, PrepareIn, UnprepareIn, AddBuffer, Start, ResetIn, CloseIn,
  kCount
};

enum class SimRefusal : std::uint8_t { NextCallOnly, UntilCleared };

// Virtual: time moves only when the test calls Advance. Real: a worker thread per device
// follows the steady clock (silent playback, capture of the test signal).
enum class SimClockMode : std::uint8_t { Virtual, Real };

// Codes of the device's own refusals (the numbers the platform uses for the same cases).
namespace SimError {
constexpr int kClosed = 5;        // call on a device already closed
constexpr int kLost = 6;          // open, write or start while the sound server is gone
constexpr int kBadParam = 11;     // header without data, capture buffer of 0 bytes
constexpr int kBadFormat = 32;    // open with a format the device cannot take
constexpr int kStillQueued = 33;  // close or unprepare while a block is still queued
constexpr int kUnprepared = 34;   // write or add of a header that was not prepared
}  // namespace SimError

// Sample value (-1..1) of capture frame `frame`, counted from the start or last reset.
// Runs under the device's lock, on the worker thread in real-clock mode: it must not call
// back into the simulation.
using SimSignal = std::function<double(std::uint64_t frame)>;

class SimControl {
 public:
  // Counts the call; returns the refusal due for it, if any, and spends a one-shot one.
  DeviceResult Enter(SimCall call);

  void Refuse(SimCall call, int code, std::string text, SimRefusal how);
  void ClearRefusal(SimCall call);
  int Calls(SimCall call) const;

  void NoteOpenRequest(SimCall call, const WAVEFORMATEX& format);
  std::optional<WAVEFORMATEX> LastFormat(SimCall openCall) const;
  void NoteWrite(const std::uint8_t* data, std::uint32_t bytes);
  std::pair<const std::uint8_t*, std::uint32_t> LastWrite() const;

  void SetSignal(SimSignal signal);  // also hands it to the live capture devices
  SimSignal Signal() const;

  void Register(SimulatedWaveOut* device);
  void Register(SimulatedWaveIn* device);
  void Unregister(SimulatedWaveOut* device);
  void Unregister(SimulatedWaveIn* device);
  SimulatedWaveOut* NewestOut() const;  // nullptr when none is alive
  SimulatedWaveIn* NewestIn() const;

  // Virtual clock: moves every live device on by `dt`, posting the notices that fall due.
  void AdvanceAll(std::chrono::microseconds dt);

  // The sound server dies (every live device is lost) or comes back. While it is gone,
  // opens, writes and starts are refused with kLost.
  void LoseAll();
  void SetGone(bool gone);
  DeviceResult GoneRefusal() const;  // kLost while gone, otherwise Ok

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
