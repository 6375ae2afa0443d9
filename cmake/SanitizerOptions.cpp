// The sanitizer runtimes' defaults for every program of a KELVOR_SANITIZE build; the
// runtimes call these before main. Options in the environment are read after them.
//
// fast_unwind_on_malloc=0: the frame-pointer unwinder stops in system libraries built
// without frame pointers, so a leak's stack would lack the frames its suppression names.

extern "C" {

const char* __asan_default_options() {
  return "detect_leaks=1:fast_unwind_on_malloc=0";
}

const char* __lsan_default_options() {
  return "suppressions=" KELVOR_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

const char* __ubsan_default_options() { return "print_stacktrace=1"; }

}  // extern "C"
