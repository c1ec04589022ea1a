#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the packages again with scripts/build-deb.sh in another directory, later, under another
# umask and time zone and without the tests, and succeeds when every .deb comes out the same,
# byte for byte, as in the first build. What differs is shown with diffoscope when it is there.
#
#   bash tests/package/rebuild-same.sh FIRST_BUILD_DIR SECOND_BUILD_DIR
set -uo pipefail

first="$1"
second="$2"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

mkdir -p "$second"
if ! (umask 0002 && TZ=Pacific/Kiritimati DEB_BUILD_OPTIONS=nocheck DEB_BUILD_PROFILES=nocheck \
    bash "$source_dir/scripts/build-deb.sh" "$second/elsewhere") >/dev/null 2>"$second/build.log"; then
    tail -n 40 "$second/build.log" | sed 's/^/# rebuild: /'
    exit 1
fi

same=1
count=0
for deb in "$first"/*.deb; do
    again="$second/elsewhere/${deb##*/}"
    count=$((count + 1))
    if cmp -s "$deb" "$again"; then
        echo "# ${deb##*/}: the same bytes"
    elif [[ ! -e "$again" ]]; then
        echo "# ${deb##*/}: not built again"
        same=0
    else
        echo "# ${deb##*/}: differs"
        same=0
        if command -v diffoscope >/dev/null; then
            diffoscope --text - "$deb" "$again" 2>&1 | head -n 60 | sed 's/^/# /'
        fi
    fi
done
((count > 0 && same))
