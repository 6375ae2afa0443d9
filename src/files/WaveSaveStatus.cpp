#include "files/WaveSaveStatus.h"

const char* WaveSaveStatusText(WaveSaveStatus status) {
  switch (status) {
    case WaveSaveStatus::Ok: return "";
    case WaveSaveStatus::NoFile: return "No File";
    case WaveSaveStatus::NoWave: return "No Wave";
    case WaveSaveStatus::NoFmt: return "No fmt";
    case WaveSaveStatus::NoFmtSize: return "No fmtSize";
    case WaveSaveStatus::NoAsend: return "No asend";
    case WaveSaveStatus::NoData: return "No data";
    case WaveSaveStatus::NoWrite: return "No Write";
    case WaveSaveStatus::NoAssend1: return "No assend1";
    case WaveSaveStatus::NoAssend2: return "No assend2";
    case WaveSaveStatus::Cancelled: return "Cancelled";
  }
  return "";
}
