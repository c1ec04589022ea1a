#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs 1,000 turns and 1,000 practice drawings of a real game in a shown window under valgrind's
# memcheck; exits non-zero on any error. Builds the benchmarks first (Release, with bench/run.sh's
# build directory).
set -euo pipefail
cd "$(dirname "$0")/.."

command -v valgrind >/dev/null || apt-get install -y --no-install-recommends valgrind
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSFERDONI_BENCH=ON -DBUILD_TESTING=OFF \
    >/dev/null
cmake --build build/bench -j"$(nproc)" --target bench_turn >/dev/null
QT_QPA_PLATFORM=offscreen valgrind --error-exitcode=3 --leak-check=no \
    --suppressions=bench/valgrind.supp build/bench/bench/bench_turn 1000
