#pragma once
// How the two plots draw a view window, fixed when a redraw or a painting job is made.
// Plain values: any thread.

#include <cstdint>
#include <optional>

// The waveform plot.
struct WaveStyle {
  int step = 1;  // frames between points (1 everywhere today)
  int zoom = 1;  // vertical magnification, 1 .. 9
};

// The spectrum plot: frequency runs from 0 Hz at the left edge to `span` Hz at the right
// edge of an axis of `rate` Hz sampling rate.
struct SpectrumStyle {
  std::uint32_t rate = 0;       // Hz of the sound whose spectrum is drawn
  int zoom = 1;                 // vertical magnification, 1 .. 200
  double span = 0;              // Hz across the full width
  std::optional<double> level;  // draw the level line (magnitude units) after channel 1
};
