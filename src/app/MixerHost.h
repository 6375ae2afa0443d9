#pragma once
// What the tone mixer window may ask of the window that owns it: the session with the held
// sound (and through it the document it writes into), the last analysis (for the
// take-over), the user's prompts, and four steps on the held sound. Nothing else of the
// owner is in reach.
//
// Threads: GUI thread only.

class MixSession;
class Prompts;
class SpectrumAnalysis;

class MixerHost {
public:
  virtual MixSession& Session() = 0;
  // The peak tables and the base frequency of the last analysis.
  virtual const SpectrumAnalysis& LastAnalysis() const = 0;
  virtual Prompts& Ask() = 0;

  // Ends a playback, so that no device holds a block the mixer is about to resize, rewrite
  // or give up.
  virtual void StopPlayback() = 0;
  // The mixer's block is the shown sound now, rebuilt or taken over: the scales, the format
  // box, the play range from its start, the views and the readout follow it.
  virtual void ShowRebuiltSound() = 0;
  // Plays the shown sound from its start.
  virtual void PlayFromStart() = 0;
  // The mixer window's close handler ran: the session's close rule and what it shows.
  virtual void MixerClosed() = 0;

protected:
  ~MixerHost() = default;
};
