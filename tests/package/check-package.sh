#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source and binary packages from this source tree with scripts/build-deb.sh
# and checks them: the file list, owners and modes, the control fields and maintainer scripts,
# the desktop entry, the AppStream metadata, the icons, the licence, changelog and manual page,
# lintian on the .changes, hardening-check, and that a second build, from another path at
# another time, gives the same bytes. As root it also installs the package for real, checks the
# shared record's owners and modes, starts the game, runs the autopkgtest, runs the install
# script against entries planted in the record directory, then removes and purges it.
#
#   bash tests/package/check-package.sh [CMAKE_BINARY_DIR]
#
# The packages are built in CMAKE_BINARY_DIR/package-test, or in a temporary directory without
# the argument. Exit code 77 means skipped: a needed tool is missing and cannot be installed.
# SFERDONI_PACKAGE_NO_INSTALL=1 leaves out the real installation even as root;
# SFERDONI_PACKAGE_NO_REBUILD=1 leaves out the second build.
set -uo pipefail

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

failures=0
pass() { echo "ok - $*"; }
fail() {
    echo "not ok - $*"
    failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: passes when COMMAND succeeds.
check() {
    local what="$1"
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
# check_eq DESCRIPTION EXPECTED ACTUAL
check_eq() {
    if [[ "$2" == "$3" ]]; then
        pass "$1"
    else
        fail "$1: expected '$2', got '$3'"
    fi
}
skip() {
    echo "SKIP: $*"
    exit 77
}

# --- the tools ---------------------------------------------------------------------------------

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-query >/dev/null; then
    skip "not a Debian system (no dpkg-deb)"
fi

tool_packages=(cmake:cmake dpkg-buildpackage:dpkg-dev dh:debhelper fakeroot:fakeroot git:git
    file:file desktop-file-validate:desktop-file-utils appstreamcli:appstream lintian:lintian
    hardening-check:devscripts autopkgtest:autopkgtest)
missing=()
for entry in "${tool_packages[@]}"; do
    command -v "${entry%%:*}" >/dev/null || missing+=("${entry#*:}")
done
if ((${#missing[@]})); then
    if ((EUID != 0)); then
        skip "missing ${missing[*]}, and only root can install them"
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "${missing[@]}" >&2 ||
        { apt-get update >&2 && apt-get install -y --no-install-recommends "${missing[@]}" >&2; } ||
        skip "cannot install ${missing[*]}"
fi

upstream_version="$(sed -n 's/^project(sferdoni VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")"
version="$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)"
[[ -n "$upstream_version" && -n "$version" ]] || {
    echo "cannot read the versions from CMakeLists.txt and debian/changelog"
    exit 1
}

work="$(mktemp -d "${TMPDIR:-/tmp}/sferdoni-package.XXXXXX")"
if [[ $# -ge 1 && -n "$1" ]]; then
    build_dir="$1/package-test"
else
    build_dir="$work/build"
fi

record_dir=""
installed_by_us=0
override_added=0
near_bait=""
swapper=""
cleanup() {
    if [[ -n "$swapper" ]]; then
        kill "$swapper" 2>/dev/null
        wait "$swapper" 2>/dev/null
    fi
    [[ -z "$near_bait" ]] || rm -f "$near_bait"
    if ((override_added)) && [[ -n "$record_dir" ]]; then
        dpkg-statoverride --remove "$record_dir/nang.txt" >/dev/null 2>&1
    fi
    if ((installed_by_us)); then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y sferdoni >/dev/null 2>&1 ||
            dpkg --purge sferdoni >/dev/null 2>&1
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- building ----------------------------------------------------------------------------------

arch="$(dpkg --print-architecture)"
echo "# building the packages in $build_dir"
if ! deb="$(bash "$source_dir/scripts/build-deb.sh" "$build_dir" 2>"$work/build.log")"; then
    tail -n 60 "$work/build.log"
    fail "scripts/build-deb.sh builds the packages"
    exit 1
fi
check "scripts/build-deb.sh prints the path of the package" test -f "$deb"
check_eq "the package's file name" "sferdoni_${version}_$arch.deb" "$(basename "$deb")"
changes="$build_dir/sferdoni_${version}_$arch.changes"
for f in "$changes" "$build_dir/sferdoni_$version.dsc" \
    "$build_dir/sferdoni_$upstream_version.orig.tar.gz"; do
    check "dpkg-buildpackage leaves $(basename "$f") beside the package" test -s "$f"
done
check_eq "the Debian version is that of the project" "$upstream_version" "${version%-*}"

# The paths that the build compiled in, from its CMake cache: every other copy must agree.
cache="$(echo "$build_dir/sferdoni-$upstream_version"/obj-*/CMakeCache.txt)"
cached() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }
record_dir="$(cached SFERDONI_SHARED_RECORD_DIR)"
helper_path="$(cached SFERDONI_RECORD_HELPER)"
helper_path="${helper_path#/}"
check "the build's CMake cache gives the record directory and the helper" \
    test -n "$record_dir" -a -n "$helper_path"

# shellcheck source=tests/package/contents.sh
source "$source_dir/tests/package/contents.sh"

# --- installing for real -----------------------------------------------------------------------

if ((EUID != 0)); then
    echo "# not root: the real installation is left out"
elif [[ "${SFERDONI_PACKAGE_NO_INSTALL:-0}" == 1 ]]; then
    echo "# SFERDONI_PACKAGE_NO_INSTALL=1: the real installation is left out"
elif ! command -v apt-get >/dev/null; then
    echo "# no apt-get: the real installation is left out"
elif dpkg-query -W -f='${db:Status-Status}' sferdoni 2>/dev/null | grep -qv '^not-installed$' ||
    [[ -e "$record_dir" ]]; then
    # Never replace or purge an installation (and its record) the test did not make.
    echo "# sferdoni is already installed here, or $record_dir exists: the real installation" \
        "is left out"
else
    export DEBIAN_FRONTEND=noninteractive
    games_dir="${record_dir%/*}"
    games_dir_made=0
    [[ -e "$games_dir" ]] || games_dir_made=1
    installed_by_us=1
    if apt-get install -y --no-install-recommends "$deb" >"$work/apt.log" 2>&1; then
        pass "apt-get installs the package"
    else
        cat "$work/apt.log"
        fail "apt-get installs the package"
        exit 1
    fi

    owner_mode() { stat -c '%U:%G %a' "$1" 2>&1; }
    check_eq "the record directory" "root:games 2770" "$(owner_mode "$record_dir")"
    check_eq "the score file" "root:games 660" "$(owner_mode "$record_dir/ang.txt")"
    check_eq "the name file" "root:games 660" "$(owner_mode "$record_dir/nang.txt")"
    check_eq "the record files start empty" "0 0" \
        "$(stat -c %s "$record_dir/ang.txt") $(stat -c %s "$record_dir/nang.txt")"
    check_eq "the helper" "root:games 2755" "$(owner_mode "/$helper_path")"
    check_eq "the game" "root:root 755" "$(owner_mode /usr/games/sferdoni)"

    # It sits on its first box, asking the player's name, until killed: 124 from timeout.
    mkdir -m 0700 "$work/home"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home" \
        QT_QPA_PLATFORM=offscreen timeout 5 /usr/games/sferdoni >"$work/run.log" 2>&1
    status=$?
    sed 's/^/# game: /' "$work/run.log"
    check_eq "the installed game starts and keeps running until stopped" 124 "$status"

    # A player is nobody, in no group: only the helper's set-group-id gives access.
    as_player() { timeout 10 setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
    record_readable() {
        as_player "/$helper_path" read | head -n 1 | grep -Eq '^record [0-9]+ [0-9]+$'
    }
    check_eq "a player saves a record through the helper" saved \
        "$(printf '7\nAda\n' | as_player "/$helper_path" save)"

    # Files outside the record directory that planted entries point to.
    bait="$work/bait"
    # For hard links: on the record's file system (without fs.protected_hardlinks, a member of
    # group games may link any file there).
    near_bait="$(mktemp /var/tmp/sferdoni-bait.XXXXXX)"
    for f in "$bait" "$near_bait"; do
        printf 'untouched\n' >"$f"
        chmod 0600 "$f"
    done
    outside_untouched() {
        [[ "$(owner_mode "$bait") $(cat "$bait"); $(owner_mode "$near_bait") $(cat "$near_bait")" == \
            "root:root 600 untouched; root:root 600 untouched" && ! -e "$work/made-through-link" ]]
    }
    # plant KIND NAME: puts a KIND of entry at NAME in the record directory.
    plant() {
        local at="$record_dir/$2"
        rm -rf "$at"
        case "$1" in
        link) ln -s "$bait" "$at" ;;
        dangling-link) ln -s "$work/made-through-link" "$at" ;;
        hard-link) ln "$near_bait" "$at" 2>/dev/null ;;
        FIFO) mkfifo "$at" ;;
        directory) mkdir "$at" ;;
        socket) perl -MIO::Socket::UNIX -e \
            'IO::Socket::UNIX->new(Local => $ARGV[0], Listen => 1) or die "$!\n"' "$at" ;;
        esac
    }
    # A record file as the install script leaves it.
    record_file() { [[ -f "$1" && ! -L "$1" && "$(stat -c '%h %U:%G %a' "$1")" == "1 root:games 660" ]]; }
    record_files() { record_file "$record_dir/ang.txt" && record_file "$record_dir/nang.txt"; }

    # Configuring again keeps the record and follows an administrator's override.
    plant link .nang.txt.new
    plant FIFO .ang.txt.new
    if timeout 120 dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
        pass "the package installs over itself, and over a link and a FIFO at the staging names"
    else
        cat "$work/dpkg.log"
        fail "the package installs over itself, and over a link and a FIFO at the staging names"
    fi
    check_eq "configuring again keeps the record" "7 Ada" \
        "$(tr -d '\r' <"$record_dir/ang.txt") $(tr -d '\r' <"$record_dir/nang.txt")"
    check "configuring again leaves the files outside alone" outside_untouched
    check "a player reads the record" record_readable

    postinst=/var/lib/dpkg/info/sferdoni.postinst
    configure() { timeout 60 "$postinst" configure "$version" >"$work/postinst.log" 2>&1; }
    dpkg-statoverride --add root games 0640 "$record_dir/nang.txt" && override_added=1
    configure
    check_eq "configuring again keeps to dpkg-statoverride" "root:games 640" \
        "$(owner_mode "$record_dir/nang.txt")"
    dpkg-statoverride --remove "$record_dir/nang.txt" && override_added=0

    # The install script against every kind of entry at the record files' names and at the
    # names a save stages them under: it never blocks, never touches a file outside, and ends
    # with two record files a player can read, or with a clear error.
    names=(ang.txt nang.txt .ang.txt.new .nang.txt.new)
    for kind in link dangling-link hard-link FIFO directory socket; do
        for name in "${names[@]}"; do
            plant "$kind" "$name" || {
                echo "# a $kind cannot be planted here: left out"
                continue 2
            }
        done
        configure
        status=$?
        if [[ $kind == directory ]]; then
            failed_saying() { [[ $status == 1 ]] && grep -qF "$1" "$work/postinst.log"; }
            check "a directory at a record file's name makes the install script fail, saying so" \
                failed_saying "$record_dir/ang.txt: is a directory"
            rmdir "$record_dir/ang.txt" "$record_dir/nang.txt"
            configure
            status=$?
        fi
        check_eq "configuring over a $kind at each name ends, and succeeds" 0 "$status"
        [[ "$status" == 0 ]] || sed 's/^/# postinst: /' "$work/postinst.log"
        check "configuring over a $kind leaves every file outside alone" outside_untouched
        check "configuring over a $kind leaves two record files" record_files
        check "after a $kind at each name, a player reads the record" record_readable
        rm -rf "$record_dir/.ang.txt.new" "$record_dir/.nang.txt.new"
    done

    # configure_racing TIMES COMMAND...: runs the install script TIMES times while COMMAND, in
    # the background, plays with the record directory as a member of group games could.
    configure_racing() {
        local times="$1"
        shift
        "$@" &
        swapper=$!
        for _ in $(seq "$times"); do
            configure
        done
        kill "$swapper"
        wait "$swapper" 2>/dev/null
        swapper=""
    }
    # Swaps a record file between a regular file and links, as fast as a shell can.
    swap_entries() {
        cd "$record_dir" || exit 1
        while :; do
            : >swap.file && mv -fT swap.file ang.txt
            ln -sfn "$bait" swap.link && mv -fT swap.link ang.txt
            ln -f "$near_bait" swap.hard 2>/dev/null && mv -fT swap.hard ang.txt
        done
    }
    configure_racing 20 swap_entries
    rm -f "$record_dir"/swap.*
    check "the install script run 20 times against a swapper leaves every file outside alone" \
        outside_untouched

    # Hard-links a file of the system in as a record file and out again, as fast as a program
    # can, so that what the install script opened may have lost its second link by the time it
    # looks.
    configure_racing 60 perl -e 'while (1) { link $ARGV[0], $ARGV[1]; unlink $ARGV[1] }' \
        "$near_bait" "$record_dir/ang.txt"
    check "the install script run 60 times against a linker leaves every file outside alone" \
        outside_untouched
    configure
    check_eq "configuring after the swapper succeeds" 0 "$?"
    check "after the swapper, a player reads the record" record_readable
    check_eq "after the swapper, a player saves a record" saved \
        "$(printf '9\nBea\n' | as_player "/$helper_path" save)"
    check "saves stopped inside the lock survive the install script; a reinstall keeps the files" \
        bash "$source_dir/tests/package/setup-race.sh" --runs 30 --deb "$deb"

    # What a member of group games leaves in the record directory (hard links, directories at
    # the staging names), his races with the install script, and purges while he creates
    # entries or players save; the package stays installed, with an empty record.
    check "the install scripts keep the record and finish whatever a member of games does" \
        bash "$source_dir/tests/package/member-races.sh" --runs 3 --deb "$deb"

    # The autopkgtest, with this machine as the testbed (it saves a record of its own).
    if timeout 300 autopkgtest "$build_dir/sferdoni_$version.dsc" "$deb" -- null \
        >"$work/autopkgtest.log" 2>&1; then
        pass "the autopkgtest passes"
    else
        tail -n 40 "$work/autopkgtest.log" | sed 's/^/# autopkgtest: /'
        fail "the autopkgtest passes"
    fi

    record="$(cat "$record_dir/ang.txt" "$record_dir/nang.txt")"
    if apt-get remove -y sferdoni >"$work/apt.log" 2>&1; then
        check_eq "removing keeps the record" "$record" \
            "$(cat "$record_dir/ang.txt" "$record_dir/nang.txt")"
        check "removing takes away the game" test ! -e /usr/games/sferdoni
    else
        cat "$work/apt.log"
        fail "apt-get removes the package"
    fi
    if apt-get purge -y sferdoni >"$work/apt.log" 2>&1; then
        installed_by_us=0
        check "purging takes away the record" test ! -e "$record_dir"
        if ((games_dir_made)); then
            check "purging takes away $games_dir, which installing made" test ! -e "$games_dir"
        fi
        check_eq "purging leaves nothing of the package" not-installed \
            "$(dpkg-query -W -f='${db:Status-Status}' sferdoni 2>/dev/null || echo not-installed)"
    else
        cat "$work/apt.log"
        fail "apt-get purges the package"
    fi
fi

echo "# $failures failure(s)"
((failures == 0))
