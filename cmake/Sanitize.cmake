# KELVOR_SANITIZE: every target of the build (libraries, program, tests) is compiled and
# linked with AddressSanitizer and UBSan, in a build directory of its own:
#   cmake -S . -B build-asan -G Ninja -DKELVOR_SANITIZE=ON
# Any finding ends the program with an error. Every program built here starts with the
# runtime options of SanitizerOptions.cpp (leaks reported, the system libraries' known leaks
# suppressed); ASAN_OPTIONS, UBSAN_OPTIONS and LSAN_OPTIONS in the environment add to them.
# KELVOR_FUZZ builds the same way, and also gives the fuzzer its coverage of the whole build.
if(KELVOR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KELVOR_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  set(KELVOR_SANITIZE ON)
endif()
if(NOT KELVOR_SANITIZE)
  return()
endif()

set(kelvor_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer
                          -fno-sanitize-recover=all)
add_compile_options(${kelvor_sanitize_flags})
add_link_options(${kelvor_sanitize_flags})
if(KELVOR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
else()
  # A third quicker to build than -O2 -g, and the reports still name file and line.
  add_compile_options(-O1 -g1)
endif()

add_library(kelvor_sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerOptions.cpp)
target_compile_definitions(kelvor_sanitizer_options PRIVATE
  KELVOR_LSAN_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/lsan-suppressions.txt")
# Linked into every executable made from here on.
link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:kelvor_sanitizer_options>")
