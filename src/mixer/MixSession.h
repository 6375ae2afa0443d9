#pragma once
// The tone mixer's session with the held sound: whether the mixer window exists
// (MixerOpen), whether fftmix made it (MixerFromFft), whether it is to take an analysis
// over (FftMixMode), whether "BASE" offers the way back to the analysed sound, and what
// each of these does to the document's blocks. The main window and the mixer window both
// drive it; they create and destroy the mixer window and show what it returns.
//
//   no mixer --Mixer button: MakeMixerSound, WindowOpened(false)--> mixer of its own
//   held sound --StartFftMix--> FftMixMode, BASE, the mixer's block shown beside the
//       analysed one; then either TakeOverInWindow (a mixer exists) or OpenWindow
//       (WindowOpened(true): a mixer of fftmix)
//   FftMixMode --TakenOver--> off
//   BASE --ShowBase--> the analysed sound shown, BASE off; the mixer's block stays
//   a rebuild of the mixer's block --Rebuilt--> BASE again, for a mixer of fftmix
//   any mixer --MixerClosed--> none; a mixer of fftmix gives its block up and the analysed
//       sound is shown again, a mixer of its own leaves its sound held
//   anything --GiveUp (the sound is given up)--> no mixer, no mode, no BASE
//
// The analysed sound is the block shown when fftmix runs, whichever it is: the sound's
// own, or the mixer's rebuilt one.
//
// Threads: GUI thread only, like the document.

#include <cstdint>
#include <functional>

class SoundDocument;
struct NewSoundSettings;

class MixSession {
public:
  // Both must outlive the session.
  MixSession(SoundDocument& sound, NewSoundSettings& settings);

  bool MixerOpen() const { return mixerOpen_; }
  bool MixerFromFft() const { return mixerFromFft_; }
  bool FftMixMode() const { return fftMixMode_; }
  bool BaseShown() const { return baseShown_; }
  SoundDocument& Sound() { return sound_; }

  // ---- The Mixer button ----
  enum class Made { Sound, NoMemory };
  // The sound of a mixer of its own, replacing whatever is held: silence in the settings'
  // format and size (MixSeconds), with its header. NoMemory: nothing is held, in the new format and
  // size.
  Made MakeMixerSound();
  // The window now exists; made by fftmix or by the button.
  void WindowOpened(bool byFftmix);

  // ---- fftmix ----
  enum class FftMix {
    Ignored,           // no sound held, or BASE offered: nothing changed
    TwoChannels,       // "2channel": nothing changed
    NoPeaks,           // "fft": FftMixMode off
    NoMemory,          // "No Memory": FftMixMode off, the settings took the held format
    TakeOverInWindow,  // the existing mixer window is to take the analysis over
    OpenWindow,        // a new mixer window takes it over as it is made
  };
  // `findPeaks` analyses the shown sound; true when it found a base frequency. On success
  // the settings for new sound take the held width and rate, a block of MixSeconds of
  // that format is shown beside the analysed sound, and BASE is offered.
  FftMix StartFftMix(const std::function<bool()>& findPeaks);
  // The mixer synthesised the analysis into the shown block.
  void TakenOver();

  // ---- The mixer's sound ----
  // The mixer rebuilt and shows its block: a mixer of fftmix offers BASE again. A block
  // the mixer wrote is a sound made here, unsaved.
  void Rebuilt();
  // BASE: the analysed sound is shown again; the mixer keeps its block. False, changing
  // nothing, when BASE is not offered or its sound is gone.
  bool ShowBase();

  // ---- Ending ----
  enum class Closed { SoundKept, AnalysedShown };
  // The mixer window's close handler. No device may hold the mixer's block (a mixer of
  // fftmix gives it up).
  Closed MixerClosed();
  // The held sound is being given up: the mixer window goes without its close handler and
  // every flag is back at its start. True when there was a window to destroy.
  bool GiveUp();
  // A recording starts: BASE is no longer offered.
  void RecordingStarted() { baseShown_ = false; }

private:
  SoundDocument& sound_;
  NewSoundSettings& settings_;
  bool mixerOpen_ = false;
  bool mixerFromFft_ = false;
  bool fftMixMode_ = false;
  bool baseShown_ = false;
};
