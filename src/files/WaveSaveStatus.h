#pragma once
// Outcome of saving a WAVE file, and the text of the "ERROR" box that names the failing
// step. Any thread.

enum class WaveSaveStatus {
  Ok,
  NoFile,     // the file cannot be created (or the finished file not put in place)
  NoWave,     // the RIFF chunk not started
  NoFmt,      // the format chunk not started
  NoFmtSize,  // the 18 format bytes not all written
  NoAsend,    // the format chunk not ended
  NoData,     // the data chunk not started (or the size is not a valid byte count)
  NoWrite,    // the sample bytes not all written, or not flushed to disk (disk full)
  NoAssend1,  // the data chunk not ended (its pad byte not written)
  NoAssend2,  // the RIFF chunk not ended (its final size not written)
  Cancelled,  // the progress callback asked to stop; no file was made or changed
};

// "No File", "No Wave", "No fmt", "No fmtSize", "No asend", "No data", "No Write",
// "No assend1", "No assend2", "Cancelled" (the window may show no box for it). "" for Ok.
const char* WaveSaveStatusText(WaveSaveStatus status);
