#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Attacks the installed package's install scripts, as root, with what a member of group games
# (who may write the record directory anyway) can leave in the record directory or do while
# they run, and checks that the install scripts finish, keep the record and touch nothing
# outside the directory. Each attack runs RUNS times:
#   - a player saves, a member hard-links a record file into a directory of his own, and the
#     package is installed again: the record keeps its score and name, in files of one link;
#   - a member makes directories (with entries, links among them) at the saves' staging names:
#     saves fail, dpkg-reconfigure repairs them, and the next save is saved;
#   - a member takes the install script's fresh files away as they appear while it replaces the
#     record files (a dpkg-statoverride makes it): postinst configure succeeds;
#   - the package is purged while a member creates entries in the record directory (by its path,
#     and from a shell inside it), and postrm purge runs while players save and read: both
#     succeed and leave no record directory, nor anything beside it; the package is then
#     installed again.
# It leaves the package installed, with an empty record.
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

work="$(mktemp -d /var/tmp/sferdoni-races.XXXXXX)"
chmod 0755 "$work"
# The member's own directory, on the record's file system, and a file of root's he links to.
home="$work/member"
mkdir -m 0700 "$home" && chown 4244:"$games" "$home"
bait="$work/bait"
printf 'untouched\n' >"$bait" && chmod 0600 "$bait"
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
    find "${dir%/*}" -mindepth 1 -maxdepth 1 ! -name "${dir##*/}" -printf '%p %u:%g %m\n' 2>/dev/null | sort
}
before_all="$(outside)"
check_outside() {
    [[ "$(outside)" == "$before_all" ]] || fail "$1 changed something outside the record directory"
}
save() { printf '%s\n%s\n' "$1" "$2" | "${player[@]}" "$helper" save 2>/dev/null; }
record() {
    local now
    now="$("${reader[@]}" "$helper" read 2>/dev/null | tail -n +2 | tr -d '\r' | tr '\n' ' ')"
    echo "${now% }"
}
score=1000

# --- a hard link to a record file, then an upgrade ------------------------------------------------
kept=0
for run in $(seq "$runs"); do
    score=$((score + 1))
    [[ "$(save "$score" "player$score")" == saved ]] || fail "run $run: a save before the upgrade"
    case $((run % 3)) in
    0) linked=(ang.txt) ;;
    1) linked=(nang.txt) ;;
    2) linked=(ang.txt nang.txt) ;;
    esac
    for f in "${linked[@]}"; do "${member[@]}" ln -f "$dir/$f" "$home/$f.$run"; done
    if ! timeout 120 dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
        fail "run $run: dpkg -i over a hard-linked ${linked[*]}: $(tail -n 5 "$work/dpkg.log")"
    fi
    now="$(record)"
    links="$(stat -c %h "$dir/ang.txt" "$dir/nang.txt" | tr '\n' ' ')"
    if [[ "$now" == "$score player$score" && "$links" == "1 1 " ]]; then
        kept=$((kept + 1))
    else
        fail "run $run: after an upgrade over a hard-linked ${linked[*]}, the record is '$now'" \
            "(links: $links)"
    fi
    check_outside "an upgrade over a hard-linked record"
done
echo "# $runs upgrades over a hard-linked record kept score and name $kept times"

# --- directories at the staging names, then dpkg-reconfigure ---------------------------------------
repaired=0
for run in $(seq "$runs"); do
    case $((run % 3)) in
    0) staged=(.ang.txt.new) ;;
    1) staged=(.nang.txt.new) ;;
    2) staged=(.ang.txt.new .nang.txt.new) ;;
    esac
    for s in "${staged[@]}"; do
        "${member[@]}" sh -c 'mkdir -p "$1/deeper" && : >"$1/file" && ln -s "$2" "$1/link" &&
            ln -s "$2" "$1/deeper/link"' sh "$dir/$s" "$bait"
    done
    score=$((score + 1))
    [[ "$(save "$score" "player$score")" != saved ]] ||
        fail "run $run: a save succeeded over directories at ${staged[*]}"
    timeout 120 dpkg-reconfigure sferdoni >"$work/reconfigure.log" 2>&1 ||
        fail "run $run: dpkg-reconfigure over ${staged[*]}: $(tr '\n' ' ' <"$work/reconfigure.log")"
    if [[ "$(save "$score" "player$score")" == saved && "$(record)" == "$score player$score" &&
        ! -e "$dir/.ang.txt.new" && ! -e "$dir/.nang.txt.new" ]]; then
        repaired=$((repaired + 1))
    else
        fail "run $run: after dpkg-reconfigure the save of $score is not the record: '$(record)';" \
            "$(ls -A "$dir" | tr '\n' ' ')"
    fi
    check_outside "dpkg-reconfigure over directories at the staging names"
done
echo "# $runs times directories at the staging names: dpkg-reconfigure repaired them $repaired times"

# --- the install script's fresh files taken away -------------------------------------------------
for f in ang.txt nang.txt; do dpkg-statoverride --add root games 0664 "$dir/$f"; done
"${member[@]}" perl -e 'chdir $ARGV[0] or die; while (1) { opendir(my $d, ".") or die;
    rename $_, "taken" for grep { /\.setup-/ } readdir $d; }' "$dir" &
pids+=($!)
finished=0
for run in $(seq "$((runs * 3))"); do
    score=$((score + 1))
    save "$score" "player$score" >/dev/null # files of mode 0660: the install script replaces them
    if timeout 60 "$postinst" configure "$version" >"$work/postinst.log" 2>&1; then
        finished=$((finished + 1))
    else
        fail "run $run: postinst while its fresh files are taken: $(tr '\n' ' ' <"$work/postinst.log")"
    fi
done
stop_all
for f in ang.txt nang.txt; do dpkg-statoverride --remove "$dir/$f"; done
rm -f "$dir/taken"
echo "# $((runs * 3)) runs of postinst while a member takes its fresh files: $finished finished"
check_outside "postinst while its fresh files are taken"

# --- purges under load ----------------------------------------------------------------------------
# Creates entries in the record directory, by its path or (cwd) from inside it, as fast as it can.
creator='my ($dir, $bait, $cwd) = @ARGV; my $at = "$dir/";
    if ($cwd) { chdir $dir or exit; $at = ""; }
    for (my $i = 0; ; $i++) { my $p = "${at}m$$.$i"; open(my $f, ">", "$p.f"); close $f;
        mkdir "$p.d"; open($f, ">", "$p.d/f"); close $f; symlink $bait, "$p.l"; }'
# Saves and reads the record as a player, as fast as it can.
saver() {
    for ((s = $1; ; s++)); do
        save "$s" "saver$s" >/dev/null
        "${player[@]}" "$helper" read >/dev/null 2>&1
    done
}
purged() {
    [[ ! -e $dir && -z "$(find "${dir%/*}" -maxdepth 1 -name '.sferdoni-purged.*' 2>/dev/null)" ]]
}
for load in members saves; do
    succeeded=0
    for run in $(seq "$runs"); do
        if [[ $load == members ]]; then
            "${member[@]}" perl -e "$creator" "$dir" "$bait" 0 &
            pids+=($!)
            "${member[@]}" perl -e "$creator" "$dir" "$bait" 1 &
            pids+=($!)
            sleep 0.3
            timeout 120 dpkg --purge sferdoni >"$work/purge.log" 2>&1
        else
            saver $((score + run * 100000)) &
            pids+=($!)
            saver $((score + run * 100000 + 50000)) &
            pids+=($!)
            sleep 0.3
            timeout 120 "$postrm" purge >"$work/purge.log" 2>&1
        fi
        status=$?
        sleep 0.2 # what goes on may not bring the directory back
        if ((status == 0)) && purged; then
            succeeded=$((succeeded + 1))
        else
            fail "run $run: purging while $load go on: status $status," \
                "$(tr '\n' ' ' <"$work/purge.log") $(ls -a "${dir%/*}" | tr '\n' ' ')"
        fi
        stop_all
        check_outside "purging while $load go on"
        if [[ $load == members ]]; then
            timeout 120 dpkg -i "$deb" >"$work/dpkg.log" 2>&1
        else
            timeout 60 "$postinst" configure "$version" >"$work/dpkg.log" 2>&1
        fi || fail "installing again after a purge: $(tail -n 5 "$work/dpkg.log")"
    done
    echo "# $runs purges while $load go on: $succeeded succeeded"
done

echo "# member-races: $failures failure(s)"
((failures == 0))
