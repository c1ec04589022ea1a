#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays one whole game of Sferdoni by keys alone with the Orca screen reader, as a blind player
# does, and prints every word Orca said.
#
#     bash scripts/screenreader-check.sh [GAME [OUTDIR]]
#
# GAME defaults to build/release/sferdoni; OUTDIR (default: a new temporary directory) keeps
# Orca's log, the transcript and screenshots. Not part of the tests: it takes a few minutes.
#
# Everything runs on a private X display (Xvfb with openbox) in a private D-Bus session, with the
# accessibility bus, speech-dispatcher and espeak-ng speaking Italian into the null sound device,
# and with the game's own HOME, so the record is a fresh one. The game's clock runs SPEED times
# faster (libfaketime; SPEED=4 unless set), so that the whole countdown passes in minutes.
#
# The player (a Python script below) decides what to press only from what Orca said: it reads the
# amplitude Orca spoke to choose the right answer (or, once, a wrong one), and it moves the focus
# with Tab until Orca names the button it wants. It plays: the name box, the hidden buttons Go,
# Nuova nota and Command4, three turns with one wrong answer, the status bar on request, the
# window in flat review, the picture, a definition from the menu bar, the time warnings, Esci.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"

if [[ "${1:-}" == "--session" ]]; then
    # Inside the private D-Bus session: accessibility bus, speech, the game, Orca and the player.
    shift
    work="$1" game="$2"
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    sleep 1
    gsettings set org.gnome.desktop.interface toolkit-accessibility true || true
    speech-dispatcher --run-single --timeout 0 --config-dir "$work/config/speech-dispatcher" \
        --socket-path "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" \
        --log-dir "$work/speechd-log" >/dev/null 2>&1 &
    sleep 1
    orca --user-prefs "$work/orca-prefs" --debug-file "$work/orca.log" \
        >"$work/orca.out" 2>&1 &
    sleep 4
    python3 "$work/player.py" "$work" "$game"
    exit $?
fi

game="$(realpath "${1:-$here/build/release/sferdoni}")"
out="${2:-}"
speed="${SPEED:-4}"

missing=()
for tool in Xvfb openbox dbus-run-session orca speech-dispatcher espeak-ng xdotool gsettings \
    localedef faketime python3 import; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
[[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=(at-spi-bus-launcher)
[[ -e /usr/lib/speech-dispatcher-modules/sd_espeak-ng ]] || missing+=(sd_espeak-ng)
if ((${#missing[@]})); then
    echo "screenreader-check: missing: ${missing[*]}" >&2
    echo "  install with: apt-get install xvfb openbox dbus orca speech-dispatcher" \
        "speech-dispatcher-espeak-ng espeak-ng at-spi2-core xdotool faketime imagemagick" \
        "libglib2.0-bin locales python3-pyatspi" >&2
    exit 2
fi
[[ -x "$game" ]] || {
    echo "screenreader-check: no game at $game (build it first)" >&2
    exit 2
}

work="$(mktemp -d /tmp/screenreader-check.XXXXXX)"
out="${out:-$work}"
mkdir -p "$out"
token="screenreader-check-$$-$RANDOM"

# Every process this script starts carries the token in its environment: at the end exactly those
# are ended, whatever became of their parents.
cleanup()
{
    local pid
    for pid in $(grep -lsz "^SFERDONI_CHECK_RUN=$token\$" /proc/[0-9]*/environ |
        cut -d/ -f3); do
        [[ "$pid" != "$$" ]] && kill "$pid" 2>/dev/null || true
    done
    sleep 1
    for pid in $(grep -lsz "^SFERDONI_CHECK_RUN=$token\$" /proc/[0-9]*/environ |
        cut -d/ -f3); do
        [[ "$pid" != "$$" ]] && kill -9 "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT
export SFERDONI_CHECK_RUN="$token"

# The player's own home: fresh settings, a fresh record, Italian words for Orca's own phrases.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run" XDG_STATE_HOME="$work/state"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" \
    "$XDG_RUNTIME_DIR/speech-dispatcher" "$work/orca-prefs" "$work/locale" "$work/speechd-log"
chmod 700 "$XDG_RUNTIME_DIR"
localedef -i it_IT -f UTF-8 "$work/locale/it_IT.UTF-8" 2>/dev/null || true
export LOCPATH="$work/locale" LANG=it_IT.UTF-8 LANGUAGE=it LC_ALL=it_IT.UTF-8

# Speech into the null sound device.
cp -r /etc/speech-dispatcher "$XDG_CONFIG_HOME/speech-dispatcher"
cat >>"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "it"
EOF
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"

display=""
for n in $(seq 91 120); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    display=":$n"
    break
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
for _ in $(seq 50); do
    [[ -e "/tmp/.X11-unix/X${display#:}" ]] && break
    sleep 0.1
done
export DISPLAY="$display"
openbox >"$work/openbox.log" 2>&1 &
sleep 1

cp "$here/scripts/screenreader-player.py" "$work/player.py"
status=0
SPEED="$speed" OUT="$out" dbus-run-session -- bash "$0" --session "$work" "$game" || status=$?
if [[ "$out" != "$work" ]]; then
    cp "$work/orca.log" "$work/transcript.txt" "$work/game.log" "$out/" 2>/dev/null || true
    cleanup
    rm -rf "$work"
fi
echo "screenreader-check: Orca's log and the transcript are in $out" >&2
exit "$status"
