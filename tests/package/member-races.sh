#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Attacks the installed package's install scripts, as root, with what a member of group games
# (who may write the record directory anyway) leaves in it or does while they run: hard links to
# the record files before an upgrade, directories at the saves' staging names before
# dpkg-reconfigure, postinst's fresh files taken away, purges while he creates entries or players
# save. Each attack, RUNS times, must succeed, keep the record (or remove it, for a purge) and
# change nothing outside the record directory. It leaves the package installed, with an empty
# record.
#
#   bash tests/package/member-races.sh [--runs N] --deb PACKAGE.deb
#
# Exit status 0 when every check passed, 1 otherwise, 77 when the package is not installed.
set -uo pipefail

runs=3
name="member-races"
# shellcheck source=tests/package/attacks.sh
source "$(dirname "${BASH_SOURCE[0]}")/attacks.sh"
[[ -f $deb ]] || { echo "usage: $0 [--runs N] --deb PACKAGE.deb" >&2 && exit 64; }
export DEBIAN_FRONTEND=noninteractive
games="$(getent group games | cut -d: -f3)"
# A member of group games.
member=(setpriv --reuid=4244 --regid="$games" --clear-groups)

# His own directory, on the record's file system, and a file of root's that he links to.
work="$(mktemp -d /var/tmp/sferdoni-races.XXXXXX)" && chmod 0755 "$work"
home="$work/member" && mkdir -m 0700 "$home" && chown 4244:"$games" "$home"
bait="$work/bait" && printf 'untouched\n' >"$bait" && chmod 0600 "$bait"
pids=()
stop_all() {
    ((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null && wait "${pids[@]}" 2>/dev/null
    pids=()
}
cleanup() {
    stop_all
    for f in ang.txt nang.txt; do dpkg-statoverride --remove "$dir/$f" >/dev/null 2>&1; done
    dpkg-query -W sferdoni >/dev/null 2>&1 || dpkg -i "$deb" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

# Everything outside the record directory that an attack aims at, as it stands.
outside() {
    stat -c '%n %i %U:%G %a %s %Y' "$bait" /etc/shadow /etc/passwd
    sha256sum "$bait" /etc/shadow
    find "${dir%/*}" -mindepth 1 -maxdepth 1 ! -name "${dir##*/}" -printf '%p %u:%g %m\n' \
        2>/dev/null | sort
}
before_all="$(outside)"
save() { printf '%s\n%s\n' "$1" "$2" | "${player[@]}" "$helper" save 2>/dev/null; }
record() {
    local now
    now="$("${reader[@]}" "$helper" read 2>/dev/null | tail -n +2 | tr -d '\r' | tr '\n' ' ')"
    echo "${now% }"
}
# saved_as_record: a save of a new score answers "saved" and is what a player reads.
score=1000
saved_as_record() {
    score=$((score + 1))
    [[ "$(save "$score" "player$score")" == saved && "$(record)" == "$score player$score" ]]
}
# quietly LOG COMMAND...: runs COMMAND with its output in LOG, shown when it fails.
quietly() {
    local log="$work/$1"
    shift
    "$@" >"$log" 2>&1 || { sed 's/^/# /' "$log" && return 1; }
}
# The files of the record and their links: the name file, or both, or the score file.
which_files() { case $((run % 3)) in 0) echo ang.txt ;; 1) echo nang.txt ;; *) echo ang.txt nang.txt ;; esac; }

# A member hard-links record files into his home; the package is installed again.
upgrade_over_links() {
    local f
    saved_as_record || return 1
    for f in $(which_files); do "${member[@]}" ln -f "$dir/$f" "$home/$f.$run"; done
    quietly dpkg.log timeout 120 dpkg -i "$deb" &&
        [[ "$(record)" == "$score player$score" &&
            "$(stat -c %h "$dir/ang.txt" "$dir/nang.txt" | tr '\n' ' ')" == "1 1 " ]]
}

# A member makes directories, holding a file and links, at staging names: saves fail until
# dpkg-reconfigure repairs them.
reconfigure_over_directories() {
    local f
    for f in $(which_files); do
        "${member[@]}" sh -c 'mkdir -p "$1/deeper" && : >"$1/file" && ln -s "$2" "$1/link" &&
            ln -s "$2" "$1/deeper/link"' sh "$dir/.$f.new" "$bait"
    done
    ! saved_as_record && quietly reconfigure.log timeout 120 dpkg-reconfigure sferdoni &&
        saved_as_record && [[ ! -e "$dir/.ang.txt.new" && ! -e "$dir/.nang.txt.new" ]]
}

# A member takes postinst's fresh files away as they appear, while a dpkg-statoverride makes
# it replace the files a save left.
postinst_while_taken() {
    local f ok=0
    for f in ang.txt nang.txt; do dpkg-statoverride --add root games 0664 "$dir/$f"; done
    "${member[@]}" perl -e 'chdir $ARGV[0] or die; while (1) { opendir(my $d, ".") or die;
        rename $_, "taken" for grep { /\.setup-/ } readdir $d; }' "$dir" &
    pids+=($!)
    for _ in 1 2 3; do
        saved_as_record && quietly postinst.log timeout 60 "$postinst" configure "$version" &&
            ok=$((ok + 1))
    done
    stop_all
    for f in ang.txt nang.txt; do dpkg-statoverride --remove "$dir/$f"; done
    rm -f "$dir/taken"
    ((ok == 3)) && quietly postinst.log "$postinst" configure "$version" && saved_as_record
}

# Creates entries in the record directory, by its path or (with 1) from inside it.
creator='my ($dir, $bait, $cwd) = @ARGV; my $at = "$dir/";
    if ($cwd) { chdir $dir or exit; $at = ""; }
    for (my $i = 0; ; $i++) { my $p = "${at}m$$.$i"; open(my $f, ">", "$p.f"); close $f;
        mkdir "$p.d"; open($f, ">", "$p.d/f"); close $f; symlink $bait, "$p.l"; }'
# Saves and reads the record as a player.
saver() { for ((s = $1; ; s++)); do save "$s" "saver$s" >/dev/null && record >/dev/null; done; }
# purge_under members|saves: dpkg --purge while two members create entries, or postrm purge
# while two players save; either succeeds and leaves nothing, even a moment later. Then the
# package is installed or configured again.
purge_under() {
    local status
    if [[ $1 == members ]]; then
        "${member[@]}" perl -e "$creator" "$dir" "$bait" 0 &
        pids+=($!)
        "${member[@]}" perl -e "$creator" "$dir" "$bait" 1 &
        pids+=($!)
        sleep 0.3
        quietly purge.log timeout 120 dpkg --purge sferdoni
    else
        saver $((score + 100000)) &
        pids+=($!)
        saver $((score + 200000)) &
        pids+=($!)
        sleep 0.3
        quietly purge.log timeout 120 "$postrm" purge
    fi
    status=$?
    sleep 0.2
    [[ ! -e $dir && -z "$(find "${dir%/*}" -maxdepth 1 -name '.sferdoni-purged.*' 2>/dev/null)" ]] ||
        status=1
    stop_all
    if [[ $1 == members ]]; then
        quietly dpkg.log timeout 120 dpkg -i "$deb"
    else
        quietly dpkg.log timeout 60 "$postinst" configure "$version"
    fi && ((status == 0))
}

attacks=(upgrade_over_links reconfigure_over_directories postinst_while_taken
    "purge_under members" "purge_under saves")
declare -A passed=()
for run in $(seq "$runs"); do
    for attack in "${attacks[@]}"; do
        # shellcheck disable=SC2086 # an attack may have an argument
        if $attack && [[ "$(outside)" == "$before_all" ]]; then
            passed[$attack]=$((${passed[$attack]:-0} + 1))
        else
            fail "run $run: $attack (the record reads '$(record)'; $(ls -A "$dir" 2>&1 | head -n 5 | tr '\n' ' '))"
        fi
    done
done
for attack in "${attacks[@]}"; do echo "# $attack: passed ${passed[$attack]:-0} of $runs runs"; done
echo "# member-races: $failures failure(s)"
((failures == 0))
