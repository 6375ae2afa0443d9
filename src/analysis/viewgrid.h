#pragma once
// The marks the main window draws over its views (time and frequency grids, the level
// line, the filter cursor) and the arithmetic of the controls that move them. Pure
// functions of their arguments; the window keeps the settings (FftLevel, FilterFreq,
// FilterX, FftSpan, ...) and passes them in.
//
// Threads: GUI thread (the canvas is not shared).

#include <cstdint>
#include <optional>

#include "analysis/Canvas.h"

// Vertical grid lines over a box whose width stands for `span` units (ms or Hz): red dotted
// minor lines at x = nearest(i * W * minor / span), i = 1 .. nearest(span / minor), then
// red solid major lines likewise for `major`. The pen is left solid. A line at x = W falls
// just outside the box. A set whose step or span is not positive and finite is skipped;
// lines denser than one per pixel cost one line per column.
void DrawGrid(Canvas& box, double minor, double major, double span);

// The level line: solid green across the box at y = nearest(f * level * zoom + baseline),
// where a spectrum trace of the same baseline, scale f and zoom draws a magnitude `level`.
void DrawLevelLine(Canvas& box, int baseline, double f, double level, int zoom);

// The filter cursor: solid green from (x, 0) to (x, H).
void DrawFilterLine(Canvas& box, int x);

// Milliseconds shown by the waveform view: N frames * 1000 / rate. 0 for rate 0, which
// DrawGrid then skips.
double WaveGridSpan(int N, std::uint32_t rate);

// The level whose line passes through row y: (y - baseline) / (zoom * f). nullopt when
// zoom * f is 0 (a sample width with no scale); keep the old level then.
std::optional<double> LevelFromClick(int y, int baseline, int zoom, double f);

// The filter frequency of a click at x on the filter strip: nearest(x * span / width) Hz,
// where `width` is the spectrum view's width. 0 for a non-positive width or result.
std::uint32_t FilterFreqFromClick(int x, double span, int width);

// The cursor x of a filter frequency: nearest(freq * width / span), the product taken in
// 64-bit integers. 0 when span is not positive.
std::int32_t FilterXFromFreq(std::uint32_t freq, int width, double span);

// One click of the span arrows. next (right arrow): span halves and filterX doubles,
// refused when the span would drop below 200 Hz. Otherwise: span doubles and filterX
// halves (truncated), refused when recSampleRate / 2 is below the new span. A refusal
// leaves both unchanged and returns false. The caller redraws in every case.
bool StepFftSpan(bool next, double& span, std::int32_t& filterX, std::uint32_t recSampleRate);
