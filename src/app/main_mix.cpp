// The tone mixer window and the hand-over of the analysed harmonics to it (fftmix).

#include "main.h"

void TFormMain::MixerClick() {}
void TFormMain::fftmixClick() {}
void TFormMain::LBAorFFTDblClick() {}
