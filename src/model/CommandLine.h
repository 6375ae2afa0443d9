#pragma once
// What the program's arguments ask for. Parsed before any window exists, so that
// --version, --help and --analyse run without a display:
//
//   kelvor [FILE.wav] [--mixer] [--screenshot OUT.png]   the window, FILE opened at start
//   kelvor --analyse FILE.wav [--size N]                 the readout's base frequency as CSV
//   kelvor --version | --help                            text on stdout
//
// Options also take their value after '=' (--size=1024); "--" ends the options. File
// names are kept as the bytes given, whatever their encoding. Plain value: any thread.

#include <cstdint>
#include <string>
#include <vector>

struct CommandLine {
  enum class Mode { Window, Version, Help, Analyse, Error };

  Mode mode = Mode::Window;
  std::string file;             // Window: opened at start (empty: none); Analyse: the file read
  std::string screenshot;       // Window: the PNG written after start-up before the program ends
  bool mixer = false;           // Window: the tone mixer opens at start (by fftmix on `file`)
  std::uint32_t fftSize = 512;  // Analyse: frames per window, a power of two 256 .. 4096
  std::string error;            // Error: what is wrong, one line
  // Error only: a single-dash argument was refused; it may be one of the toolkit's own
  // options (-platform, -style ...), which the toolkit takes out of the arguments.
  bool toolkitOption = false;

  // `args` without the program's name.
  static CommandLine Parse(const std::vector<std::string>& args);
  // The --help text: the forms, then one option a line (ends with a newline).
  static std::string Usage();
  // The --version line: "kelvor " and `version`.
  static std::string VersionLine(const std::string& version);
};
