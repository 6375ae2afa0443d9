#pragma once
// The labels of the mixer's frequency scale, the strip under the amplitude sliders: one
// every 500 Hz of the range the thirty sliders of a bank cover. Pure functions; any
// thread.

#include <cstdint>
#include <string>
#include <vector>

struct ScaleLabel {
  int x;             // left edge of the text in box pixels (may be negative)
  std::string text;  // decimal Hz
};

// For k = 1 .. 20: x = Round(width * 500k / (30 * f0)) - 25, the text 500k + 30 * f0 *
// bank. Stops before the first label whose x lies at or beyond the right edge, so a low f0
// gives few labels. f0 is limited to 1 .. 2000, bank to 0 .. 3.
std::vector<ScaleLabel> FrequencyScaleLabels(int width, std::int32_t f0, int bank);

// x of the i-th of the fifteen lines of the grid over the phase sliders (i = 0 .. 14):
// Round(i * (width / 14)), the quotient in floating point.
int PhaseGridX(int width, int i);
