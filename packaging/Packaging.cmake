# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and the Debian package.
#
#   cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build/deb && cd build/deb && cpack -G DEB
#
# scripts/build-deb.sh does exactly this. See packaging/README.md.

include(GNUInstallDirs)

# One id names the desktop entry, the AppStream component and the icon.
set(SFERDONI_APP_ID "io.github.sferdoni.Sferdoni")
set(_sferdoni_packaging_dir "${CMAKE_CURRENT_LIST_DIR}")

# Debian keeps games in /usr/games (Policy 11.11), not /usr/bin.
set(SFERDONI_GAMES_DIR "games")
install(TARGETS sferdoni RUNTIME DESTINATION ${SFERDONI_GAMES_DIR})

# The only writer of the machine-wide record in /var/games/sferdoni. It is installed 0755: the
# package's postinst gives it its group (games) and then its set-group-id bit, so it is never
# set-group-id to another group, not even between unpacking and configuring.
if(TARGET sferdoni-record)
    install(TARGETS sferdoni-record RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/sferdoni)
endif()

# What stripping (cpack, cmake --install --strip) leaves and the package needs not: the
# compiler's notes, as Debian's own tools strip them.
string(CONFIGURE [[
if(CMAKE_INSTALL_DO_STRIP)
    foreach(program "@SFERDONI_GAMES_DIR@/sferdoni" "@CMAKE_INSTALL_LIBEXECDIR@/sferdoni/sferdoni-record")
        if(NOT IS_ABSOLUTE "${program}")
            set(program "${CMAKE_INSTALL_PREFIX}/${program}")
        endif()
        if(EXISTS "$ENV{DESTDIR}${program}")
            execute_process(COMMAND "@CMAKE_STRIP@" --remove-section=.comment --remove-section=.note
                                    "$ENV{DESTDIR}${program}" COMMAND_ERROR_IS_FATAL ANY)
        endif()
    endforeach()
endif()
]] _sferdoni_strip_notes @ONLY)
install(CODE "${_sferdoni_strip_notes}")

# The desktop entry names the installed game by its full path.
set(SFERDONI_GAME_PATH "${CMAKE_INSTALL_PREFIX}/${SFERDONI_GAMES_DIR}/sferdoni")
configure_file("${_sferdoni_packaging_dir}/${SFERDONI_APP_ID}.desktop.in"
               "${CMAKE_BINARY_DIR}/packaging/${SFERDONI_APP_ID}.desktop" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/packaging/${SFERDONI_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The manual page and the changelog, compressed as Debian wants them (gzip -9n: no name, no
# time stamp, so that two builds give the same bytes).
set(_sferdoni_compressed "")
foreach(source sferdoni.6 changelog)
    set(_copy "${CMAKE_BINARY_DIR}/packaging/${source}")
    add_custom_command(OUTPUT "${_copy}.gz"
                       COMMAND ${CMAKE_COMMAND} -E copy "${_sferdoni_packaging_dir}/${source}" "${_copy}"
                       COMMAND gzip -9nf "${_copy}"
                       DEPENDS "${_sferdoni_packaging_dir}/${source}" VERBATIM)
    list(APPEND _sferdoni_compressed "${_copy}.gz")
endforeach()
add_custom_target(sferdoni_compressed_docs ALL DEPENDS ${_sferdoni_compressed})
install(FILES "${CMAKE_BINARY_DIR}/packaging/sferdoni.6.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES "${CMAKE_BINARY_DIR}/packaging/changelog.gz" "${_sferdoni_packaging_dir}/copyright"
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES "${_sferdoni_packaging_dir}/lintian-overrides"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME sferdoni)

install(FILES "${_sferdoni_packaging_dir}/${SFERDONI_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${CMAKE_SOURCE_DIR}/ui/icons/app.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SFERDONI_APP_ID}.svg)
# Rendered once from ui/icons/app.svg with: rsvg-convert -w 48 -h 48 ui/icons/app.svg
install(FILES "${_sferdoni_packaging_dir}/icons/48x48.png"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME ${SFERDONI_APP_ID}.png)

# --- CPack: the Debian package ----------------------------------------------------------------

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sferdoni")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Sferdoni developers")
set(CPACK_PACKAGE_CONTACT "Sferdoni developers <dev@sferdoni.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "game that teaches children the types of plane angles")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME "sferdoni")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Sferdoni developers <dev@sferdoni.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The synopsis line is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sferdoni draws a random angle as a pie sector, shows its amplitude and asks
the player to name its type: acute, right, obtuse, straight, reflex or full.
A game lasts fifteen minutes; the best score is shared by every user of the
computer.

The interface is in Italian.")
# The libraries it links come from dpkg-shlibdeps; these are loaded at run time instead: Qt's
# Italian translation, Qt's SVG icon engine (the pictures at sizes not shipped ready drawn, such
# as the window icon) and the fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-translations-l10n, libqt6svg6, fonts-liberation, fonts-lato")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${_sferdoni_packaging_dir}/debian/postinst"
    "${_sferdoni_packaging_dir}/debian/postrm")
# Maintainer scripts 0755, other control files 0644.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Refuses to package a build whose compiled-in paths differ from those of the maintainer scripts.
set(CPACK_PROJECT_CONFIG_FILE "${_sferdoni_packaging_dir}/CPackOptions.cmake")
set(CPACK_SFERDONI_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
if(DEFINED SFERDONI_SHARED_RECORD_DIR)
    set(CPACK_SFERDONI_RECORD_DIR "${SFERDONI_SHARED_RECORD_DIR}")
endif()

include(CPack)
