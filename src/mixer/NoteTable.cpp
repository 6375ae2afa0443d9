#include "mixer/NoteTable.h"

std::optional<std::int32_t> NoteForKey(char32_t key) {
  for (const Note& n : kNotes)
    if (n.keys[0] == key || n.keys[1] == key) return n.hz;
  return std::nullopt;
}
