#include "mixer/SpectrumMemory.h"

bool SpectrumMemory::Store(int slot, const MemorySlot& set) {
  if (!IsSlot(slot)) return false;
  slots_[static_cast<std::size_t>(slot)] = set;
  return true;
}

std::optional<MemorySlot> SpectrumMemory::Recall(int slot) const {
  if (!IsSlot(slot)) return std::nullopt;
  return slots_[static_cast<std::size_t>(slot)];
}
