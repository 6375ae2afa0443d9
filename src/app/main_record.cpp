// Recording from the input device into a new sound.

#include "main.h"

void TFormMain::RepButtonClick() {}
void TFormMain::RecordOrStop() {}

void TFormMain::CloseWaveIn() {
  if (HWaveIn) HWaveIn->Close();
  HWaveIn.reset();
  InDeviceOpen = false;
}

void TFormMain::MMWimData(WAVEHDR*) {}
