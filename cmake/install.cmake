# What "cmake --install" lays down: the program with its help manual beside it (the
# program looks for AideMarlisse in its own folder), a desktop entry and the 32 x 32
# icon, so that desktops list the editor in their application menu.

install(TARGETS marlisse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${MARLISSE_HELP_SOURCE} DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/marlisse.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/images/marlisse.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)

# The suite checks the installed layout in a scratch prefix of the build tree.
add_test(NAME install_layout
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                 -DBINDIR=${CMAKE_INSTALL_BINDIR} -DDATADIR=${CMAKE_INSTALL_DATADIR}
                 -P ${CMAKE_CURRENT_LIST_DIR}/checkinstall.cmake)
set_tests_properties(install_layout PROPERTIES TIMEOUT 120)
