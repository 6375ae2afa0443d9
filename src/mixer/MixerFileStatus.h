#pragma once
// Outcome of saving or loading the mixer's settings file: what went wrong and one English
// line for the application's error box, naming the file. Any thread.

#include <string>

struct MixerFileStatus {
  enum class Code {
    Ok,
    CannotCreate,  // the new file (its temporary twin beside the target) cannot be made
    WriteFailed,   // a field not written whole (disk full, I/O error)
    FlushFailed,   // the written bytes cannot be flushed to disk
    RenameFailed,  // the new file cannot be put in place of the target
    CannotOpen,    // the file to load cannot be opened, or is not a regular file
    ReadFailed,    // an I/O error while loading
    ShortFile,     // the file ends before its last field
  };

  Code code = Code::Ok;
  std::string text;  // "" for Ok

  bool Ok() const { return code == Code::Ok; }
};
