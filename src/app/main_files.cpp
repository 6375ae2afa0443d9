// File > Open, AddFile and Save: the WAVE files the sound is read from and written to.

#include "main.h"

bool TFormMain::LoadWaveFile(const QString&) { return false; }
bool TFormMain::AppendWaveFile(const QString&) { return false; }
bool TFormMain::SaveWaveFile(const QString&, std::int32_t) { return false; }
void TFormMain::OpenClick() {}
void TFormMain::AddFile1Click() {}
void TFormMain::SaveClick() {}
