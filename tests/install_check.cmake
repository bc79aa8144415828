# SPDX-License-Identifier: MIT
# Copyright (c) 2026 The Frivo developers
# Installs the build into a temporary prefix and checks what a desktop needs:
# both programs, a desktop entry that desktop-file-validate accepts, the theme
# icon, and the help page the version dialog opens with the README.
set(prefix "${BUILD}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/frivo bin/frivo-grab share/applications/frivo.desktop
        share/icons/hicolor/scalable/apps/frivo.svg share/doc/frivo/help.html
        share/doc/frivo/README.md)
  if(NOT EXISTS "${prefix}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATE} "${prefix}/share/applications/frivo.desktop"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR out MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
file(READ "${prefix}/share/applications/frivo.desktop" entry)
if(NOT entry MATCHES "MimeType=video/" OR NOT entry MATCHES "Name\\[ja\\]=")
  message(FATAL_ERROR "the desktop entry lacks video types or its Japanese name")
endif()
message(STATUS "installed and valid")
