# Builds the .deb with CPack into WORK and checks what it holds and depends on.
#   cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DWORK=... -P CheckDeb.cmake
# Skips (ctest sees "SKIP") where dpkg-deb is missing; Debian always has it.
find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message("SKIP: dpkg-deb is not installed, so no .deb can be built or read here")
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CPACK}" --config "${CONFIG}" -G DEB -B "${WORK}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()
file(GLOB debs "${WORK}/kelvor_*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one kelvor_*.deb in ${WORK}, found: ${debs}\n${out}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c "${debs}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed on ${debs}")
endif()
foreach(path
    ./usr/bin/kelvor
    ./usr/share/applications/kelvor.desktop
    ./usr/share/icons/hicolor/32x32/apps/kelvor.png
    ./usr/share/icons/hicolor/256x256/apps/kelvor.png
    ./usr/share/kelvor/demo.wav)
  string(FIND "${listing}" " ${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${path} is not in the package:\n${listing}")
  endif()
endforeach()
if(listing MATCHES "/usr/local|/include/|\\.a\n")
  message(FATAL_ERROR "the package holds files it should not:\n${listing}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -f "${debs}" Package Depends Maintainer
                OUTPUT_VARIABLE fields)
foreach(want "Package: kelvor" "fonts-ipafont-gothic" "qt6-qpa-plugins" "libqt6widgets6"
             "libportaudio2" "Maintainer: ")
  string(FIND "${fields}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the control fields lack ${want}:\n${fields}")
  endif()
endforeach()

# The desktop entry as installed.
execute_process(COMMAND "${DPKG_DEB}" -x "${debs}" "${WORK}/root" RESULT_VARIABLE rc)
file(READ "${WORK}/root/usr/share/applications/kelvor.desktop" entry)
foreach(line "Name=Kelvor" "Exec=kelvor %f" "Icon=kelvor" "Categories=AudioVideo;Audio;"
             "MimeType=audio/x-wav;audio/wav;")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}:\n${entry}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
message("${debs} holds the program, its desktop entry, icons and demo sound")
