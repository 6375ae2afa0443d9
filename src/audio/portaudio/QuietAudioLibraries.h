#pragma once
// Routes the sound libraries' own diagnostics away from stderr: ALSA prints a line for every
// PCM it fails to open while PortAudio probes the devices, and JACK several lines when no
// JACK server runs. Neither says anything the user can act on; the program reports device
// trouble itself. Call before Pa_Initialize; any thread; calling again does no harm.
//
// PortAudio's own verbose tracing is compiled out of Debian's library, but its internal
// "Expression '...' failed" lines (printed when an ALSA call fails) are not, and the library
// exports no switch for them; they stay.

void QuietAudioLibraries();
