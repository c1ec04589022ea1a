#!/usr/bin/env bash
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
log=$(mktemp)
run-clang-tidy -quiet -p build/tidy -j"$(nproc)" \
    "^$root/(game|ui|helper|bench|tests)/[^/]*\.cpp\$" "^$root/main\.cpp\$" >"$log" 2>&1 || true
if grep -E "^$root/.*(warning|error):" "$log"; then
    rm -f "$log"
    exit 1
fi
rm -f "$log"
echo "clang-tidy: no warnings"
