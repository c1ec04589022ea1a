#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Sferdoni and prints the path of the .deb on standard output (the
# build's own messages go to standard error).
#
#   bash scripts/build-deb.sh [BUILD_DIR]      # BUILD_DIR defaults to build/deb
#
# As root it first installs what is missing (scripts/install-deps.sh); as another user it
# installs nothing and says what is missing. The game and the helper are built
# with Debian's hardening flags from dpkg-buildflags.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/deb}"

{
    if ((EUID == 0)); then
        bash "$root/scripts/install-deps.sh"
    else
        missing="$(bash "$root/scripts/install-deps.sh" --missing)"
        if [[ -n "$missing" ]]; then
            echo "build-deb.sh: not root, so nothing is installed; missing: $missing"
        fi
    fi

    # Debian's hardening: position-independent executable, _FORTIFY_SOURCE=2, stack protector,
    # full RELRO and immediate binding.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    flags() { (cd "$root" && dpkg-buildflags --get "$1"); }
    cxxflags="$(flags CPPFLAGS) $(flags CXXFLAGS)"
    ldflags="$(flags LDFLAGS)"

    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" \
        -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
    desktop-file-validate "$build/packaging/io.github.sferdoni.Sferdoni.desktop"
    appstreamcli validate --no-net "$root/packaging/io.github.sferdoni.Sferdoni.metainfo.xml"
    cmake --build "$build" -j"$(nproc)"
    rm -f "$build"/sferdoni_*.deb
    (cd "$build" && cpack -G DEB)
} >&2

debs=("$build"/sferdoni_*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f ${debs[0]} ]]; then
    echo "build-deb.sh: expected one sferdoni_*.deb in $build" >&2
    exit 1
fi
realpath "${debs[0]}"
