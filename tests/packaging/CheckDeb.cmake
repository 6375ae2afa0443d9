# Builds the .deb with CPack into WORK and checks what it holds and depends on, and that
# Debian's own checkers find nothing to say about it.
#   cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DWORK=... -DKELVOR=... -P CheckDeb.cmake
# Skips (ctest sees "SKIP") where dpkg-deb is missing; Debian always has it. Where lintian,
# appstreamcli or desktop-file-validate is missing, the rest is checked and the test then
# reports itself skipped, naming what could not be run.
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
set(metainfo usr/share/metainfo/org.kelvor.kelvor.metainfo.xml)
foreach(path
    usr/bin/kelvor
    usr/share/applications/kelvor.desktop
    ${metainfo}
    usr/share/icons/hicolor/32x32/apps/kelvor.png
    usr/share/icons/hicolor/48x48/apps/kelvor.png
    usr/share/icons/hicolor/scalable/apps/kelvor.svg
    usr/share/man/man1/kelvor.1.gz
    usr/share/doc/kelvor/copyright
    usr/share/doc/kelvor/changelog.Debian.gz
    usr/share/lintian/overrides/kelvor
    usr/share/kelvor/demo.wav)
  string(FIND "${listing}" " ./${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${path} is not in the package:\n${listing}")
  endif()
endforeach()
if(listing MATCHES "/usr/local|/include/|\\.a\n")
  message(FATAL_ERROR "the package holds files it should not:\n${listing}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -f "${debs}" Package Version Depends Maintainer
                OUTPUT_VARIABLE fields)
foreach(want "Package: kelvor" "fonts-ipafont-gothic" "qt6-qpa-plugins" "libqt6widgets6"
             "libportaudio2" "Maintainer: ")
  string(FIND "${fields}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the control fields lack ${want}:\n${fields}")
  endif()
endforeach()

set(root "${WORK}/root")
execute_process(COMMAND "${DPKG_DEB}" -x "${debs}" "${root}" RESULT_VARIABLE rc)
file(READ "${root}/usr/share/applications/kelvor.desktop" entry)
foreach(line "Name=Kelvor" "Exec=kelvor %f" "Icon=kelvor" "Categories=AudioVideo;Audio;"
             "MimeType=audio/x-wav;audio/wav;")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}:\n${entry}")
  endif()
endforeach()

# The changelog's newest entry is the package's version.
execute_process(COMMAND gzip -dc "${root}/usr/share/doc/kelvor/changelog.Debian.gz"
                OUTPUT_VARIABLE changelog)
string(REGEX MATCH "Version: ([^\n]*)" _ "${fields}")
string(FIND "${changelog}" "kelvor (${CMAKE_MATCH_1}) " at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "changelog.Debian does not begin with version ${CMAKE_MATCH_1}:\n${changelog}")
endif()

# The manual page and the AppStream release name the version --version prints.
execute_process(COMMAND "${KELVOR}" --version OUTPUT_VARIABLE version)
string(REGEX REPLACE "^kelvor ([^\n]*)\n$" "\\1" version "${version}")
execute_process(COMMAND gzip -dc "${root}/usr/share/man/man1/kelvor.1.gz" OUTPUT_VARIABLE man)
file(READ "${root}/${metainfo}" appdata)
if(NOT man MATCHES "^\\.TH KELVOR 1 [^\n]* \"Kelvor ${version}\"" OR
   NOT appdata MATCHES "<release version=\"${version}\"")
  message(FATAL_ERROR "the manual page or ${metainfo} does not name version ${version}")
endif()

# The manual page has an item for every option --help lists.
execute_process(COMMAND "${KELVOR}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
string(REPLACE "\\-" "-" man "${man}")
string(REGEX MATCHALL "--[a-z]+" options "${help}")
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(NOT rc EQUAL 0 OR count LESS 5)
  message(FATAL_ERROR "kelvor --help (exit ${rc}) lists too few options:\n${help}")
endif()
foreach(option ${options})
  if(NOT man MATCHES "\\.TP\n\\.BI? ${option}[ \n]")
    message(FATAL_ERROR "the manual page does not describe ${option}")
  endif()
endforeach()

# What Debian's checkers say: nothing but overrides and their comments (and lintian's
# note that it runs as root).
set(unchecked)
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --pedantic --display-info --display-experimental
                          "${debs}"
                  OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(said MATCHES "(^|\n)[EWIPX]: ")
    message(FATAL_ERROR "lintian --pedantic on ${debs}:\n${said}")
  endif()
else()
  list(APPEND unchecked lintian)
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${root}/${metainfo}"
                  OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR said MATCHES "(^|\n)[EWIP]: ")
    message(FATAL_ERROR "appstreamcli validate ${metainfo}:\n${said}")
  endif()
else()
  list(APPEND unchecked appstreamcli)
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}"
                          "${root}/usr/share/applications/kelvor.desktop"
                  OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT said STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate kelvor.desktop:\n${said}")
  endif()
else()
  list(APPEND unchecked desktop-file-validate)
endif()

file(REMOVE_RECURSE "${WORK}")
if(unchecked)
  message("SKIP: ${debs} holds what it should; not installed here, so not run: ${unchecked}")
else()
  message("${debs} holds what it should; lintian, appstreamcli and desktop-file-validate "
          "find nothing")
endif()
