# What "cmake --install" lays down, and the Debian package ("cpack -G DEB" from the build
# folder) that holds the same files under /usr: the program alone in bin/, the help manual in
# share/marlisse/ (the program looks for it beside itself first, then in ../share/marlisse/
# from its own folder; found there, it keeps its preferences in the user's folder, never in
# bin/), the desktop entry, the icon at the sizes that are drawn for it and the AppStream
# data, so that desktops and software centres list the editor.

set(MARLISSE_APPSTREAM_ID fr.marlisse.Marlisse)

install(TARGETS marlisse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${MARLISSE_HELP_SOURCE} DESTINATION ${CMAKE_INSTALL_DATADIR}/marlisse)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/marlisse.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${MARLISSE_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The window icon and its double-size drawing: the two sizes drawn sharply.
install(FILES ${CMAKE_SOURCE_DIR}/images/marlisse.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${CMAKE_SOURCE_DIR}/images/marlisse@2x.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME marlisse.png)

set(CPACK_PACKAGE_NAME marlisse)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Marlisse <marlisse@marlisse.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "French editor for the source text of HTML pages")
# No ";" in the text: CMake would read it as a list separator.
set(CPACK_PACKAGE_DESCRIPTION "Marlisse edits the source of one HTML page as plain text, \
with a French user interface. Menu, toolbar and keyboard commands wrap the selection in \
markup: styles, paragraphs and headings, lists, links, anchors, images, tables and a whole \
page skeleton. A highlighter colours the source as you type, F7 lists the page's markup \
problems found by HTML Tidy and its links that lead nowhere, and the viewer window \
Lisorel previews the saved page and shows the French help manual.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
# The libraries (the toolkit's, HTML Tidy's) come from dpkg-shlibdeps; the toolkit's
# window-system plugins are only recommended by its libraries, yet without them no
# window opens.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)

# The suite installs into a scratch prefix of the build tree, checks the layout, validates
# the desktop entry and the AppStream data, and looks inside the Debian package.
add_test(NAME install_layout
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                 -DBINDIR=${CMAKE_INSTALL_BINDIR} -DDATADIR=${CMAKE_INSTALL_DATADIR}
                 -DAPPSTREAM_ID=${MARLISSE_APPSTREAM_ID}
                 -DPACKAGE=${CPACK_PACKAGE_NAME}_${PROJECT_VERSION}
                 -P ${CMAKE_CURRENT_LIST_DIR}/checkinstall.cmake)
set_tests_properties(install_layout PROPERTIES TIMEOUT 300)
