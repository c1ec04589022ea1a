#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (configured in .clang-tidy) over the project's own sources; prints what it
# finds and exits non-zero when it finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v run-clang-tidy >/dev/null || { echo "clang-tidy is not installed (apt-get install clang-tidy)"; exit 2; }
cmake -S . -B build/tidy -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DSFERDONI_BENCH=ON >/dev/null
# Generated sources (moc, resources) must exist before they are looked at.
cmake --build build/tidy -j"$(nproc)" >/dev/null

root=$(pwd)
log=build/tidy/clang-tidy.log
# run-clang-tidy colours its output even into a file: strip the colours before reading it.
# The headers looked at are the project's own, anchored at the checkout: a checkout that itself
# lies in a folder named like one of them (a worktree called "bench") would bring in moc's output.
run-clang-tidy -quiet -p build/tidy -j"$(nproc)" -header-filter="^$root/(game|record|ui|bench)/" \
    "^$root/(game|record|record/helper|ui|bench|tests)/[^/]*\.cpp\$" "^$root/main\.cpp\$" 2>&1 |
    sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
if grep -E "^$root/.*(warning|error):" "$log"; then
    echo "clang-tidy: see $log"
    exit 1
fi
echo "clang-tidy: no warnings"
