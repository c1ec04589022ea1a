#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Sferdoni and starts it.
#
# Run it as yourself from a terminal of your desktop: it installs the missing packages through
# sudo (after saying which), builds the game in build/release and starts it as you. Without a
# display it stops at once, before installing or building anything.
set -euo pipefail
cd "$(dirname "$0")/.."

# An X11 display (a Wayland desktop provides one as well). A local one (":0") must have its
# socket, or the game would only fail after the whole build.
display="${DISPLAY:-}"
number="${display#:}"
socket="/tmp/.X11-unix/X${number%%.*}"
if [[ -z "$display" || ($display == :* && ! -S "$socket") ]]; then
    echo "play.sh: there is no display to show the game on: run 'bash scripts/play.sh' as" \
        "yourself from a terminal of your desktop, not from a root shell (su -, sudo -i)." >&2
    exit 1
fi

missing="$(bash scripts/install-deps.sh --play --missing)"
if [[ -n "$missing" ]]; then
    if ((EUID == 0)); then
        bash scripts/install-deps.sh --play
    else
        echo "play.sh: installing the missing packages with sudo apt-get (sudo may ask for" \
            "your password): $missing"
        if ! sudo bash scripts/install-deps.sh --play; then
            echo "play.sh: could not install the packages; as root, run:" \
                "apt-get install $missing" >&2
            exit 1
        fi
    fi
fi

build=build/release
if [[ -e "$build" && ! -w "$build" ]]; then
    echo "play.sh: $build belongs to another user (an earlier run as root?); remove it with" \
        "'sudo rm -r $build' and run this again." >&2
    exit 1
fi
if [[ ! -x "$build/sferdoni" ]]; then
    echo "play.sh: building the game in $build (the first build takes a minute or two)"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
exec "$build/sferdoni"
