# Installs a build into a scratch prefix and checks that the result is what a desktop needs:
# the program alone in bin/, its manual in share/marlisse/, the desktop entry, the icons and
# the AppStream data, both validated by their freedesktop tools. Then builds the Debian package
# and checks that it holds the same files under /usr and depends on the toolkit's libraries
# and HTML Tidy's.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -DAPPSTREAM_ID=...
#         -DPACKAGE=marlisse_2.1 -P checkinstall.cmake

cmake_minimum_required(VERSION 3.21)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${result}):\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

function(find_tool variable name package)
    find_program(${variable} ${name})
    if(NOT ${variable})
        message(FATAL_ERROR "${name} is missing: install the Debian package ${package}")
    endif()
endfunction()

# A PNG gives its width and height as two 4-byte numbers right after the IHDR tag.
function(check_png path size)
    math(EXPR hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex}" 2 -1 hex)
    string(LENGTH "${hex}" length)
    math(EXPR zeros "8 - ${length}")
    string(REPEAT "0" ${zeros} pad)
    file(READ "${path}" header LIMIT 24 HEX)
    if(NOT header MATCHES "^89504e470d0a1a0a0000000d49484452${pad}${hex}${pad}${hex}$")
        message(FATAL_ERROR "${path} is not a ${size} x ${size} PNG: ${header}")
    endif()
endfunction()

find_tool(desktop_file_validate desktop-file-validate desktop-file-utils)
find_tool(appstreamcli appstreamcli appstream)
find_tool(dpkg_deb dpkg-deb dpkg)

file(REMOVE_RECURSE "${PREFIX}")
run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}")

set(desktop "${DATADIR}/applications/marlisse.desktop")
set(metainfo "${DATADIR}/metainfo/${APPSTREAM_ID}.metainfo.xml")
set(expected
    "${BINDIR}/marlisse"
    "${DATADIR}/marlisse/AideMarlisse/index.html"
    "${desktop}"
    "${metainfo}"
    "${DATADIR}/icons/hicolor/32x32/apps/marlisse.png"
    "${DATADIR}/icons/hicolor/64x64/apps/marlisse.png")
foreach(path ${expected})
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${PREFIX}/${path}")
    endif()
endforeach()

# bin/ holds the program and nothing else: the manual and the preferences live elsewhere.
file(GLOB in_bin RELATIVE "${PREFIX}/${BINDIR}" "${PREFIX}/${BINDIR}/*")
if(NOT in_bin STREQUAL "marlisse")
    message(FATAL_ERROR "${BINDIR}/ must hold only the program, not: ${in_bin}")
endif()

file(STRINGS "${PREFIX}/${desktop}" lines)
foreach(wanted "Type=Application" "Name=Marlisse" "Exec=marlisse" "Icon=marlisse")
    if(NOT wanted IN_LIST lines)
        message(FATAL_ERROR "the desktop entry lacks ${wanted}")
    endif()
endforeach()
run("${desktop_file_validate}" "${PREFIX}/${desktop}")
if(output MATCHES "error:|warning:")
    message(FATAL_ERROR "desktop-file-validate:\n${output}")
endif()

# The AppStream data names the desktop entry it describes.
file(READ "${PREFIX}/${metainfo}" appstream)
foreach(wanted "<id>${APPSTREAM_ID}</id>" "<launchable type=\"desktop-id\">marlisse.desktop<"
               "<summary xml:lang=\"fr\">" "<p xml:lang=\"fr\">" "<screenshot type=\"default\">")
    string(FIND "${appstream}" "${wanted}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "the AppStream data lacks ${wanted}")
    endif()
endforeach()
# Files are read and saved in their own encoding, not all in ISO 8859-1.
if(NOT appstream MATCHES "UTF-8" OR appstream MATCHES "written in ISO 8859-1|écrits en ISO 8859-1")
    message(FATAL_ERROR "the AppStream data does not describe the encodings files are read in")
endif()
run("${appstreamcli}" validate --no-net "${PREFIX}/${metainfo}")

check_png("${PREFIX}/${DATADIR}/icons/hicolor/32x32/apps/marlisse.png" 32)
check_png("${PREFIX}/${DATADIR}/icons/hicolor/64x64/apps/marlisse.png" 64)

# The Debian package: the same files under /usr, its run-time dependencies found.
set(package_dir "${PREFIX}-package")
file(REMOVE_RECURSE "${package_dir}")
run("${CMAKE_CPACK_COMMAND}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${package_dir}")
set(deb "${package_dir}/${PACKAGE}_amd64.deb")
if(NOT EXISTS "${deb}")
    file(GLOB made "${package_dir}/*.deb")
    message(FATAL_ERROR "cpack did not make ${deb}, but: ${made}")
endif()
run("${dpkg_deb}" -c "${deb}")
string(REGEX MATCHALL "\\./usr/[^\n]*[^/\n]\n" listed "${output}")
list(TRANSFORM listed STRIP)
list(TRANSFORM listed REPLACE "^\\./usr/" "")
foreach(path ${expected})
    if(NOT path IN_LIST listed)
        message(FATAL_ERROR "the package lacks /usr/${path}:\n${output}")
    endif()
endforeach()
foreach(path ${listed})
    if(path MATCHES "^${BINDIR}/" AND NOT path STREQUAL "${BINDIR}/marlisse")
        message(FATAL_ERROR "the package puts more than the program in /usr/${BINDIR}: ${path}")
    endif()
endforeach()
run("${dpkg_deb}" --field "${deb}" Depends)
foreach(wanted libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libtidy5deb1 libc6
               qt6-qpa-plugins)
    if(NOT output MATCHES "(^|, )${wanted}( |,|\n|$)")
        message(FATAL_ERROR "the package does not depend on ${wanted}: ${output}")
    endif()
endforeach()
message(STATUS "installed layout and package are complete in ${PREFIX} and ${deb}")
