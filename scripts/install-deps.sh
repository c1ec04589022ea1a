#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs with apt-get what Sferdoni needs on Debian 12, 13 or unstable, and does nothing when
# all of it is there. Installing needs root.
#
#   bash scripts/install-deps.sh [--play] [--missing]
#
# Without --play: everything that building, testing and packaging need (scripts/test.sh).
# With --play: only what building and playing the game need (scripts/play.sh).
# --missing installs nothing and prints the missing packages on one line (empty when none).
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-svg-dev            # Qt's SVG library, which draws the pictures
    qt6-translations-l10n  # Qt's own buttons in Italian ("Annulla")
    libwayland-dev         # to ask a Wayland desktop, before Qt starts, whether it frames windows
    pkgconf                # which finds libwayland for CMake
    fonts-liberation       # metric-compatible stand-ins for the window's fonts
    fonts-lato             # the heavy face of the clock
    fonts-dejavu-core
)
only_play=0
list_missing=0
for option in "$@"; do
    case "$option" in
    --play) only_play=1 ;;
    --missing) list_missing=1 ;;
    *)
        echo "usage: bash scripts/install-deps.sh [--play] [--missing]" >&2
        exit 64
        ;;
    esac
done
if ((!only_play)); then
    # Building and checking the Debian package: dpkg-buildpackage and debhelper, the package
    # test's lintian, hardening-check, autopkgtest and diffoscope (for a package that is not
    # the same when built twice).
    packages+=(dpkg-dev debhelper fakeroot git file desktop-file-utils appstream lintian
        devscripts autopkgtest diffoscope-minimal)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((list_missing)); then
    echo "${missing[*]}"
    exit 0
fi
if ((${#missing[@]} == 0)); then
    exit 0
fi
if ((EUID != 0)); then
    echo "install-deps.sh: installing the missing packages needs root; run it with sudo" \
        "(missing: ${missing[*]})" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
