#pragma once
// Outcome of reading a WAVE file for Open or AddFile, and the text of the "ERROR" box
// that names the failing step. Any thread.

enum class WaveReadStatus {
  Ok,
  NoFile,     // the file cannot be opened (or is not a regular file)
  NoWave,     // no RIFF chunk of form WAVE
  NoFmt,      // no "fmt " chunk inside it
  NoFmtSize,  // the file ends inside the first 16 bytes of the format chunk
  NoFmtTag,   // not PCM (tag 1), or a PCM format that cannot be handled safely
  NoData,     // no "data" chunk after the format chunk
  NoMemory,   // out of memory for the sound's bytes
  NoRead,     // the data chunk is empty, unreadable, or holds not one whole frame
  Cancelled,  // the progress callback asked to stop; nothing was read or changed
};

// The command a read serves; only the out-of-memory text depends on it.
enum class WaveReadCommand { Open, AddFile };

// "No File", "No Wave", "No fmt", "No fmtSize", "No fmttag", "No data", "No read", and for
// NoMemory "No pwavedata" (Open) or "No mypwavedata" (AddFile), "Cancelled" for a read
// the user stopped (the window may show no box for it). "" for Ok.
const char* WaveReadStatusText(WaveReadStatus status, WaveReadCommand command);
