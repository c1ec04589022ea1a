# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack before it builds a package (CPACK_PROJECT_CONFIG_FILE).
#
# The game finds sferdoni-record at the path compiled into it from CMAKE_INSTALL_PREFIX, and the
# maintainer scripts in packaging/debian/ name /usr/libexec/sferdoni/sferdoni-record and
# /var/games/sferdoni. A package built from another configuration would install a game that
# never finds its helper, so it is refused.
if(CPACK_GENERATOR STREQUAL "DEB")
    if(NOT CPACK_SFERDONI_INSTALL_PREFIX STREQUAL "/usr")
        message(FATAL_ERROR "The Debian package needs -DCMAKE_INSTALL_PREFIX=/usr "
                            "(this build has '${CPACK_SFERDONI_INSTALL_PREFIX}'); "
                            "scripts/build-deb.sh configures it so.")
    endif()
    if(DEFINED CPACK_SFERDONI_RECORD_DIR
       AND NOT CPACK_SFERDONI_RECORD_DIR STREQUAL "/var/games/sferdoni")
        message(FATAL_ERROR "The Debian package's maintainer scripts look after "
                            "/var/games/sferdoni, but this build's record directory is "
                            "'${CPACK_SFERDONI_RECORD_DIR}'.")
    endif()
endif()
