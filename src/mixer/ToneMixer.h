#pragma once
// The tone mixer without its window: the harmonic set, the tone settings, the bank of
// thirty harmonics the sliders show, the five memory slots, and the document's block that
// the mixer writes its sound into. The window mirrors its sliders here (each change
// handler calls the matching setter), runs the control cascades and turns the statuses
// into boxes; the rules are this class's.
//
// The block. The mixer keeps no address: it keeps the document's handle of the block it
// was given (the shown one when the window opened or took an analysis over), that block's
// format as it was then, and its size. Rebuild resizes the block through the document and
// makes it the shown one. A handle the document has given up resolves to nothing; then
// nothing is written and Rebuild says NoBlock.
//
// Slider i (1 .. 30) stands for harmonic i + 30 * Bank. Arguments outside the ranges
// named are refused or limited, never used to index a table.
//
// Threads: GUI thread only, like the document. No device may hold the block while
// Rebuild or Synthesize runs: the window stops playback first.

#include <cstdint>
#include <optional>

#include "mixer/AnalysedPeaks.h"
#include "mixer/HarmonicSet.h"
#include "mixer/SpectrumMemory.h"
#include "mixer/ToneSettings.h"
#include "model/SoundDocument.h"

class ToneMixer {
public:
  static constexpr int kBankSize = 30;  // sliders per bank
  static constexpr int kBanks = 4;      // banks 0 .. 3: harmonics 1 .. 120

  explicit ToneMixer(SoundDocument& sound) : sound_(sound) {}

  // ---- The block ----
  // The document's shown block, with the document's format and size, becomes the one the
  // mixer writes into; HarmLimit follows the new rate.
  void TakeShownBlock();
  SoundDocument::Handle Block() const { return block_; }
  const WAVEFORMATEX& Format() const { return format_; }
  std::int32_t Size() const { return size_; }  // bytes
  // Silence over the whole block (8 bit: 128, 16 bit: 0); other widths stay untouched.
  void Silence();

  // ---- State at creation ----
  // Amplitudes and phases 0, HarmCount 0, bank 0, fade 10 steps. The spectral values and
  // the memory slots stay (both are zero in a new mixer).
  void Clear();

  // ---- Tone settings: the sliders' positions ----
  void SetFreq(std::int32_t hz);  // and HarmLimit with it
  void SetVolume(std::int32_t volume) { tone_.Volume = volume; }
  void SetFadeSteps(std::int32_t steps) { tone_.FadeSteps = steps; }
  const ToneSettings& Tone() const { return tone_; }
  // Highest harmonic the controls accept (HarmonicLimit of the block's rate and f0).
  std::int32_t HarmLimit() const { return harmLimit_; }

  // ---- The bank the sliders show ----
  void SetBank(int bank);  // limited to 0 .. 3
  int Bank() const { return bank_; }
  // The harmonic slider i stands for; 0 for an i outside 1 .. 30.
  int HarmonicOf(int i) const;
  // Amplitude slider position that shows slider i's harmonic: 100 - Amplitude, limited to
  // the slider's 0 .. 100 (a loaded memory may hold any amplitude).
  int AmpPosition(int i) const;
  // Slider i's phase in whole degrees, as the phase edits show it.
  std::int32_t PhaseDegrees(int i) const;

  // ---- Edits through the controls ----
  // Amplitude slider i moved to `position` (0 .. 100, top = loudest). Refused, changing
  // nothing, for a harmonic above HarmLimit (the slider goes back to 100). Otherwise
  // HarmCount grows to cover the harmonic and its amplitude becomes 100 - position.
  bool SetAmplitude(int i, int position);
  // Whether slider i's phase may be set: its harmonic is on, within HarmLimit and within
  // HarmCount. Otherwise the phase controls go back to 0 and the phase stays.
  bool PhaseAccepted(int i) const;
  // Phase of slider i's harmonic := degrees * pi / 180; false (nothing changed) when not
  // accepted.
  bool SetPhaseDegrees(int i, std::int32_t degrees);
  void ResetAll();     // "FFTReset": amplitudes and phases of all 120 harmonics 0
  void ResetPhases();  // "PhaseReset": phases 0

  // ---- Memory ----
  // Stores the set with the current frequency and volume; false for a non-slot.
  bool Store(int slot);
  std::optional<MemorySlot> Stored(int slot) const { return memory_.Recall(slot); }
  // A recall in the window's order: the count first, then the frequency and volume
  // through the controls, then the tables. The raw count is kept (storing or saving it
  // again gives it back); loops bound it with VisitedCount.
  void RecallCount(const MemorySlot& slot) { set_.HarmCount = slot.Harmonics.HarmCount; }
  void RecallTables(const MemorySlot& slot);
  SpectrumMemory& Memory() { return memory_; }
  const SpectrumMemory& Memory() const { return memory_; }

  // ---- Sound ----
  enum class Rebuild { Done, NoMemory, NoBlock };
  // The block resized to `tenths` tenths of a second (1 .. 30) of the block's format and
  // shown by the document, then silenced until Synthesize fills it. NoMemory: block,
  // size and shown block as they were. NoBlock: the block has been given up.
  Rebuild Resize(std::int32_t tenths);
  enum class Written { Sound, Silence, Nothing };
  // The set synthesised into the block at its rate: 8 or 16 bits by the block's format.
  // Silence: the sound could not be held (see Synthesis.h). Nothing: no block, or a width
  // other than 8 and 16.
  Written Synthesize();

  // ---- Take-over of an analysis ----
  // Bank 0, then the peaks taken over by harmonic number (see AnalysedPeaks.h). The
  // caller then puts phases 1 .. 30 through the phase controls and sets the frequency.
  void TakeOver(const AnalysedPeaks& peaks);

  const HarmonicSet& Set() const { return set_; }

private:
  SoundDocument& sound_;
  SoundDocument::Handle block_;
  WAVEFORMATEX format_;
  std::int32_t size_ = 0;
  HarmonicSet set_;
  ToneSettings tone_;
  std::int32_t harmLimit_ = 0;
  int bank_ = 0;
  SpectrumMemory memory_;
};
