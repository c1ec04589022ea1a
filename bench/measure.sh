#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the benchmarks on the Qt platform of QT_QPA_PLATFORM (with DISPLAY set for xcb,
# WAYLAND_DISPLAY for wayland) and leaves their "key value" outputs in OUT: bench/run.sh runs it
# offscreen, under its own Xvfb and under its own KWin, then prints the figures side by side.
#
# Usage: bash bench/measure.sh BIN OUT RUNS TURNS BOX_TURNS CALLGRIND_TURNS HELP_BOXES
#   BIN              the directory of the benchmark programs
#   RUNS             start-up runs of each program; TURNS calls timed of each kind
#   BOX_TURNS        turns played with their boxes for the memory after them
#   CALLGRIND_TURNS  calls of each kind counted under callgrind, 0 for no instruction counts
#   HELP_BOXES       help boxes opened under callgrind
# Each program's standard error goes to OUT/stderr.log. In the environment:
#   REFERENCE_SETTINGS  NAME=VALUE words set for the reference windows (bench_bare) alone: the
#                       settings the game gives itself on this platform (bench/run.sh sets them on
#                       Wayland), so that the game is compared with windows that load what it loads
set -euo pipefail

bin="$1" out="$2" runs="$3" turns="$4" box_turns="$5" cg_turns="$6" help_boxes="$7"
mkdir -p "$out"
log="$out/stderr.log"

# Runs a command (or a function of this script) with REFERENCE_SETTINGS in its environment.
reference() {
    local settings=()
    read -ra settings <<<"${REFERENCE_SETTINGS:-}"
    (
        if ((${#settings[@]})); then export "${settings[@]}"; fi
        "$@"
    )
}

# Each start-up program $runs times, interleaved so that they see the same machine, after one run
# of each that is not counted (it fills the page cache).
reference "$bin/bench_bare" >/dev/null 2>>"$log"
"$bin/bench_startup" >/dev/null 2>>"$log"
for ((i = 1; i <= runs; i++)); do
    reference "$bin/bench_bare" >"$out/bare.$i" 2>>"$log"
    reference "$bin/bench_bare" label >"$out/label.$i" 2>>"$log"
    "$bin/bench_startup" >"$out/game.$i" 2>>"$log"
done

"$bin/bench_turn" "$turns" >"$out/turn" 2>>"$log"
"$bin/bench_boxes" turns "$box_turns" >"$out/boxes" 2>>"$log"

((cg_turns > 0)) || exit 0
# One run each under callgrind, without the timing restart (valgrind would not follow it). The
# programs write out the instructions of the parts measured (callgrind's client requests); a part
# is found by its name.
callgrind() {
    local name="$1"
    shift
    SFERDONI_BENCH_T0=0 valgrind --tool=callgrind --callgrind-out-file="$out/cg.$name" "$@" \
        >"$out/cg.$name.out" 2>>"$log"
}
part() {
    local file
    file=$(grep -l -x "desc: Trigger: Client Request: $2" "$out/cg.$1".* | head -n 1) || true
    [[ -n $file ]] || { echo nan; return; }
    awk '/^totals:/ { print $2 }' "$file"
}
reference callgrind bare "$bin/bench_bare"
reference callgrind label "$bin/bench_bare" label
callgrind game "$bin/bench_startup"
callgrind turn --collect-atstart=no "$bin/bench_turn" "$cg_turns"
callgrind help --collect-atstart=no "$bin/bench_boxes" help "$help_boxes"
{
    echo "bare_ir $(part bare first-frame)"
    echo "label_ir $(part label first-frame)"
    echo "game_ir $(part game first-frame)"
    echo "calls $cg_turns"
    for kind in turn answered_turn practice; do
        echo "${kind}_ir $(part turn "$kind")"
    done
    echo "help_boxes $help_boxes"
    echo "help_first_ir $(part help help-first)"
    echo "help_again_ir $(part help help-again)"
} >"$out/ir"
