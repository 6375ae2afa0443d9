#pragma once
// A main window on a simulated device with a virtual clock and scripted prompts, for the
// form tests. Notices the device posts reach the window only when the test lets the event
// loop run (Pump), as they would between events in the program.

#include <QCoreApplication>
#include <memory>

#include "ScriptedPrompts.h"
#include "audio/SimulatedDevices.h"
#include "main.h"

struct FormHarness {
  SimulatedDevices devices{SimClockMode::Virtual};
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
};
