#pragma once
// The mixer's twenty notes, left to right as the buttons stand: the control's name, its
// caption, the frequency it plays (whole Hz, exactly as listed) and the two characters
// that play it from the keyboard (upper and lower case, or the unshifted and shifted
// character of the same key on a Japanese layout). Constant data: any thread.

#include <array>
#include <cstdint>
#include <optional>

struct Note {
  const char* name;     // the button's objectName
  const char* caption;  // "Ra", "R#", ... ("#": a sharp, raised between the white notes)
  std::int32_t hz;
  char32_t keys[2];
  bool Sharp() const { return caption[1] == '#'; }
};

constexpr std::array<Note, 20> kNotes{{
    {"ButtonRa0", "Ra", 220, {U'A', U'a'}},  {"ButtonRa0s", "R#", 233, {U'W', U'w'}},
    {"ButtonSi0", "Si", 247, {U'S', U's'}},  {"ButtonDo", "Do", 262, {U'D', U'd'}},
    {"ButtonD0s", "D#", 277, {U'R', U'r'}},  {"ButtonRe", "Re", 294, {U'F', U'f'}},
    {"ButtonREs", "R#", 311, {U'T', U't'}},  {"ButtonMi", "Mi", 330, {U'G', U'g'}},
    {"ButtonFa", "Fa", 349, {U'H', U'h'}},   {"ButtonFAs", "F#", 370, {U'U', U'u'}},
    {"ButtonSo", "So", 392, {U'J', U'j'}},   {"ButtonS0s", "S#", 415, {U'I', U'i'}},
    {"ButtonRa", "Ra", 440, {U'K', U'k'}},   {"ButtonRAs", "R#", 466, {U'O', U'o'}},
    {"ButtonSi", "Si", 494, {U'L', U'l'}},   {"ButtonDo1", "Do", 523, {U';', U'+'}},
    {"ButtonD01s", "D#", 554, {U'@', U'`'}}, {"ButtonRe1", "Re", 588, {U':', U'*'}},
    {"ButtonRe1s", "R#", 622, {U'[', U'{'}}, {"ButtonMi1", "Mi", 660, {U']', U'}'}},
}};

// The frequency a typed character plays; nothing for any other character.
std::optional<std::int32_t> NoteForKey(char32_t key);
