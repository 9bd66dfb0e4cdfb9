# Installs a build into a scratch prefix and checks that the result is what a desktop
# needs: the program with its manual beside it, the desktop entry and the icon.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -P checkinstall.cmake

cmake_minimum_required(VERSION 3.21)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(desktop "${PREFIX}/${DATADIR}/applications/marlisse.desktop")
set(icon "${PREFIX}/${DATADIR}/icons/hicolor/32x32/apps/marlisse.png")
foreach(path "${PREFIX}/${BINDIR}/marlisse" "${PREFIX}/${BINDIR}/AideMarlisse/index.html"
             "${desktop}" "${icon}")
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

file(STRINGS "${desktop}" lines)
list(GET lines 0 first)
if(NOT first STREQUAL "[Desktop Entry]")
    message(FATAL_ERROR "the desktop entry does not start with its group: ${first}")
endif()
foreach(wanted "Type=Application" "Name=Marlisse" "Exec=marlisse" "Icon=marlisse")
    if(NOT wanted IN_LIST lines)
        message(FATAL_ERROR "the desktop entry lacks ${wanted}")
    endif()
endforeach()

# A PNG gives its width and height as two 4-byte numbers right after the IHDR tag.
file(READ "${icon}" header LIMIT 24 HEX)
if(NOT header MATCHES "^89504e470d0a1a0a0000000d4948445200000020" OR
   NOT header MATCHES "00000020$")
    message(FATAL_ERROR "the icon is not a 32 x 32 PNG: ${header}")
endif()
message(STATUS "installed layout is complete in ${PREFIX}")
