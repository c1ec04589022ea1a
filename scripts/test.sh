#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, then builds and runs the whole test suite twice: plainly, and with
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== Plain build =="
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Debug
cmake --build build/plain -j"$jobs"
ctest --test-dir build/plain --output-on-failure -j"$jobs"

echo "== Sanitized build (address, undefined) =="
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DSFERDONI_SANITIZE=ON
cmake --build build/sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
