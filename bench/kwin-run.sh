#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command as a client of a headless KWin of its own, the Wayland session of a KDE desktop,
# as xvfb-run does with an X server: kwin_wayland --virtual on a 1280x1024 screen, without
# XWayland, in a private runtime directory (mode 0700) on a private session bus, its settings and
# caches in that directory too, so that no other desktop on the machine is disturbed. The command
# runs with QT_QPA_PLATFORM=wayland, WAYLAND_DISPLAY and XDG_RUNTIME_DIR pointing at that KWin,
# no DISPLAY, and the rest of the caller's environment (its session bus too, as under xvfb-run:
# only the window system differs). KWin stops when the command ends; the exit status is the
# command's, 125 when KWin did not start.
#
# Usage: bash bench/kwin-run.sh COMMAND [ARG...]
#   KWIN_LOG   where KWin's own output goes (default: discarded)
set -euo pipefail

(($#)) || { echo "usage: bash bench/kwin-run.sh COMMAND [ARG...]" >&2; exit 2; }
installed=$(command -v kwin_wayland) ||
    { echo "kwin_wayland is missing (package kwin-wayland)" >&2; exit 127; }
command -v dbus-run-session >/dev/null ||
    { echo "dbus-run-session is missing (package dbus-bin)" >&2; exit 127; }

dir=$(mktemp -d) # mode 0700
session=""
# shellcheck disable=SC2317 # run by the trap
stop() {
    if [[ -n $session ]]; then
        # dbus-run-session ends the bus once KWin, the program it runs, has ended.
        local kwin
        kwin=$(pgrep -P "$session" -x kwin_wayland || true)
        if [[ -n $kwin ]]; then kill "$kwin" 2>/dev/null || true; fi
        wait "$session" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap stop EXIT

# A copy of the program: in a container the file capability of the installed one
# (cap_sys_resource on Debian 12) can keep it from starting at all. The copy keeps the name kwin_wayland, the
# only one KWin's own Qt platform plugin accepts.
mkdir -m 0700 "$dir/bin" "$dir/runtime" "$dir/config" "$dir/data" "$dir/cache"
cp "$installed" "$dir/bin/kwin_wayland"
socket="sferdoni-bench-$$"
env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u DBUS_SESSION_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
    XDG_CACHE_HOME="$dir/cache" \
    dbus-run-session -- "$dir/bin/kwin_wayland" --virtual --width 1280 --height 1024 \
    --socket "$socket" "touch $dir/ready" >"${KWIN_LOG:-/dev/null}" 2>&1 &
session=$!

# KWin starts the programs of its command line once its workspace is up, every protocol offered:
# then it is ready (its socket comes earlier, and a client asking too soon could miss the offer
# to draw its frame).
for ((tenths = 0; tenths < 300; tenths++)); do
    [[ -e $dir/ready ]] && break
    kill -0 "$session" 2>/dev/null || break
    sleep 0.1
done
if [[ ! -e $dir/ready ]]; then
    echo "kwin_wayland did not start${KWIN_LOG:+ (see $KWIN_LOG)}" >&2
    exit 125
fi

status=0
env -u DISPLAY -u WAYLAND_SOCKET XDG_RUNTIME_DIR="$dir/runtime" WAYLAND_DISPLAY="$socket" \
    QT_QPA_PLATFORM=wayland "$@" || status=$?
exit "$status"
