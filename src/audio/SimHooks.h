#pragma once
// What a simulated device tells the set that opened it (SimulatedDevices) and asks of it,
// and the names both use. The plain silent devices need nothing of it: the defaults below
// refuse nothing and note nothing. A test's hooks may refuse any call, count the calls,
// feed the capture a signal and keep a list of the live devices.
//
// Hooks must be thread-safe: a device calls them from the GUI thread and, in real-clock
// mode, from its worker, always while holding no lock of its own. A hook may take a
// device's lock while holding its own, never the other way round.

#include <cstdint>
#include <functional>

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

class SimulatedWaveIn;
class SimulatedWaveOut;

// Every device call, for refusals and counts.
enum class SimCall : std::uint8_t {
  OpenOut,
  PrepareOut,
  UnprepareOut,
  Write,
  GetPosition,
  Pause,
  ResetOut,
  CloseOut,
  OpenIn,
  PrepareIn,
  UnprepareIn,
  AddBuffer,
  Start,
  ResetIn,
  CloseIn,
  kCount
};

// Virtual: time moves only when a test moves it (SimulatedDevice::AdvanceBy). Real: a
// worker thread per device follows the steady clock (silent playback, capture of the
// signal).
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
// back into the simulation. Empty means silence.
using SimSignal = std::function<double(std::uint64_t frame)>;

class SimHooks {
public:
  virtual ~SimHooks() = default;

  // A device call begins: Ok, or the refusal it answers with, changing nothing.
  virtual DeviceResult Enter(SimCall) { return DeviceResult::Ok(); }
  // Opens, writes and starts while the sound server is gone: SimError::kLost.
  virtual DeviceResult GoneRefusal() const { return DeviceResult::Ok(); }

  virtual void NoteOpenRequest(SimCall, const WAVEFORMATEX&) {}
  virtual void NoteWrite(const std::uint8_t*, std::uint32_t) {}
  // What a capture device opened now records.
  virtual SimSignal Signal() const { return {}; }

  // A device from its construction to its destruction.
  virtual void Register(SimulatedWaveOut*) {}
  virtual void Register(SimulatedWaveIn*) {}
  virtual void Unregister(SimulatedWaveOut*) {}
  virtual void Unregister(SimulatedWaveIn*) {}
};
