# Lists the test functions of a grouped Qt test executable (tests/support/QtTestMain.cpp)
# and writes a ctest file with one test per function, named PREFIX.CLASS.FUNCTION, run on
# Qt's offscreen platform; a QSKIP counts as skipped. For each class it also sets
# <TARGET>_<CLASS> to the class's tests, for properties added afterwards.
#   cmake -DEXE=... -DTARGET=... -DPREFIX=... -DOUT=... -P DiscoverQtTests.cmake
set(env ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen)
execute_process(COMMAND ${env} ${EXE} --classes OUTPUT_VARIABLE classes RESULT_VARIABLE rc
                TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${EXE} --classes failed (${rc})")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" classes "${classes}")

set(script "")
foreach(class ${classes})
  execute_process(COMMAND ${env} ${EXE} ${class} -functions
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${EXE} ${class} -functions failed (${rc}):\n${err}")
  endif()
  string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${out}")
  set(names "")
  foreach(function ${functions})
    string(REPLACE "()" "" function "${function}")
    set(name "${PREFIX}.${class}.${function}")
    list(APPEND names "${name}")
    string(APPEND script
      "add_test([==[${name}]==] [==[${EXE}]==] ${class} ${function})\n"
      "set_tests_properties([==[${name}]==] PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen"
      " TIMEOUT 60 SKIP_REGULAR_EXPRESSION [==[SKIP   :]==])\n")
  endforeach()
  string(APPEND script "set(${TARGET}_${class} [==[${names}]==])\n")
endforeach()
file(WRITE "${OUT}" "${script}")
