# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2154
# The checks of the built packages that need no installation: the file list, owners and modes,
# the control fields and maintainer scripts, the desktop entry, the AppStream metadata, the icons,
# the licence, changelog and manual page, lintian, hardening-check and a second build. Sourced by
# check-package.sh, with its check functions and its variables (deb, changes, work, build_dir,
# source_dir, version, upstream_version, record_dir, helper_path, cache).

app_id=io.github.sferdoni.Sferdoni

# --- the file list -----------------------------------------------------------------------------

# "MODE PATH" for every entry, with the leading "." of the path dropped.
dpkg-deb -c "$deb" | awk '{ p = $6; sub(/^\./, "", p); print $1, p }' >"$work/list"
mode_of() { awk -v p="/$1" '$2 == p { print $1 }' "$work/list"; }

check_eq "the game is in /usr/games" "-rwxr-xr-x" "$(mode_of usr/games/sferdoni)"
check_eq "the record helper is set-group-id" "-rwxr-sr-x" "$(mode_of "$helper_path")"
check_eq "the record directory is shipped, for group games alone" "drwxrws---" \
    "$(mode_of "${record_dir#/}/")"
check_eq "the desktop entry" "-rw-r--r--" "$(mode_of "usr/share/applications/$app_id.desktop")"
check_eq "the AppStream metadata" "-rw-r--r--" \
    "$(mode_of "usr/share/metainfo/$app_id.metainfo.xml")"
check_eq "the scalable icon" "-rw-r--r--" \
    "$(mode_of "usr/share/icons/hicolor/scalable/apps/$app_id.svg")"
check_eq "the 48x48 icon" "-rw-r--r--" "$(mode_of "usr/share/icons/hicolor/48x48/apps/$app_id.png")"
for doc in usr/share/doc/sferdoni/copyright usr/share/doc/sferdoni/changelog.Debian.gz \
    usr/share/man/man6/sferdoni.6.gz usr/share/lintian/overrides/sferdoni; do
    check_eq "/$doc" "-rw-r--r--" "$(mode_of "$doc")"
done

# Apart from the helper and the record directory, checked above.
others="$(grep -v -e " /$helper_path\$" -e " $record_dir/\$" "$work/list")"
check_eq "nothing else is set-group-id or set-user-id" "" \
    "$(awk '$1 ~ /^...[sS]/ || $1 ~ /^......[sS]/ { print $2 }' <<<"$others")"
check_eq "nothing else is writable by group or others" "" \
    "$(awk '$1 !~ /^l/ && ($1 ~ /^.....w/ || $1 ~ /^........w/) { print $2 }' <<<"$others")"
check_eq "everything else lies under /usr" "/ /var/ /var/games/" \
    "$(awk '$2 !~ /^\/usr(\/|$)/ { print $2 }' <<<"$others" | tr '\n' ' ' | sed 's/ $//')"
check_eq "the helper and the record directory belong to root/games, all else to root/root" \
    "/$helper_path $record_dir/" \
    "$(dpkg-deb -c "$deb" | awk '$2 != "root/root" { sub(/^\./, "", $6); print $6 }' | tr '\n' ' ' |
        sed 's/ $//')"

# --- the control fields and scripts ------------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
check_eq "Package" sferdoni "$(field Package)"
check_eq "Version" "$version" "$(field Version)"
check_eq "Section" games "$(field Section)"
check_eq "Maintainer, from debian/control" "$(sed -n 's/^Maintainer: //p' "$source_dir/debian/control")" \
    "$(field Maintainer)"
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
# The maintainer scripts name the paths by hand, as Debian's are written.
check "postinst names the helper's installed path" grep -qx "helper=/$helper_path" \
    "$work/control/postinst"
check "postinst names the record directory" grep -qx "dir=$record_dir" "$work/control/postinst"
check "the autopkgtest names the helper's installed path" grep -qx "helper=/$helper_path" \
    "$source_dir/debian/tests/smoke"
check "postrm names the record directory" grep -qx "dir=$record_dir" "$work/control/postrm"
check "postrm removes the record directory only on purge" grep -qx "    purge_record" \
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
    validated appstreamcli validate --pedantic --no-net "$metainfo"

desktop_key() { sed -n "s/^$1=//p" "$desktop"; }
check_eq "the desktop entry starts the installed game" /usr/games/sferdoni "$(desktop_key Exec)"
check_eq "the desktop entry asks for startup notification" true "$(desktop_key StartupNotify)"
check_eq "the desktop entry names the window's class" sferdoni "$(desktop_key StartupWMClass)"
check_eq "the desktop entry's icon is the installed one" "$app_id" "$(desktop_key Icon)"
check_eq "the desktop entry is not for a terminal" false "$(desktop_key Terminal)"
check "the desktop entry has a name in Italian" grep -q '^Name\[it\]=' "$desktop"
check "the desktop entry has a comment in Italian" grep -q '^Comment\[it\]=' "$desktop"
check "the desktop entry is a game for children, in one main category" \
    grep -qx 'Categories=Game;KidsGame;' "$desktop"

check "the metadata's id is the desktop id" grep -q "<id>$app_id</id>" "$metainfo"
check "the metadata launches the desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
check "the metadata provides the binary" grep -q "<binary>sferdoni</binary>" "$metainfo"
check "the metadata's release is the project version" \
    grep -q "<release version=\"$upstream_version\"" "$metainfo"
check "the metadata has an Italian description" grep -q '<p xml:lang="it">' "$metainfo"
check "the metadata has an OARS rating" grep -q '<content_rating type="oars-1.1"' "$metainfo"
check "the metadata names the home page" grep -q '<url type="homepage">https://' "$metainfo"
screenshot="$source_dir/packaging/screenshots/main-window.png"
shot_size="$(sed -n 's/.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">.*\/packaging\/screenshots\/main-window.png<.*/\1 x \2/p' "$metainfo")"
check "the metadata's screenshot is the one in the source, with its size" \
    grep -q "PNG image data, ${shot_size:-none}," <<<"$(file "$screenshot")"

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
    "$(gzip -dc "$doc/changelog.Debian.gz" | head -n 1 | sed 's/[^)]*$/ /')"
manual="$(gzip -dc "$root/usr/share/man/man6/sferdoni.6.gz")"
check "the manual page is of this version" \
    grep -q "^\.TH SFERDONI 6 .*\"sferdoni $upstream_version\"" <<<"$manual"
for path in "$record_dir/ang.txt" "$record_dir/nang.txt" "/$helper_path"; do
    check "the manual page names $path" grep -qxF ".I $path" <<<"$manual"
done

# lintian on the source and binary packages (it also formats the manual page): no error, no
# warning and no override that no longer matches; informational, pedantic and experimental tags
# are printed, not failed. Each override in debian/ says why it holds.
bad='^[EW]: |unused-override|mismatched-override'
check "lintian reports no error and no warning on the .changes" \
    validated lintian --display-info --display-experimental --pedantic "$changes"

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
    fortified_everywhere "$(dirname "$cache")/compile_commands.json"

if [[ "${SFERDONI_PACKAGE_NO_REBUILD:-0}" == 1 ]]; then
    echo "# SFERDONI_PACKAGE_NO_REBUILD=1: the second build is left out"
else
    check "a second build, from another path at another time, gives the same packages" \
        bash "$source_dir/tests/package/rebuild-same.sh" "$build_dir" "$work/again"
fi
