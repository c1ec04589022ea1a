#!/usr/bin/env bash
# Installs what building, testing and playing Sferdoni need on Debian 12 (run as root).
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-svg-dev            # draws the game's pictures (SVG)
    qt6-translations-l10n  # Qt's own buttons in Italian ("Annulla")
    fonts-liberation       # metric-compatible stand-ins for the window's fonts
    fonts-lato             # the heavy face of the clock
    fonts-dejavu-core
    dpkg-dev file desktop-file-utils appstream  # building and checking the Debian package
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
