#pragma once
// The tone mixer's five memory slots (0 .. 4), each a whole harmonic set. Created empty
// (all zero) with the mixer window and never cleared afterwards; the settings file
// replaces the slots' contents. A plain value. GUI thread (like the window that owns it).

#include <array>
#include <optional>

#include "mixer/MemorySlot.h"

class SpectrumMemory {
public:
  static constexpr int kSlots = 5;

  // True for a slot number 0 .. 4 (the window's "no slot selected" is -1).
  static bool IsSlot(int slot) { return slot >= 0 && slot < kSlots; }

  // Copies the whole set into `slot`. False, with nothing changed, when `slot` is not a
  // slot number.
  bool Store(int slot, const MemorySlot& set);
  // A copy of the set held in `slot`; nullopt when `slot` is not a slot number. The copy's
  // HarmCount is raw: use Harmonics.VisitedCount() wherever it bounds a table.
  std::optional<MemorySlot> Recall(int slot) const;

private:
  std::array<MemorySlot, kSlots> slots_{};
};
