#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays whole games of Sferdoni by keys alone with the Orca screen reader, as a blind player
# does, prints every word Orca said and judges it; exits 1 when any game failed a judgement.
#
#     bash scripts/screenreader-check.sh [--games N] [--busy K] [GAME [OUTDIR]]
#
# GAME defaults to build/release/sferdoni, else build/sferdoni (the README's build by hand);
# OUTDIR (default: a new temporary directory) keeps each game's Orca log and transcript. Not part
# of the tests: a game takes about four minutes. --games N plays N games in a row (default 1),
# ending them by turns when the countdown runs out and with "Esci" after the last warning; with
# --busy K the last K of them are played while a parallel build of the project keeps the machine
# busy.
#
# Everything runs on a private X display (Xvfb with openbox) in a private D-Bus session, with the
# accessibility bus, speech-dispatcher and espeak-ng speaking Italian into the null sound device,
# and with the game's own HOME, so the record is a fresh one. The game's clock runs SPEED times
# faster (libfaketime; SPEED=4 unless set), so that the whole countdown passes in minutes.
#
# The player (scripts/screenreader-player.py) decides what to press only from what Orca said: it
# reads the amplitude Orca spoke to choose the right answer (or, once, a wrong one), and it moves
# the focus with Tab until Orca names the button it wants. It plays: the name box, the greeting,
# the hidden buttons Go, Nuova nota and Command4, four turns with one wrong answer, the status bar
# on request, the window in flat review, the picture, a definition from the menu bar, the time
# warnings, the end of the game and the record box. It judges that every box's text is heard
# when the box opens, that the amplitude comes within 8 words after every box and only once, that
# moving between the answers says the answer and its state, that the status bar says the
# player's counts and the time left as time, that both warnings are heard, and that the end of
# the time is said with the score before the goodbye.
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

games=1 busy=0
while [[ "${1:-}" == --* ]]; do
    case "$1" in
    --games) games="$2" ;;
    --busy) busy="$2" ;;
    *)
        echo "screenreader-check: unknown option $1" >&2
        exit 2
        ;;
    esac
    shift 2
done
game="${1:-}"
if [[ -z "$game" ]]; then
    for built in "$here/build/release/sferdoni" "$here/build/sferdoni"; do
        [[ -x "$built" ]] && game="$built" && break
    done
fi
if [[ -z "$game" || ! -x "$game" ]]; then
    echo "screenreader-check: no game at ${game:-build/release/sferdoni or build/sferdoni}." \
        "Build it first, as the README says:" >&2
    echo "  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build -j\"\$(nproc)\"" >&2
    exit 2
fi
game="$(realpath "$game")"
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
trap 'cleanup; [[ "$out" == "$work" ]] || rm -rf "$work"' EXIT
export SFERDONI_CHECK_RUN="$token"

# A parallel build of the project, over and over, in a folder of its own.
keep_busy()
{
    local jobs=$(($(nproc) + 1))
    cmake -S "$here" -B "$work/busy-build" -DCMAKE_BUILD_TYPE=Debug >/dev/null 2>&1 || return 0
    while :; do
        cmake --build "$work/busy-build" --clean-first -j"$jobs" >/dev/null 2>&1 || true
    done
}

# One game, in a fresh home and on a fresh display: play_game N ENDING
play_game()
{
    local n="$1" ending="$2" game_work="$work/game-$1"
    mkdir -p "$game_work"
    (
        # The player's own home: fresh settings, a fresh record, Italian words for Orca's own
        # phrases.
        export HOME="$game_work/home" XDG_CONFIG_HOME="$game_work/config" \
            XDG_DATA_HOME="$game_work/data" XDG_CACHE_HOME="$game_work/cache" \
            XDG_RUNTIME_DIR="$game_work/run" XDG_STATE_HOME="$game_work/state"
        mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" \
            "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR/speech-dispatcher" "$game_work/orca-prefs" \
            "$game_work/locale" "$game_work/speechd-log"
        chmod 700 "$XDG_RUNTIME_DIR"
        localedef -i it_IT -f UTF-8 "$game_work/locale/it_IT.UTF-8" 2>/dev/null || true
        export LOCPATH="$game_work/locale" LANG=it_IT.UTF-8 LANGUAGE=it LC_ALL=it_IT.UTF-8

        # Speech into the null sound device.
        cp -r /etc/speech-dispatcher "$XDG_CONFIG_HOME/speech-dispatcher"
        cat >>"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF2'
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "it"
EOF2
        printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"

        local display="" d
        for d in $(seq 91 120); do
            [[ -e "/tmp/.X11-unix/X$d" || -e "/tmp/.X$d-lock" ]] && continue
            display=":$d"
            break
        done
        Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$game_work/xvfb.log" 2>&1 &
        local xvfb=$!
        for _ in $(seq 50); do
            [[ -e "/tmp/.X11-unix/X${display#:}" ]] && break
            sleep 0.1
        done
        export DISPLAY="$display"
        openbox >"$game_work/openbox.log" 2>&1 &
        sleep 1
        cp "$here/scripts/screenreader-player.py" "$game_work/player.py"
        local status=0
        ENDING="$ending" SPEED="$speed" OUT="$out" \
            dbus-run-session -- bash "$0" --session "$game_work" "$game" || status=$?
        kill "$xvfb" 2>/dev/null || true
        exit "$status"
    )
}

results=()
failed=0
busy_pid=""
for n in $(seq 1 "$games"); do
    ending=time
    ((n % 2 == 0)) && ending=esci
    load=quiet
    if ((n > games - busy)); then
        load=busy
        [[ -n "$busy_pid" ]] || {
            keep_busy &
            busy_pid=$!
        }
    fi
    status=0
    play_game "$n" "$ending" >"$work/game-$n.out" 2>&1 || status=$?
    mkdir -p "$out/game-$n"
    cp "$work/game-$n/orca.log" "$work/game-$n/transcript.txt" "$work/game-$n/game.log" \
        "$out/game-$n/" 2>/dev/null || true
    verdict="$(sed -n '/== Verdict ==/{n;p}' "$work/game-$n/transcript.txt" 2>/dev/null)"
    ((status == 0)) || failed=$((failed + 1))
    results+=("$(printf 'game %2d  %-5s  %-5s  %s' "$n" "$ending" "$load" "${verdict:-no verdict (status $status)}")")
    ((games == 1)) && cat "$work/game-$n/transcript.txt" 2>/dev/null
    grep -h '^FAILED' "$work/game-$n/transcript.txt" 2>/dev/null | sed "s/^/game $n: /" >&2 || true
done
[[ -z "$busy_pid" ]] || kill -- "$busy_pid" 2>/dev/null || true
cleanup
printf '%s\n' "${results[@]}"
echo "screenreader-check: $((games - failed)) of $games games passed; Orca's logs and the" \
    "transcripts are in $out" >&2
((failed == 0))
