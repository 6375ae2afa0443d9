#include "files/WaveReadStatus.h"

const char* WaveReadStatusText(WaveReadStatus status, WaveReadCommand command) {
  switch (status) {
    case WaveReadStatus::Ok: return "";
    case WaveReadStatus::NoFile: return "No File";
    case WaveReadStatus::NoWave: return "No Wave";
    case WaveReadStatus::NoFmt: return "No fmt";
    case WaveReadStatus::NoFmtSize: return "No fmtSize";
    case WaveReadStatus::NoFmtTag: return "No fmttag";
    case WaveReadStatus::NoData: return "No data";
    case WaveReadStatus::NoMemory:
      return command == WaveReadCommand::Open ? "No pwavedata" : "No mypwavedata";
    case WaveReadStatus::NoRead: return "No read";
    case WaveReadStatus::Cancelled: return "Cancelled";
  }
  return "";
}
