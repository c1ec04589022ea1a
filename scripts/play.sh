#!/usr/bin/env bash
# Installs what is needed, builds Sferdoni and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc)"
exec build/release/sferdoni
