#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source and binary packages of Sferdoni with dpkg-buildpackage and prints the
# path of the .deb on standard output (the build's own messages go to standard error). The .dsc,
# the .changes and the rest of dpkg-buildpackage's files are left beside it.
#
#   bash scripts/build-deb.sh [BUILD_DIR]      # BUILD_DIR defaults to build/deb
#
# The upstream tarball is made from the tree as it is, uncommitted changes included: every file
# that git tracks or would track, debian/ apart, with the time of the last debian/changelog entry
# and owner root, so that the same tree always gives the same tarball. As root it first installs
# what is missing (scripts/install-deps.sh); as another user it installs nothing and says what
# is missing. DEB_BUILD_OPTIONS (nocheck, parallel=N) is passed on to dpkg-buildpackage.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build/deb}")"

{
    if ((EUID == 0)); then
        bash "$root/scripts/install-deps.sh"
    else
        missing="$(bash "$root/scripts/install-deps.sh" --missing)"
        if [[ -n "$missing" ]]; then
            echo "build-deb.sh: not root, so nothing is installed; missing: $missing"
        fi
    fi

    changelog="$root/debian/changelog"
    version="$(dpkg-parsechangelog -l "$changelog" -S Version)"
    upstream="${version%-*}"
    epoch="$(dpkg-parsechangelog -l "$changelog" -S Timestamp)"
    source="$build/sferdoni-$upstream"

    # The checkout may belong to another user than the one building (a CI container).
    git() { command git -c safe.directory="$root" -C "$root" "$@"; }
    if ! git rev-parse --git-dir >/dev/null 2>&1; then
        echo "build-deb.sh: $root is not a git checkout; the upstream tarball is made from git's" \
            "list of the tree's files" >&2
        exit 1
    fi
    upstream_files=()
    debian_files=()
    while IFS= read -r -d '' f; do
        [[ -e "$root/$f" || -L "$root/$f" ]] || continue # deleted, not yet committed
        case "$f" in
        debian/*) debian_files+=("$f") ;;
        *) upstream_files+=("$f") ;;
        esac
    done < <(git ls-files -z --cached --others --exclude-standard)

    # tarball DESTINATION PREFIX FILE...: a tar archive of the files of the tree, each under
    # PREFIX, that depends on nothing but their contents and whether they are executable.
    tarball() {
        local destination="$1" prefix="$2"
        shift 2
        printf '%s\0' "$@" | (cd "$root" && tar --create --null --files-from=- --sort=name \
            --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode=u+rw,go=rX \
            --transform="s|^|$prefix|" --format=gnu) >"$destination"
    }

    rm -rf "$source" "$build"/sferdoni_* "$build"/sferdoni-dbgsym_*
    mkdir -p "$build"
    tarball "$build/sferdoni_$upstream.orig.tar" "sferdoni-$upstream/" "${upstream_files[@]}"
    gzip -9n "$build/sferdoni_$upstream.orig.tar"
    tar -xzf "$build/sferdoni_$upstream.orig.tar.gz" -C "$build"
    tarball "$build/debian.tar" "" "${debian_files[@]}"
    tar -xf "$build/debian.tar" -C "$source"
    rm "$build/debian.tar"

    (cd "$source" && dpkg-buildpackage -us -uc)
} >&2

deb="$build/sferdoni_${version}_$(dpkg --print-architecture).deb"
if [[ ! -f "$deb" ]]; then
    echo "build-deb.sh: dpkg-buildpackage left no $deb" >&2
    exit 1
fi
echo "$deb"
