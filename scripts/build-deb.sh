#!/usr/bin/env bash
# Builds the Debian package of Sferdoni and prints the path of the .deb on standard output (the
# build's own messages go to standard error).
#
#   bash scripts/build-deb.sh [BUILD_DIR]      # BUILD_DIR defaults to build/deb
#
# As root it first installs what is missing with apt-get (scripts/install-deps.sh and the
# packaging tools); as another user it installs nothing.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/deb}"

{
    # What packaging needs on top of the build: dpkg-shlibdeps (dpkg-dev) and file for CPack's
    # dependency list, and the validators of the desktop entry and the AppStream metadata.
    packages=(dpkg-dev file desktop-file-utils appstream)
    if ((EUID == 0)); then
        bash "$root/scripts/install-deps.sh"
        missing=()
        for p in "${packages[@]}"; do
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
                missing+=("$p")
        done
        if ((${#missing[@]})); then
            export DEBIAN_FRONTEND=noninteractive
            apt-get update
            apt-get install -y --no-install-recommends "${missing[@]}"
        fi
    else
        echo "build-deb.sh: not root, so nothing is installed; this needs the packages listed" \
            "in scripts/install-deps.sh and ${packages[*]}" >&2
    fi

    desktop-file-validate "$root/packaging/io.github.sferdoni.Sferdoni.desktop"
    appstreamcli validate --no-net "$root/packaging/io.github.sferdoni.Sferdoni.metainfo.xml"

    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_INSTALL_PREFIX=/usr
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
