#pragma once
// The two plots of a view window of the sound: the waveform (one polyline per channel)
// and the Hamming-windowed magnitude spectrum (one white polyline per channel, rising from
// a baseline). Both draw on a Canvas; neither clears it (call ClearBox first).
//
// The sound comes as a SoundView (layout there); no plot reads past the view's block.
//
// Every computed coordinate becomes an integer by nearest, ties to even.
//
// Threads: GUI thread (the canvas and the caller's analysis arrays are not shared).

#include <cstdint>
#include <optional>

#include "analysis/Canvas.h"
#include "analysis/FftArrays.h"
#include "analysis/PlotStyle.h"
#include "analysis/SoundView.h"
#include "analysis/myfft.h"

// Fills the box with black: brush black, FillRect(0, 0, W, H).
void ClearBox(Canvas& box);

// Pixels per sample unit at zoom 1: height * 2^-bits / 2, so a full-scale excursion spans a
// quarter of the box.
double WaveScale(int bits, int height);

// The waveform of `view.frames` frames from `view.offset`, every `style.step` frames
// (callers pass 1), magnified `style.zoom` times (1 .. 9). Mono: channel 1 in green around
// H/2. Stereo: channel 1 green around H/3, channel 2 blue around 2H/3. Any other channel
// count or sample width draws nothing (the pen is still set). Stops at the last whole frame
// of the block.
void DrawWaveBox(Canvas& box, const SoundView& view, const WaveStyle& style);

// Channel `channel` (0-based) of the view as one polyline in the current pen colour,
// around row `centre`; the trace stops after the last whole frame of the block. Sample
// value v = 128 - byte (8-bit) or -s16 (16-bit); point i (0 .. N / step - 1, N =
// view.frames) at (step * nearest(W * i / N), nearest(v * WaveScale * zoom + centre)).
void DrawWaveTrace(Canvas& box, const SoundView& view, int channel, double centre,
                   const WaveStyle& style);

// Magnitude-to-pixel factor by sample width: -1 (8-bit), -1/255 (16-bit), 0 otherwise.
// Negative because screen y grows downwards.
double SpectrumScale(int bits);

// The symmetric Hamming window of N points, w(i) = 0.54 - 0.46 cos(2 pi i / (N - 1)) taken
// in long double, built once per size. nullptr unless IsFftSize(N).
const double* HammingWindow(int N);

// Windows channel `channel` (0-based) of the view window (N = view.frames) into
// arrays.input and transforms it into arrays.magnitude and arrays.spectrum, as the spectrum
// plot does for each channel it draws. Frames missing at the end of the block count as
// silence; sample widths other than 8 and 16 store zeros. Returns the magnitude-to-pixel
// factor (SpectrumScale). nullopt, with no array written: an array or the data is null, N
// is not a valid FFT size, channels is not 1 or 2, or `channel` is not one of them.
std::optional<double> TransformChannel(const SoundView& view, int channel, const FftArrays& arrays);

// The channel the readout analyses, transformed as after a full spectrum drawing: the last
// one (channel 2 for stereo). False when TransformChannel refuses.
bool TransformReadoutChannel(const SoundView& view, const FftArrays& arrays);

enum class SpectrumDraw {
  Drawn,                  // every channel drawn
  NotDrawn,               // nothing drawn, nothing touched (see DrawSpectrumBox)
  SecondTransformFailed,  // channel 1 drawn; show the box "error" (empty caption)
};

// Windows, transforms and draws each channel of the view window (N = view.frames): for
// each channel the arrays are filled by Fft, so afterwards they hold the last channel
// (channel 2 for stereo), ready for FindPeaks. Frequency runs from 0 Hz at the left edge to
// `style.span` Hz at the right edge on a `style.rate` Hz axis. Mono stands on row
// nearest(H - 1); stereo draws channel 1 on row nearest(H / 2) and channel 2 on H - 1.
// With `style.level`, the level line (DrawLevelLine at that level and zoom) is drawn right
// after channel 1's trace, before channel 2. Frames missing at the end of the block count
// as silence. Sample widths other than 8 and 16 store nothing and draw flat on the baseline.
// NotDrawn, with no array written: an array or the data is null, N is not a valid FFT
// size, or channels is not 1 or 2.
SpectrumDraw DrawSpectrumBox(Canvas& box, const SoundView& view, const SpectrumStyle& style,
                             const FftArrays& arrays);

// Where a spectrum trace stands: the row of magnitude 0 and the pixels per magnitude unit
// at zoom 1 (SpectrumScale).
struct TraceBase {
  int baseline = 0;
  double f = -1.0;
};

// The N magnitudes of one transform as one polyline in the current pen colour, on the
// style's axis (rate, span) and zoom: g = nearest(N / ((rate / 2) / span)) bins span twice
// the width, bin h at (nearest(2 h W / g), nearest(f * magnitudes[h] * zoom + baseline)),
// from h = 0 up to g - 1 but never beyond N - 2. Bins past the right edge are left to the
// canvas to clip.
void DrawSpectrumTrace(Canvas& box, const double* magnitudes, int N, const SpectrumStyle& style,
                       TraceBase base);
