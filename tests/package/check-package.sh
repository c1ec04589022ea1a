#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from this source tree with scripts/build-deb.sh and checks it:
# its file list and modes, its control fields and maintainer scripts, the desktop entry, the
# AppStream metadata, the icons, the licence, changelog and manual page, lintian and
# hardening-check. As root it also installs the package for real, checks the shared record's
# owners and modes, starts the game, runs the install script against entries planted in the
# record directory, then removes and purges it.
#
#   bash tests/package/check-package.sh [CMAKE_BINARY_DIR]
#
# The package is built in CMAKE_BINARY_DIR/package-test (kept, so later runs rebuild only what
# changed), or in a temporary directory without the argument. Exit code 77 means skipped: a
# needed tool is missing and cannot be installed. SFERDONI_PACKAGE_NO_INSTALL=1 leaves out the
# real installation even as root.
set -uo pipefail

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
app_id=io.github.sferdoni.Sferdoni
helper_path=usr/libexec/sferdoni/sferdoni-record
record_dir=/var/games/sferdoni

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

tool_packages=(cmake:cmake cpack:cmake dpkg-shlibdeps:dpkg-dev file:file
    desktop-file-validate:desktop-file-utils appstreamcli:appstream lintian:lintian
    hardening-check:devscripts)
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

version="$(sed -n 's/^project(sferdoni VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")"
[[ -n "$version" ]] || {
    echo "cannot read the project version from CMakeLists.txt"
    exit 1
}

work="$(mktemp -d "${TMPDIR:-/tmp}/sferdoni-package.XXXXXX")"
if [[ $# -ge 1 && -n "$1" ]]; then
    build_dir="$1/package-test"
else
    build_dir="$work/build"
fi

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
    if ((override_added)); then
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

echo "# building the package in $build_dir"
if ! deb="$(bash "$source_dir/scripts/build-deb.sh" "$build_dir" 2>"$work/build.log")"; then
    tail -n 60 "$work/build.log"
    fail "scripts/build-deb.sh builds the package"
    exit 1
fi
check "scripts/build-deb.sh prints the path of the package" test -f "$deb"
check_eq "the package's file name" "sferdoni_${version}_$(dpkg --print-architecture).deb" \
    "$(basename "$deb")"

# --- the file list -----------------------------------------------------------------------------

# "MODE PATH" for every entry, with the leading "." of the path dropped.
dpkg-deb -c "$deb" | awk '{ p = $6; sub(/^\./, "", p); print $1, p }' >"$work/list"
mode_of() { awk -v p="/$1" '$2 == p { print $1 }' "$work/list"; }

check_eq "the game is in /usr/games" "-rwxr-xr-x" "$(mode_of usr/games/sferdoni)"
check_eq "the record helper is in /usr/libexec/sferdoni, not set-group-id" "-rwxr-xr-x" \
    "$(mode_of "$helper_path")"
check_eq "the desktop entry" "-rw-r--r--" "$(mode_of "usr/share/applications/$app_id.desktop")"
check_eq "the AppStream metadata" "-rw-r--r--" \
    "$(mode_of "usr/share/metainfo/$app_id.metainfo.xml")"
check_eq "the scalable icon" "-rw-r--r--" \
    "$(mode_of "usr/share/icons/hicolor/scalable/apps/$app_id.svg")"
check_eq "the 48x48 icon" "-rw-r--r--" "$(mode_of "usr/share/icons/hicolor/48x48/apps/$app_id.png")"
for doc in usr/share/doc/sferdoni/copyright usr/share/doc/sferdoni/changelog.gz \
    usr/share/man/man6/sferdoni.6.gz; do
    check_eq "/$doc" "-rw-r--r--" "$(mode_of "$doc")"
done

check_eq "nothing is set-group-id or set-user-id" "" \
    "$(awk '$1 ~ /^...[sS]/ || $1 ~ /^......[sS]/ { print $2 }' "$work/list")"
check_eq "nothing is writable by group or others" "" \
    "$(awk '$1 !~ /^l/ && ($1 ~ /^.....w/ || $1 ~ /^........w/) { print $2 }' "$work/list")"
check_eq "everything lies under /usr" "" "$(awk '$2 !~ /^\/usr(\/|$)/ { print $2 }' "$work/list")"
check_eq "everything belongs to root/root" "" \
    "$(dpkg-deb -c "$deb" | awk '$2 != "root/root" { print $6 }')"

# --- the control fields and scripts ------------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
check_eq "Package" sferdoni "$(field Package)"
check_eq "Version" "$version" "$(field Version)"
check_eq "Section" games "$(field Section)"
check_eq "Maintainer" "Sferdoni developers <dev@sferdoni.invalid>" "$(field Maintainer)"
check_eq "Architecture" "$(dpkg --print-architecture)" "$(field Architecture)"
check "the description's first line is in English" \
    grep -q "plane angles" <<<"$(field Description | head -n 1)"

# Each name as a whole entry of the comma-separated list, with or without a version.
depends="$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')"
for dependency in libqt6svg6 qt6-translations-l10n fonts-liberation fonts-lato \
    libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6; do
    check "Depends names $dependency" grep -qx "$dependency" <<<"$depends"
done
check "Depends gives the Qt libraries a version (from dpkg-shlibdeps)" \
    grep -Eq 'libqt6core6 \(>= 6\.[0-9.]+\)' <<<"$(field Depends)"

dpkg-deb -e "$deb" "$work/control"
posix_sh_with_set_e() {
    [[ "$(head -n 1 "$1")" == "#!/bin/sh" ]] && grep -qx 'set -e' "$1" && sh -n "$1"
}
for script in postinst postrm; do
    check "$script is executable" test -x "$work/control/$script"
    check "$script is POSIX sh with set -e" posix_sh_with_set_e "$work/control/$script"
done
check "postinst names the helper's installed path" grep -qF "/$helper_path" "$work/control/postinst"
check "postrm removes the record directory only on purge" grep -qx "    rm -rf $record_dir" \
    <<<"$(awk '/^purge\)/,/;;/' "$work/control/postrm")"
check_eq "postrm removes nothing else" 1 "$(grep -Ec '(^|[;&|[:space:]])rm ' "$work/control/postrm")"

# --- the extracted files -----------------------------------------------------------------------

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
svg="$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
png="$root/usr/share/icons/hicolor/48x48/apps/$app_id.png"
for f in "$root/usr/games/sferdoni" "$root/$helper_path" "$desktop" "$metainfo" "$svg" "$png"; do
    check "extracted ${f#"$root"}" test -s "$f"
done

# desktop-file-validate reports errors and warnings; hints (such as two main categories,
# Game and Education) are allowed.
# validated COMMAND... : COMMAND succeeds and prints no line matching $bad.
validated() {
    local output status
    output="$("$@" 2>&1)"
    status=$?
    [[ -z "$output" ]] || printf '%s\n' "$output" | sed 's/^/# /'
    ((status == 0)) && ! grep -Eq "$bad" <<<"$output"
}
bad=': (error|warning):'
check "desktop-file-validate accepts the desktop entry" validated desktop-file-validate "$desktop"
bad='^[EW]:'
check "appstreamcli validate accepts the metadata" \
    validated appstreamcli validate --no-net "$metainfo"

desktop_key() { sed -n "s/^$1=//p" "$desktop"; }
check_eq "the desktop entry starts the installed game" /usr/games/sferdoni "$(desktop_key Exec)"
check_eq "the desktop entry asks for startup notification" true "$(desktop_key StartupNotify)"
check_eq "the desktop entry names the window's class" sferdoni "$(desktop_key StartupWMClass)"
check_eq "the desktop entry's icon is the installed one" "$app_id" "$(desktop_key Icon)"
check_eq "the desktop entry is not for a terminal" false "$(desktop_key Terminal)"
check "the desktop entry has a name in Italian" grep -q '^Name\[it\]=' "$desktop"
check "the desktop entry has a comment in Italian" grep -q '^Comment\[it\]=' "$desktop"
check "the desktop entry is a game for children" grep -Eq '^Categories=Game;KidsGame;' "$desktop"

check "the metadata's id is the desktop id" grep -q "<id>$app_id</id>" "$metainfo"
check "the metadata launches the desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
check "the metadata provides the binary" grep -q "<binary>sferdoni</binary>" "$metainfo"
check "the metadata's release is the project version" \
    grep -q "<release version=\"$version\"" "$metainfo"
check "the metadata has an Italian description" grep -q '<p xml:lang="it">' "$metainfo"
check "the metadata has an OARS rating" grep -q '<content_rating type="oars-1.1"' "$metainfo"

check "the scalable icon is the game's own picture" cmp -s "$svg" "$source_dir/ui/icons/app.svg"
check "the 48x48 icon is a 48 x 48 PNG" grep -q "PNG image data, 48 x 48" <<<"$(file "$png")"
check "the game is an ELF executable" grep -q "ELF" <<<"$(file -L "$root/usr/games/sferdoni")"

doc="$root/usr/share/doc/sferdoni"
check "the copyright file is machine-readable" \
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    <<<"$(head -n 1 "$doc/copyright")"
check "the copyright file gives GPL-3+" grep -qx 'License: GPL-3+' "$doc/copyright"
check "COPYING is the GPL version 3" cmp -s "$source_dir/COPYING" /usr/share/common-licenses/GPL-3
check_eq "the changelog's last entry is this version" "sferdoni ($version) " \
    "$(gzip -dc "$doc/changelog.gz" | head -n 1 | sed 's/[^)]*$/ /')"
check "the manual page is of this version" \
    grep -q "^\.TH SFERDONI 6 .*\"sferdoni $version\"" <<<"$(gzip -dc "$root/usr/share/man/man6/sferdoni.6.gz")"

# lintian (which also formats the manual page): no error and no warning; informational and
# pedantic tags are printed, not failed.
check "lintian reports no error and no warning" validated lintian --info --pedantic "$deb"

# The five checks of Debian's hardening. Control flow protection is left out: Debian 12's own
# start files lack it, so no program of it has it. The game calls read, memcpy and memmove
# only where the compiler knows no buffer size, so none can become its checking variant; that
# it was compiled with _FORTIFY_SOURCE=2 is checked on the build instead.
check "hardening-check passes on the helper" \
    validated hardening-check --nocfprotection "$root/$helper_path"
check "hardening-check passes on the game (fortification apart)" \
    validated hardening-check --nocfprotection --nofortify "$root/usr/games/sferdoni"
fortified_everywhere() {
    local all
    all="$(grep -c '"command":' "$1")" && ((all > 0)) &&
        ((all == $(grep -c -- '-D_FORTIFY_SOURCE=2' "$1")))
}
check "every source was compiled with _FORTIFY_SOURCE=2" \
    fortified_everywhere "$build_dir/compile_commands.json"

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

    if apt-get remove -y sferdoni >"$work/apt.log" 2>&1; then
        check_eq "removing keeps the record" 9 "$(tr -d '\r' <"$record_dir/ang.txt")"
        check "removing takes away the game" test ! -e /usr/games/sferdoni
    else
        cat "$work/apt.log"
        fail "apt-get removes the package"
    fi
    if apt-get purge -y sferdoni >"$work/apt.log" 2>&1; then
        installed_by_us=0
        check "purging takes away the record" test ! -e "$record_dir"
        check_eq "purging leaves nothing of the package" not-installed \
            "$(dpkg-query -W -f='${db:Status-Status}' sferdoni 2>/dev/null || echo not-installed)"
    else
        cat "$work/apt.log"
        fail "apt-get purges the package"
    fi
fi

echo "# $failures failure(s)"
((failures == 0))
