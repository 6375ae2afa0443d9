#include "audio/portaudio/QuietAudioLibraries.h"

#include <cstdarg>  // alsa/error.h uses va_list without including it

#include <alsa/error.h>
#include <dlfcn.h>
#include <jack/jack.h>

// The setters are looked up at run time rather than linked: libportaudio has already
// loaded libasound and libjack when it uses them, and a PortAudio built without either
// simply has nothing to quiet. The declarations come from the libraries' headers, so the
// signatures are checked at compile time.

namespace {
void IgnoreAlsa(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJack(const char*) {}

template <class Function>
Function* Lookup(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
}
}  // namespace

void QuietAudioLibraries() {
  if (auto* set = Lookup<decltype(snd_lib_error_set_handler)>("snd_lib_error_set_handler"))
    set(&IgnoreAlsa);
  if (auto* set = Lookup<decltype(jack_set_error_function)>("jack_set_error_function"))
    set(&IgnoreJack);
  if (auto* set = Lookup<decltype(jack_set_info_function)>("jack_set_info_function"))
    set(&IgnoreJack);
}
