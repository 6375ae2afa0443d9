#pragma once
// The program's start: the command line, then either an answer without a window
// (--version, --help, --analyse) or the main window on the real sound devices (a simulated
// device when the machine has none) until it closes. Returns the exit code.

int RunKelvor(int argc, char** argv);
