#pragma once
// A main window on a simulated device with a virtual clock and scripted prompts, for the
// form tests. Notices the device posts reach the window only when the test lets the event
// loop run (Pump), as they would between events in the program.

#include <QCoreApplication>
#include <cstring>
#include <memory>

#include "ScriptedPrompts.h"
#include "app/main.h"
#include "app/mix.h"
#include "audio/SimTestDevices.h"

struct FormHarness {
  SimTestDevices devices{SimClockMode::Virtual};
  ScriptedPrompts prompts;
  std::unique_ptr<TFormMain> form;

  FormHarness() : form(std::make_unique<TFormMain>(devices, prompts)) {}

  TFormMain& operator*() { return *form; }
  TFormMain* operator->() { return form.get(); }

  // Lets queued events (device notices, painting jobs) run.
  void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  // Moves the virtual clock on and delivers what fell due.
  void Advance(int ms) {
    devices.Advance(std::chrono::milliseconds(ms));
    Pump();
  }

  // A playback of the held sound that stays at its start while the test looks at the
  // handlers that behave otherwise during playback: the virtual clock is not moved and
  // the follow timer's ticks are kept out. False when it did not start.
  bool StartPlaying() {
    form->Timer1->blockSignals(true);
    form->PlayButtonClick();
    return form->Player().Playing();
  }
  // Ends it as a stop does (the device is reopened), without the redraw of the button.
  void StopPlaying() {
    form->StopPlaying();
    form->Timer1->blockSignals(false);
  }
  // REC on the simulated input; a held sound is given up (the question is answered OK).
  bool StartRecording() {
    form->RepButtonClick();
    return form->Rec().Recording();
  }
  // The stop request, and the notices that finish the recording.
  void StopRecording() {
    form->RepButtonClick();
    Pump();
  }
};

// Makes a copy of `size` bytes in `fmt` the held sound, block and header as the file
// reader leaves them before the device is opened. False when memory runs out.
inline bool AdoptSound(TFormMain& f, const WAVEFORMATEX& fmt, const std::uint8_t* bytes,
                       std::int32_t size) {
  HeapBytes block = AllocBytes(std::size_t(size));
  HeapPtr<WAVEHDR> header = SoundDocument::NewHeader();
  if (!block || !header) return false;
  std::memcpy(block.get(), bytes, std::size_t(size));
  f.Sound.SetFormat(fmt);
  f.Sound.Adopt(std::move(block), size, std::move(header));
  return true;
}

// A byte count and no block, as a sound given up leaves the document: what the format
// box and the play range read. The format stays as it is.
inline void KeepSizeOnly(TFormMain& f, std::int32_t size) {
  f.Sound.Adopt(HeapBytes(), size, HeapPtr<WAVEHDR>());
}
