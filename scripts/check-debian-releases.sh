#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tries Sferdoni on every Debian release it supports, each in a minimal root of its own: builds
# the packages there as the README says, from a clean clone of this repository's HEAD
# (scripts/build-deb.sh, which installs what is needed and runs dpkg-buildpackage -us -uc, tests
# included), runs that release's lintian on the .changes and the package's autopkgtest, and prints
# one line per release. Not part of the tests (it downloads and builds a lot); as root.
#
#   bash scripts/check-debian-releases.sh [RELEASE...]    # default: bookworm trixie sid
#
# The roots are made with debootstrap from the mirror in this machine's apt sources and kept in
# SFERDONI_RELEASES_CACHE (default /var/cache/sferdoni-releases), one folder a release, with the
# whole log of its last run (last-run.log): a second run only updates them. Delete a folder to
# start that release afresh.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${SFERDONI_RELEASES_CACHE:-/var/cache/sferdoni-releases}"
releases=("$@")
((${#releases[@]})) || releases=(bookworm trixie sid)

if ((EUID != 0)); then
    echo "check-debian-releases.sh: needs root (debootstrap, chroot)" >&2
    exit 1
fi
for tool in debootstrap unshare git; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-debian-releases.sh: $tool is missing (apt-get install debootstrap git)" >&2
        exit 1
    fi
done

# The Debian mirror of this machine's apt sources: the first URI that serves a suite with a
# Debian release's name, in the deb822 or the one-line format.
mirror() {
    local uri
    uri="$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
        tolower($1) == "uris:" { uris = $2 }
        tolower($1) == "suites:" &&
            $0 ~ /[ \t](bookworm|trixie|forky|sid|stable|unstable|testing)( |$)/ {
            print uris; exit }')"
    if [[ -z "$uri" ]]; then
        uri="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '
            $1 == "deb" && $3 ~ /^(bookworm|trixie|forky|sid|stable|unstable|testing)$/ {
                print $2; exit }')"
    fi
    echo "${uri:-http://deb.debian.org/debian}"
}

# in_root ROOT COMMAND...: runs COMMAND as root inside ROOT, with its own /proc, /dev/pts and
# /dev/shm in a mount namespace of its own, so that nothing stays mounted when it ends.
in_root() {
    local root="$1"
    shift
    unshare --mount --pid --fork --propagation private -- sh -c '
        root="$1"; shift
        mount -t proc proc "$root/proc"
        mkdir -p "$root/dev/pts" "$root/dev/shm"
        mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
        mount -t tmpfs tmpfs "$root/dev/shm"
        exec chroot "$root" env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            DEBIAN_FRONTEND=noninteractive "$@"' sh "$root" "$@"
}

# prepare RELEASE ROOT: makes the release's minimal root unless it is cached, and points its apt
# at the mirror. Unstable's Release file is valid for a week only: an older mirror still serves.
prepare() {
    local release="$1" root="$2" uri options=""
    uri="$(mirror)"
    if [[ ! -d "$root" ]]; then
        rm -rf "$root.new"
        debootstrap --variant=minbase --include=ca-certificates "$release" "$root.new" "$uri" &&
            mv "$root.new" "$root" || return 1
    fi
    [[ "$release" == sid || "$release" == unstable ]] && options="Check-Valid-Until: no"$'\n'
    rm -f "$root/etc/apt/sources.list"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n%sSigned-By: %s\n' \
        "$uri" "$release" "$options" /usr/share/keyrings/debian-archive-keyring.gpg \
        >"$root/etc/apt/sources.list.d/debian.sources"
    cp /etc/resolv.conf "$root/etc/resolv.conf" &&
        in_root "$root" apt-get -o DPkg::Lock::Timeout=1200 update &&
        in_root "$root" apt-get -o DPkg::Lock::Timeout=1200 -y --no-install-recommends \
            install git || return 1
    # A package left by an interrupted run.
    in_root "$root" sh -c 'if dpkg -s sferdoni >/dev/null 2>&1; then
        apt-get -y purge sferdoni; fi'
}

# build ROOT: a clean clone of HEAD, built inside ROOT as the README says: scripts/build-deb.sh,
# which installs what is missing and runs dpkg-buildpackage -us -uc, tests included.
build() {
    local root="$1" options="${2:-}"
    rm -rf "$root/root/sferdoni" &&
        git -c safe.directory='*' clone --quiet --no-hardlinks "$repo" "$root/root/sferdoni" &&
        in_root "$root" env DEB_BUILD_OPTIONS="parallel=2 $options" \
        bash /root/sferdoni/scripts/build-deb.sh >/dev/null
}

# named SEVERITY...: the tags of lintian's lines of those severities, as "W: tag", once each.
named() {
    local IFS='|'
    sed -nE "s/^($*): [^:]+: ([^ ]+).*/\1: \2/p" | sort -u | paste -sd' '
}

# One release: its line of results; the whole log in its folder.
check() {
    local release="$1" dir="$cache/$1" start=$SECONDS
    local build=FAIL tests=FAIL lintian=FAIL autopkgtest=FAIL tags="" hints="" counts=""
    local out="/root/sferdoni/build/deb"
    mkdir -p "$dir"
    local log="$dir/last-run.log"
    {
        if ! prepare "$release" "$dir/root"; then
            echo "check-debian-releases.sh: could not make the root of $release"
        elif build "$dir/root"; then
            build=ok tests=ok
        elif grep -q 'dh_auto_test: error' "$log"; then
            # Built, but its tests failed: build again without them, to check the rest.
            build=ok
            build "$dir/root" nocheck && true
        fi
        counts="$(grep -oE '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" |
            tail -n 1 | sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+)/\1 of \2 failed/')"
        if [[ "$build" == ok ]]; then
            echo "== lintian"
            in_root "$dir/root" lintian --version
            hints="$(in_root "$dir/root" sh -c \
                "lintian --pedantic --display-info $out/sferdoni_*.changes")" || true
            echo "$hints"
            # Errors and warnings fail; the rest is shown.
            tags="$(named E W <<<"$hints")"
            [[ -z "$tags" ]] && lintian=ok && tags="$(named I P <<<"$hints")"
            echo "== autopkgtest"
            if in_root "$dir/root" sh -c "autopkgtest $out/sferdoni_*.changes -- null"; then
                autopkgtest=ok
            fi
            in_root "$dir/root" sh -c 'if dpkg -s sferdoni >/dev/null 2>&1; then
                apt-get -y purge sferdoni; fi'
        fi
    } >"$log" 2>&1 || true
    printf '%-9s build %-4s  tests %-4s%s  lintian %-4s%s  autopkgtest %-4s  (%dm%02ds, log %s)\n' \
        "$release" "$build" "$tests" "${counts:+ ($counts)}" "$lintian" "${tags:+ ($tags)}" \
        "$autopkgtest" $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)) "$log"
}

for release in "${releases[@]}"; do
    check "$release"
done
