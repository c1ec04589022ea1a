#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays one whole game of Sferdoni by keys alone on the desktops Debian ships, headless: GNOME
# Shell (mutter) and KWin, each with the game on XWayland (QT_QPA_PLATFORM=xcb), on Wayland
# (QT_QPA_PLATFORM=wayland, with qt6-wayland) and where it chooses by itself ("own": XWayland on
# GNOME, Wayland on KDE), and prints for each run whether the game window had the keyboard focus after the start boxes,
# whether every box stood over the game (the start boxes: in the middle of the screen), the
# buttons of the window's frame, whether the keys reached every box, and the game's exit status.
#
#     bash scripts/desktop-check.sh [GAME] [--shots DIR] [--only gnome|kwin]
#
# GAME defaults to build/release/sferdoni, else build/sferdoni. DIR (default: a new temporary
# directory) receives a screenshot of the desktop at every box and the game's output. Exits 1
# when a desktop fails, 2 when something is missing. Not part of the tests: it takes about three
# minutes.
#
# GNOME runs as `gnome-shell --headless --wayland --virtual-monitor` in a private session bus and
# a private system bus (no logind), with a small shell extension that turns on the shell's unsafe
# mode, so that org.gnome.Shell.Eval can tell the windows and org.gnome.Shell.Screenshot answers.
# KWin runs as `kwin_wayland --virtual --xwayland` with its permission checks off for fake input
# and screenshots; the windows come from a KWin script. The keys come from the compositor's own
# virtual keyboard (mutter's RemoteDesktop, KWin's fake input), so they go where a real keyboard's
# would: a window the desktop did not focus does not get them. scripts/desktop-player.py plays.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
python=/usr/bin/python3 # Debian's, which has python3-dbus
size=1280x800

# Inside a private session bus: one desktop and the game three times on it.
if [[ "${1:-}" == "--session" ]]; then
    desktop="$2" work="$3" game="$4" shots="$5"
    export XDG_SESSION_TYPE=wayland
    if [[ "$desktop" == gnome ]]; then
        export XDG_CURRENT_DESKTOP=GNOME
        gsettings set org.gnome.shell enabled-extensions "['desktop-check@sferdoni']"
        gsettings set org.gnome.shell welcome-dialog-last-shown-version "'999'"
        gnome-shell --headless --wayland --virtual-monitor "$size" >"$shots/gnome-shell.log" 2>&1 &
        compositor=$!
        ready() { gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell \
            -m org.gnome.Shell.Eval 1 2>/dev/null | grep -q true; }
        log="$shots/gnome-shell.log"
    else
        export XDG_CURRENT_DESKTOP=KDE
        # The packaged binary carries a file capability that a container may refuse to exec.
        cp /usr/bin/kwin_wayland "$work/kwin_wayland"
        KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
            QT_LOGGING_RULES="kwin_scripting=true;js=true" \
            "$work/kwin_wayland" --virtual --xwayland --width "${size%x*}" \
            --height "${size#*x}" --socket wayland-check >"$shots/kwin.log" 2>&1 &
        compositor=$!
        ready() { gdbus call --session -d org.kde.KWin -o /Scripting \
            -m org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; }
        log="$shots/kwin.log"
    fi
    xwayland=""
    for _ in $(seq 120); do
        xwayland="$(pgrep -P "$compositor" -x Xwayland || true)"
        [[ -n "$xwayland" ]] && ready && break
        kill -0 "$compositor" 2>/dev/null || break
        sleep 0.5
    done
    if [[ -z "$xwayland" ]] || ! ready; then
        echo "desktop-check: $desktop did not start (see $log)" >&2
        exit 1
    fi
    sleep 3 # the shell's start-up animation, KWin's first frames
    mapfile -d '' -t xargs <"/proc/$xwayland/cmdline"
    export DISPLAY="${xargs[1]}"
    unset XAUTHORITY
    for ((i = 2; i < ${#xargs[@]}; ++i)); do
        [[ "${xargs[i]}" == -auth ]] && export XAUTHORITY="${xargs[i + 1]}"
    done
    for socket in "$XDG_RUNTIME_DIR"/wayland-*; do
        [[ -S "$socket" ]] && export WAYLAND_DISPLAY="${socket##*/}" && break
    done
    export SCREEN="$size" KWIN_LOG="$log"
    # X11 (what Debian 12's GNOME gives without qt6-wayland), Wayland forced by the player, and
    # the game's own choice.
    for platform in xcb wayland own; do
        echo "desktop-check: $desktop, the game on $platform" >&2
        export PLAYER_HOME="$work/player-$desktop-$platform"
        mkdir -p "$PLAYER_HOME"
        "$python" "$here/scripts/desktop-player.py" "$desktop" "$platform" "$game" "$shots" \
            >"$work/result-$desktop-$platform.json" || true
    done
    exit 0
fi

game=""
shots=""
only="gnome kwin"
while (($#)); do
    case "$1" in
    --shots) shots="$2" && shift ;;
    --only) only="$2" && shift ;;
    -h | --help) sed -n '3,22p' "$0" | cut -c3- && exit 0 ;;
    *) game="$1" ;;
    esac
    shift
done
if [[ -z "$game" ]]; then
    for candidate in "$here/build/release/sferdoni" "$here/build/sferdoni"; do
        [[ -x "$candidate" ]] && game="$candidate" && break
    done
fi
if [[ -z "$game" || ! -x "$game" ]]; then
    echo "desktop-check: no game at ${game:-build/release/sferdoni or build/sferdoni}; build it" \
        "with: cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&" \
        "cmake --build build/release -j2" >&2
    exit 2
fi
game="$(realpath "$game")"

missing=()
for tool in gnome-shell kwin_wayland Xwayland dbus-run-session dbus-daemon gdbus gsettings \
    xprop pgrep; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
"$python" -c 'import dbus' 2>/dev/null || missing+=(python3-dbus)
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
    missing+=(qt6-wayland)
ls /usr/lib/*/qt5/plugins/org.kde.kdecoration2/breezedecoration.so >/dev/null 2>&1 ||
    missing+=("KWin's Breeze decoration")
if ((${#missing[@]})); then
    echo "desktop-check: missing: ${missing[*]}" >&2
    echo "  install with: apt-get install --no-install-recommends gnome-shell mutter" \
        "kwin-wayland kwin-style-breeze xwayland qt6-wayland dbus dbus-bin libglib2.0-bin" \
        "x11-utils procps python3-dbus" >&2
    exit 2
fi
# mutter starts Xwayland only where the X socket directory has its usual mode.
if [[ -d /tmp/.X11-unix && "$(stat -c %a /tmp/.X11-unix)" != 1777 ]]; then
    if ((EUID == 0)); then
        echo "desktop-check: giving /tmp/.X11-unix its usual mode 1777 (mutter needs it)" >&2
        chmod 1777 /tmp/.X11-unix
    else
        echo "desktop-check: /tmp/.X11-unix is not mode 1777, so mutter cannot start" \
            "Xwayland; as root: chmod 1777 /tmp/.X11-unix" >&2
        exit 2
    fi
fi

work="$(mktemp -d /tmp/desktop-check.XXXXXX)"
shots="${shots:-$work/shots}"
mkdir -p "$shots"
shots="$(realpath "$shots")"
token="desktop-check-$$-$RANDOM"

# Every process this script starts carries the token in its environment: at the end exactly those
# are ended, whatever became of their parents.
cleanup()
{
    local pid signal
    for signal in TERM KILL; do
        for pid in $(grep -lsz "^SFERDONI_CHECK_RUN=$token\$" /proc/[0-9]*/environ |
            cut -d/ -f3); do
            [[ "$pid" != "$$" ]] && kill -"$signal" "$pid" 2>/dev/null || true
        done
        sleep 1
    done
}
trap cleanup EXIT
export SFERDONI_CHECK_RUN="$token"

for desktop in $only; do
    # A fresh user for each desktop: its own home, runtime directory and buses.
    user="$work/$desktop"
    export HOME="$user/home" XDG_CONFIG_HOME="$user/config" XDG_DATA_HOME="$user/data" \
        XDG_CACHE_HOME="$user/cache" XDG_RUNTIME_DIR="$user/run" XDG_STATE_HOME="$user/state"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" \
        "$XDG_STATE_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS
    if [[ "$desktop" == gnome ]]; then
        # gnome-shell does not start without a system bus; this one has no logind behind it.
        cat >"$user/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$user/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
        dbus-daemon --config-file="$user/system-bus.conf" --nofork >/dev/null 2>&1 &
        export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$user/system-bus"
        # The extension that opens the shell to this check: unsafe mode, no overview at start.
        extension="$XDG_DATA_HOME/gnome-shell/extensions/desktop-check@sferdoni"
        mkdir -p "$extension"
        cat >"$extension/metadata.json" <<'EOF'
{"uuid": "desktop-check@sferdoni", "name": "desktop check", "shell-version": ["43", "44"],
 "description": "Lets a headless check list the windows and take screenshots over D-Bus."}
EOF
        cat >"$extension/extension.js" <<'EOF'
const Main = imports.ui.main;
class Extension {
    enable() {
        global.context.unsafe_mode = true;
        if (Main.layoutManager._startingUp)
            Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
        else
            Main.overview.hide();
    }
    disable() {}
}
function init() { return new Extension(); }
EOF
    fi
    echo "desktop-check: starting $desktop" >&2
    dbus-run-session -- bash ${DESKTOP_CHECK_TRACE:+-x} "$0" --session "$desktop" "$user" "$game" "$shots" ||
        echo "{\"desktop\": \"$desktop\", \"error\": \"did not start\"}" \
            >"$user/result-$desktop-xcb.json"
    cleanup
done

status=0
"$python" "$here/scripts/desktop-player.py" --report "$work"/*/result-*.json || status=$?
cp "$work"/*/result-*.json "$shots/" 2>/dev/null || true
[[ "$shots" == "$work"/* ]] || rm -rf "$work"
echo "desktop-check: screenshots, the desktops' and the game's logs and the results are in" \
    "$shots" >&2
exit "$status"
