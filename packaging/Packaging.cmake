# SPDX-License-Identifier: GPL-3.0-or-later
# What any installation of Sferdoni needs: the game, the record helper, the desktop entry, the
# AppStream metadata, the icons and the manual page. A distribution's own files (for Debian:
# the copyright file, its changelog, the lintian overrides, the record directory and the
# helper's privileges) come from its packaging, here debian/. See packaging/README.md.

include(GNUInstallDirs)

# One id names the desktop entry, the AppStream component and the icon.
set(SFERDONI_APP_ID "io.github.sferdoni.Sferdoni")
set(_sferdoni_packaging_dir "${CMAKE_CURRENT_LIST_DIR}")

# Debian keeps games in /usr/games (Policy 11.11), not /usr/bin.
set(SFERDONI_GAMES_DIR "games")
install(TARGETS sferdoni RUNTIME DESTINATION ${SFERDONI_GAMES_DIR})

# The only writer of the machine-wide record. It is installed without privileges: the package
# gives it group games and mode 2755, and makes the record directory.
if(TARGET sferdoni-record)
    cmake_path(GET SFERDONI_RECORD_HELPER PARENT_PATH _sferdoni_helper_dir)
    install(TARGETS sferdoni-record RUNTIME DESTINATION "${_sferdoni_helper_dir}")
endif()

# The desktop entry names the installed game by its full path.
set(SFERDONI_GAME_PATH "${CMAKE_INSTALL_PREFIX}/${SFERDONI_GAMES_DIR}/sferdoni")
configure_file("${_sferdoni_packaging_dir}/${SFERDONI_APP_ID}.desktop.in"
               "${CMAKE_BINARY_DIR}/packaging/${SFERDONI_APP_ID}.desktop" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/packaging/${SFERDONI_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The manual page names the record's files and the helper where this build puts them.
configure_file("${_sferdoni_packaging_dir}/sferdoni.6.in" "${CMAKE_BINARY_DIR}/packaging/sferdoni.6"
               @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/packaging/sferdoni.6" DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

install(FILES "${_sferdoni_packaging_dir}/${SFERDONI_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${CMAKE_SOURCE_DIR}/ui/icons/app.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SFERDONI_APP_ID}.svg)
# Rendered once from ui/icons/app.svg with: rsvg-convert -w 48 -h 48 ui/icons/app.svg
install(FILES "${_sferdoni_packaging_dir}/icons/48x48.png"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME ${SFERDONI_APP_ID}.png)
