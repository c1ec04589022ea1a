#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmarks in Release, runs them on the offscreen platform, on xcb under an Xvfb of
# their own and on Wayland under a headless KWin of their own (when kwin_wayland is installed), and
# prints the figures side by side, each next to its target: the game's
# start-up to the first frame and peak memory against a bare Qt window with one label measured in
# the same run, the memory after a game of many turns with their boxes, the opening of a help box,
# and the cost of a turn and of a practice drawing. Nothing is asserted.
#
# Usage: bash bench/run.sh [--quick] [--runs N] [--turns N] [--box-turns N] [--no-deps]
#                          [--no-callgrind] [--no-xcb] [--no-wayland]
#   --quick         fewer of everything (3 start-ups, 1,000 calls, 200 turns with boxes, 50 calls
#                   under callgrind): for trying the script, not for figures to keep
#   --runs N        start-up runs of each program (median reported), default 7
#   --turns N       turns and practice drawings timed, default 10000
#   --box-turns N   turns played with their boxes, default 2000
#   --no-deps       do not run scripts/install-deps.sh nor install valgrind and Xvfb
#   --no-callgrind  skip the instruction counts
#   --no-xcb        no figures on xcb
#   --no-wayland    no figures on Wayland
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

runs=7
turns=10000
box_turns=2000
cg_turns=300
help_boxes=5
deps=1
callgrind=1
xcb=1
wayland=1
while (($#)); do
    case "$1" in
    --quick) runs=3; turns=1000; box_turns=200; cg_turns=50; help_boxes=3; shift ;;
    --runs) runs="$2"; shift 2 ;;
    --turns) turns="$2"; shift 2 ;;
    --box-turns) box_turns="$2"; shift 2 ;;
    --no-deps) deps=0; shift ;;
    --no-callgrind) callgrind=0; shift ;;
    --no-xcb) xcb=0; shift ;;
    --no-wayland) wayland=0; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done
((box_turns >= 20)) || box_turns=20

if ((deps)) && [[ $(id -u) -eq 0 ]]; then
    bash scripts/install-deps.sh >/dev/null
    missing=()
    ((callgrind)) && ! command -v valgrind >/dev/null && missing+=(valgrind)
    ((xcb)) && ! command -v xvfb-run >/dev/null && missing+=(xvfb xauth)
    if ((${#missing[@]})); then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" \
            >/dev/null
    fi
fi
command -v valgrind >/dev/null || callgrind=0
if ((xcb)) && ! command -v xvfb-run >/dev/null; then
    echo "xvfb-run is missing (package xvfb): offscreen figures only" >&2
    xcb=0
fi
# Not installed for the benchmark: KWin brings much of a KDE desktop with it.
if ((wayland)) && ! command -v kwin_wayland >/dev/null; then
    echo "kwin_wayland is missing (package kwin-wayland): no figures on Wayland" >&2
    wayland=0
fi
((callgrind)) || cg_turns=0

build="$root/build/bench"
mkdir -p "$build"
generator=()
if command -v ninja >/dev/null && [[ ! -f "$build/Makefile" ]]; then
    generator=(-G Ninja)
fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DSFERDONI_BENCH=ON \
    -DBUILD_TESTING=OFF >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --target bench_bare bench_startup bench_turn bench_boxes -j "$(nproc)" \
    >"$build/build.log" 2>&1 || { cat "$build/build.log" >&2; exit 1; }
bin="$build/bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
measure=(bash "$root/bench/measure.sh" "$bin")
settings=("$runs" "$turns" "$box_turns" "$cg_turns" "$help_boxes")

# The game asks a Wayland compositor, when there is one, what it offers before Qt starts
# (windowsystem::choose()): offscreen and on xcb it finds none, whatever session this runs in.
no_compositor=(env -u WAYLAND_DISPLAY -u WAYLAND_SOCKET)

QT_QPA_PLATFORM=offscreen "${no_compositor[@]}" "${measure[@]}" "$work/offscreen" "${settings[@]}"
if ((xcb)); then
    # -a: the first free display, so that no other Xvfb is disturbed; the server goes with the run.
    # No window manager: the figures are the program's own.
    if ! QT_QPA_PLATFORM=xcb "${no_compositor[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" \
        "${measure[@]}" "$work/xcb" "${settings[@]}" 2>"$work/xvfb.log"; then
        echo "the run on xcb failed:" >&2
        tail -n 20 "$work/xvfb.log" "$work/xcb/stderr.log" >&2 2>/dev/null || true
        exit 1
    fi
fi
if ((wayland)); then
    # KWin offers to draw the windows' frames, so the game tells Qt to draw none, which also keeps
    # Qt from loading EGL to decide about its own. The reference windows are given the same
    # setting, or the ratios would set the game against windows that load Mesa. Set by the caller
    # (0: Qt decides, as it did before the game chose), it holds for all three programs.
    reference="QT_WAYLAND_DISABLE_WINDOWDECORATION=${QT_WAYLAND_DISABLE_WINDOWDECORATION:-1}"
    status=0
    REFERENCE_SETTINGS="$reference" KWIN_LOG="$work/kwin.log" bash "$root/bench/kwin-run.sh" \
        "${measure[@]}" "$work/wayland" "${settings[@]}" 2>"$work/kwin-run.log" || status=$?
    if ((status == 125)); then
        echo "kwin_wayland did not start: no figures on Wayland" >&2
        tail -n 5 "$work/kwin.log" >&2 || true
        wayland=0
    elif ((status)); then
        echo "the run on wayland failed:" >&2
        tail -n 20 "$work/kwin-run.log" "$work/wayland/stderr.log" >&2 2>/dev/null || true
        exit 1
    fi
fi

# The value of key in a file of the platform's outputs ("" when there is none).
value() {
    if [[ -f "$work/$1/$2" ]]; then awk -v k="$3" '$1 == k { print $2 }' "$work/$1/$2"; fi
}
# The median of key over the start-up runs of one program.
median() {
    for f in "$work/$1/$2".*; do
        if [[ -f $f ]]; then awk -v k="$3" '$1 == k { print $2 }' "$f"; fi
    done |
        sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
        else if (NR) print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# awk arithmetic on numbers a, b, c; nothing when one is missing: calc '%.2f' 'a / b' 1 2
calc() {
    local format="$1" e="$2"
    shift 2
    for v in "$@"; do [[ $v =~ ^[-+0-9.e]+$ ]] || return 0; done
    awk -v a="${1:-0}" -v b="${2:-0}" -v c="${3:-0}" "BEGIN { printf \"$format\", $e }"
}
# "<= 1.90 x met" or "MISSED"; only the limit when the figure is missing.
target() {
    local figure="$1" limit="$2" shown="$3"
    if [[ -z $figure ]]; then
        echo "$shown"
    else
        awk -v v="$figure" -v t="$limit" -v s="$shown" \
            'BEGIN { print s ((v + 0 <= t + 0) ? " met" : " MISSED") }'
    fi
}
# A line of the table: its name, then each platform's figure and target.
row() {
    local line
    line=$(printf '  %-28s %11s  %-18s %11s  %-18s' "$1" "${2:--}" "$3" "${4:--}" "$5")
    if ((wayland)); then line+=$(printf ' %11s  %s' "${6:--}" "$7"); fi
    printf '%s\n' "$line" | sed 's/ *$//'
}
heading() { printf '%s\n' "$1"; }

# The figures of one platform, in variables named <figure>_<platform>.
collect() {
    local p="$1"
    local bare label game
    bare=$(value "$p" ir bare_ir) label=$(value "$p" ir label_ir) game=$(value "$p" ir game_ir)
    printf -v "bare_ir_$p" '%s' "$(calc '%.1f M' 'a / 1e6' "$bare")"
    printf -v "label_ir_$p" '%s' "$(calc '%.1f M' 'a / 1e6' "$label")"
    printf -v "game_ir_$p" '%s' "$(calc '%.1f M' 'a / 1e6' "$game")"
    printf -v "ratio_ir_$p" '%s' "$(calc '%.2f' 'a / b' "$game" "$label")"
    local calls
    calls=$(value "$p" ir calls)
    for kind in turn answered_turn practice; do
        printf -v "${kind}_k_$p" '%s' "$(calc '%.0f' 'a / b / 1000' "$(value "$p" ir "${kind}_ir")" "$calls")"
    done
    printf -v "help_first_$p" '%s' "$(calc '%.1f M' 'a / 1e6' "$(value "$p" ir help_first_ir)")"
    printf -v "help_again_$p" '%s' "$(calc '%.1f M' 'a / 1e6 / (b - 1)' \
        "$(value "$p" ir help_again_ir)" "$(value "$p" ir help_boxes)")"

    for prog in bare label game; do
        printf -v "${prog}_ms_$p" '%s' "$(calc '%.1f' 'a' "$(median "$p" "$prog" startup_ms)")"
        printf -v "${prog}_mib_$p" '%s' "$(calc '%.1f' 'a / 1024' "$(median "$p" "$prog" peak_rss_kib)")"
    done
    local game_ms label_ms game_kib label_kib
    game_ms=$(median "$p" game startup_ms) label_ms=$(median "$p" label startup_ms)
    game_kib=$(median "$p" game peak_rss_kib) label_kib=$(median "$p" label peak_rss_kib)
    printf -v "ratio_ms_$p" '%s' "$(calc '%.2f' 'a / b' "$game_ms" "$label_ms")"
    printf -v "extra_mib_$p" '%s' "$(calc '%+.1f' '(a - b) / 1024' "$game_kib" "$label_kib")"

    local early late boxes
    early=$(value "$p" boxes rss_after_20_kib) late=$(value "$p" boxes rss_after_turns_kib)
    boxes=$(calc '%.0f' 'b - a' "$(value "$p" boxes boxes_after_20)" \
        "$(value "$p" boxes boxes_after_turns)")
    printf -v "early_mib_$p" '%s' "$(calc '%.1f' 'a / 1024' "$early")"
    printf -v "late_mib_$p" '%s' "$(calc '%.1f' 'a / 1024' "$late")"
    printf -v "growth_mib_$p" '%s' "$(calc '%+.2f' '(b - a) / 1024' "$early" "$late")"
    printf -v "per_box_$p" '%s' "$(calc '%.2f' '(b - a) / c' "$early" "$late" "$boxes")"
    printf -v "anon_growth_$p" '%s' "$(calc '%+.2f' '(b - a) / 1024' \
        "$(value "$p" boxes anon_after_20_kib)" "$(value "$p" boxes anon_after_turns_kib)")"
    printf -v "box_turn_ms_$p" '%s' "$(calc '%.2f' 'a' "$(value "$p" boxes turn_with_boxes_mean_ms)")"

    for kind in turn answered_turn practice; do
        printf -v "${kind}_us_$p" '%s' "$(calc '%.1f' 'a' "$(value "$p" turn "${kind}_median_us")")"
    done
    # 1 or more: every call's repaint was inside the timed part.
    printf -v "paints_$p" '%s' "$(calc '%.2f' 'a' "$(value "$p" turn turn_client_paints_per_call)")"
}
collect offscreen
collect xcb
collect wayland
# On Wayland the game's peak against its peak on xcb, the platform of the same desktop without
# Wayland. (each() reads it by its name.)
# shellcheck disable=SC2034
printf -v over_xcb_mib_wayland '%s' "$(calc '%+.1f' '(a - b) / 1024' \
    "$(median wayland game peak_rss_kib)" "$(median xcb game peak_rss_kib)")"
# One figure on each platform: name unit, the offscreen limit and target shown, the same on xcb,
# the line's name, and optionally the limit and target shown on Wayland.
each() {
    local name="$1" unit="$2" ot="$3" ol="$4" xt="$5" xl="$6" wt="${8:-}" wl="${9:-}" off xcb wl_fig
    off="${name}_offscreen" xcb="${name}_xcb" wl_fig="${name}_wayland"
    off="${!off:-}" xcb="${!xcb:-}" wl_fig="${!wl_fig:-}"
    row "$7" "${off:+$off$unit}" "${ol:+$(target "$off" "$ot" "$ol")}" "${xcb:+$xcb$unit}" \
        "${xl:+$(target "$xcb" "$xt" "$xl")}" "${wl_fig:+$wl_fig$unit}" \
        "${wl:+$(target "$wl_fig" "$wt" "$wl")}"
}

platforms="offscreen"
((xcb)) && platforms+=", xcb under Xvfb 1280x1024 (no window manager)"
((wayland)) && platforms+=", wayland under KWin 1280x1024 (kwin_wayland --virtual, no XWayland)"
echo "Sferdoni benchmarks: $(nproc) cores; $platforms"
row "" "offscreen" "target" "xcb" "target" "wayland" "target"
if ((callgrind)); then
    heading "Instructions up to the first frame (callgrind)"
    each bare_ir '' '' '' '' '' 'bare window'
    each label_ir '' '' '' '' '' 'bare with a label'
    each game_ir '' '' '' '' '' 'game'
    each ratio_ir ' x' 1.79 '<= 1.79 x' 1.9 '<= 1.90 x' 'game / label'
fi
heading "Start-up to the first frame, time (median of $runs)"
each bare_ms ' ms' '' '' '' '' 'bare window'
each label_ms ' ms' '' '' '' '' 'bare with a label'
each game_ms ' ms' '' '' '' '' 'game'
each ratio_ms ' x' '' '' '' '' 'game / label'
heading "Peak memory, VmHWM (median of $runs)"
each bare_mib ' MiB' '' '' '' '' 'bare window'
each label_mib ' MiB' '' '' '' '' 'bare with a label'
each game_mib ' MiB' '' '' '' '' 'game'
each extra_mib ' MiB' 3.7 '<= +3.7 MiB' 4 '<= +4 MiB' 'game - label'
((wayland)) && each over_xcb_mib ' MiB' '' '' '' '' 'game - game on xcb' 4 '<= +4 MiB'
heading "Memory, VmRSS, over $box_turns turns with their boxes (a wrong answer every second turn)"
each early_mib ' MiB' '' '' '' '' 'after 20 turns'
each late_mib ' MiB' '' '' '' '' "after $box_turns turns"
each growth_mib ' MiB' 0.5 '<= +0.5 MiB' 0.5 '<= +0.5 MiB' 'growth'
each per_box ' KiB' '' '' '' '' 'growth per box'
each anon_growth ' MiB' '' '' '' '' 'of which anonymous (RssAnon)'
each box_turn_ms ' ms' '' '' '' '' 'a turn with its boxes, mean'
if ((callgrind)); then
    heading "A help box, from the click on \"?\" to its first frame (callgrind)"
    each help_first '' '' '' '' '' 'first opening'
    each help_again '' '' '' '' '' "each next opening"
    heading "A call with its repaint, instructions ($cg_turns calls each, callgrind)"
    each turn_k ' k' 470 '<= 470 k' '' '' 'turn'
    each answered_turn_k ' k' '' '' '' '' 'turn after an answer'
    each practice_k ' k' 400 '<= 400 k' '' '' 'practice drawing'
fi
heading "A call with its repaint, time (median of $turns calls each)"
each turn_us ' us' '' '' '' '' 'turn'
each answered_turn_us ' us' '' '' '' '' 'turn after an answer'
each practice_us ' us' '' '' '' '' 'practice drawing'
each paints '' '' '' '' '' 'drawing-area paints a turn'
