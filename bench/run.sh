#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmarks in Release and prints the figures: the game's start-up and peak memory
# against a bare Qt window with one label measured in the same run, the cost of a turn and of a
# practice drawing, and under callgrind the instructions of a start-up up to the first frame and
# of a turn and a practice drawing. Nothing is asserted: each figure is printed next to its
# target.
#
# Usage: bash bench/run.sh [--runs N] [--turns N] [--no-deps] [--no-callgrind] [--xcb]
#   --runs N        start-up runs of each program (median reported), default 7
#   --turns N       turns and practice drawings timed, default 10000 (300 under callgrind)
#   --no-deps       do not run scripts/install-deps.sh nor install valgrind
#   --no-callgrind  skip the instruction counts
#   --xcb           also time the start-ups on the xcb platform under xvfb-run
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

runs=7
turns=10000
deps=1
callgrind=1
xcb=0
while (($#)); do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --turns) turns="$2"; shift 2 ;;
    --no-deps) deps=0; shift ;;
    --no-callgrind) callgrind=0; shift ;;
    --xcb) xcb=1; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

if ((deps)) && [[ $(id -u) -eq 0 ]]; then
    bash scripts/install-deps.sh >/dev/null
    if ((callgrind)) && ! command -v valgrind >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends valgrind >/dev/null
    fi
fi

build="$root/build/bench"
generator=()
if command -v ninja >/dev/null && [[ ! -f "$build/Makefile" ]]; then
    generator=(-G Ninja)
fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DSFERDONI_BENCH=ON \
    -DBUILD_TESTING=OFF >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log" >&2; exit 1; }
cmake --build "$build" --target bench_bare bench_startup bench_turn -j "$(nproc)" \
    >"$build.build.log" 2>&1 || { cat "$build.build.log" >&2; exit 1; }
bin="$build/bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
# Qt's platform warnings ("This plugin does not support ...") go to a log, not the report.
log="$work/stderr.log"

# The value of key in a program's output.
value() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }
# The median of numbers, one a line on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan";
    else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# awk arithmetic on its arguments: calc 'a / b' 1 2
calc() { local e="$1"; shift; awk -v a="${1:-0}" -v b="${2:-0}" -v c="${3:-0}" "BEGIN { printf \"%.2f\", $e }"; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }

# Runs each program $runs times, interleaved so that both see the same machine, after one run of
# each that is not counted (it fills the page cache). Outputs land in $work/<name>.<i>.
time_startups() {
    local prefix="$1"
    shift
    "$bin/bench_bare" >/dev/null 2>>"$log"
    "$bin/bench_startup" >/dev/null 2>>"$log"
    for ((i = 1; i <= runs; i++)); do
        "$bin/bench_bare" >"$work/$prefix-bare.$i" 2>>"$log"
        "$bin/bench_bare" label >"$work/$prefix-label.$i" 2>>"$log"
        "$bin/bench_startup" >"$work/$prefix-game.$i" 2>>"$log"
    done
}
# The median of key over the runs of one program.
over_runs() { for f in "$work/$1".*; do value "$f" "$2"; done | median; }

echo "Sferdoni benchmarks: $(nproc) cores, Qt platform $QT_QPA_PLATFORM, $runs runs each (median)"
echo

time_startups off
bare_ms=$(over_runs off-bare startup_ms)
label_ms=$(over_runs off-label startup_ms)
game_ms=$(over_runs off-game startup_ms)
bare_main=$(over_runs off-bare main_to_frame_ms)
label_main=$(over_runs off-label main_to_frame_ms)
game_main=$(over_runs off-game main_to_frame_ms)
ratio=$(calc 'a / b' "$game_ms" "$bare_ms")
echo "Start-up, launch to first painted frame"
printf '  bare window        %8.2f ms   (main() to frame %6.2f ms)\n' "$bare_ms" "$bare_main"
printf '  bare with a label  %8.2f ms   (main() to frame %6.2f ms)   %s x bare\n' \
    "$label_ms" "$label_main" "$(calc 'a / b' "$label_ms" "$bare_ms")"
printf '  game               %8.2f ms   (main() to frame %6.2f ms)\n' "$game_ms" "$game_main"
printf '  game / bare        %8s x\n' "$ratio"
printf '  game / label       %8s x\n' "$(calc 'a / b' "$game_ms" "$label_ms")"
printf '  game, by step: app %.2f ms, window built %.2f ms, boxes %.2f ms, show to frame %.2f ms\n' \
    "$(over_runs off-game app_setup_ms)" "$(over_runs off-game form_build_ms)" \
    "$(over_runs off-game game_start_ms)" "$(over_runs off-game show_to_frame_ms)"
echo

bare_kib=$(over_runs off-bare peak_rss_kib)
label_kib=$(over_runs off-label peak_rss_kib)
game_kib=$(over_runs off-game peak_rss_kib)
extra=$(calc '(a - b) / 1024' "$game_kib" "$label_kib")
echo "Peak resident memory (VmHWM)"
printf '  bare window        %8.1f MiB\n' "$(calc 'a / 1024' "$bare_kib")"
printf '  bare with a label  %8.1f MiB   (+%s MiB)\n' "$(calc 'a / 1024' "$label_kib")" \
    "$(calc '(a - b) / 1024' "$label_kib" "$bare_kib")"
printf '  game               %8.1f MiB\n' "$(calc 'a / 1024' "$game_kib")"
printf '  game - label       %+8s MiB   target <= +4 MiB: %s\n' "$extra" "$(verdict "$extra" 4)"
echo

"$bin/bench_turn" "$turns" >"$work/turn" 2>>"$log"
t() { value "$work/turn" "$1"; }
echo "One call in the shown window, drawing plus repaint ($(t turn_calls | cut -d. -f1) calls each)"
printf '  turn (nuovoturno)          mean %8.1f us  median %8.1f us  p90 %8.1f us\n' \
    "$(t turn_mean_us)" "$(t turn_median_us)" "$(t turn_p90_us)"
printf '    of which the step        mean %8.1f us  median %8.1f us\n' \
    "$(t turn_step_mean_us)" "$(t turn_step_median_us)"
printf '    of which the repaint     mean %8.1f us  median %8.1f us\n' \
    "$(t turn_repaint_mean_us)" "$(t turn_repaint_median_us)"
printf '  turn after an answer       mean %8.1f us  median %8.1f us  p90 %8.1f us\n' \
    "$(t answered_turn_mean_us)" "$(t answered_turn_median_us)" "$(t answered_turn_p90_us)"
printf '  practice (nuovanota)       mean %8.1f us  median %8.1f us  p90 %8.1f us\n' \
    "$(t practice_mean_us)" "$(t practice_median_us)" "$(t practice_p90_us)"
printf '    of which the step        mean %8.1f us  median %8.1f us\n' \
    "$(t practice_step_mean_us)" "$(t practice_step_median_us)"
printf '    of which the repaint     mean %8.1f us  median %8.1f us\n' \
    "$(t practice_repaint_mean_us)" "$(t practice_repaint_median_us)"
printf '  drawing-area paints per call: turn %s, practice %s (each call was painted)\n' \
    "$(t turn_client_paints_per_call)" "$(t practice_client_paints_per_call)"
echo

if ((callgrind)) && command -v valgrind >/dev/null; then
    # One run each, without the timing restart (valgrind would not follow it). The programs write
    # out the instructions counted up to the first frame, and those of the turns and practice
    # drawings alone, as parts of their own (callgrind's client requests); a part is found by its
    # name.
    callgrind() {
        local name="$1"
        shift
        SFERDONI_BENCH_T0=0 valgrind --tool=callgrind --callgrind-out-file="$work/cg.$name" "$@" \
            >"$work/cg.$name.out" 2>"$work/cg.$name.log"
    }
    part() {
        local file
        file=$(grep -l -x "desc: Trigger: Client Request: $2" "$work/cg.$1".* | head -n 1)
        awk '/^totals:/ { print $2 }' "$file"
    }
    callgrind bare "$bin/bench_bare"
    callgrind label "$bin/bench_bare" label
    callgrind game "$bin/bench_startup"
    cg_turns=300
    callgrind turn --collect-atstart=no "$bin/bench_turn" "$cg_turns"
    bare_ir=$(part bare first-frame)
    label_ir=$(part label first-frame)
    game_ir=$(part game first-frame)
    ir_ratio=$(calc 'a / b' "$game_ir" "$label_ir")
    echo "Instructions up to the first frame (callgrind Ir, the stable figure)"
    printf '  bare window        %14s\n' "$bare_ir"
    printf '  bare with a label  %14s   %s x bare\n' "$label_ir" "$(calc 'a / b' "$label_ir" "$bare_ir")"
    printf '  game               %14s   %s x label   target <= 1.80 x: %s\n' \
        "$game_ir" "$ir_ratio" "$(verdict "$ir_ratio" 1.8)"
    per_call() { calc 'a / b / 1000' "$(part turn "$1")" "$cg_turns"; }
    turn_k=$(per_call turn)
    echo "Instructions of one call with its repaint ($cg_turns calls each)"
    printf '  turn               %10s k   target <= 400 k: %s\n' "$turn_k" "$(verdict "$turn_k" 400)"
    printf '  turn after answer  %10s k\n' "$(per_call answered_turn)"
    printf '  practice           %10s k   target <= 400 k: %s\n' "$(per_call practice)" \
        "$(verdict "$(per_call practice)" 400)"
    echo
fi

if ((xcb)); then
    if command -v xvfb-run >/dev/null; then
        # xvfb-run is a POSIX shell script, which drops exported bash functions: pass it a file.
        {
            declare -p bin log work runs
            declare -f time_startups
            echo 'time_startups xcb'
        } >"$work/xcb.sh"
        if ! QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
            bash "$work/xcb.sh" >>"$log" 2>&1; then
            echo "xvfb-run failed:" >&2
            tail -n 20 "$log" >&2
            exit 1
        fi
        echo "Start-up on xcb under Xvfb, launch to first painted frame"
        printf '  bare %.2f ms, label %.2f ms, game %.2f ms: game / bare %s x\n' \
            "$(over_runs xcb-bare startup_ms)" "$(over_runs xcb-label startup_ms)" \
            "$(over_runs xcb-game startup_ms)" \
            "$(calc 'a / b' "$(over_runs xcb-game startup_ms)" "$(over_runs xcb-bare startup_ms)")"
        printf '  peak memory: bare %.1f MiB, game %.1f MiB\n' \
            "$(calc 'a / 1024' "$(over_runs xcb-bare peak_rss_kib)")" \
            "$(calc 'a / 1024' "$(over_runs xcb-game peak_rss_kib)")"
        echo
    else
        echo "xvfb-run is missing: no xcb figures"
    fi
fi
