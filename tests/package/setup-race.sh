#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Attacks the install script of the installed package, as root, the way any local user can:
# she starts a save through the record helper, stops it (SIGSTOP) once it holds the record
# directory's lock, and lets it go on (SIGCONT) while the install script runs: at a random
# moment, or right when the install script says it gives up waiting for the lock. The install
# script is postinst configure, the helper's setup mode and dpkg-reconfigure in turn; half of
# the runs have a dpkg-statoverride that makes set-up replace the files. After each run the
# install script must have succeeded, and the record must be the pair her last save wrote,
# whole, and what a player reads. Then a save followed by the install script, a reconfigure and
# a reinstall (with --deb) must leave both record files as they were: same inode, owner and
# mode. The record found at the start is put back at the end.
#
#   bash tests/package/setup-race.sh [--runs N] [--deb PACKAGE.deb]
#
# Exit status 0 when every check passed, 1 otherwise, 77 when the package is not installed.
set -uo pipefail

runs=100
name="setup-race"
# shellcheck source=tests/package/attacks.sh
source "$(dirname "${BASH_SOURCE[0]}")/attacks.sh"

work="$(mktemp -d)"
chmod 0755 "$work"
override=0
cleanup() {
    if ((override)); then
        for f in ang.txt nang.txt; do dpkg-statoverride --remove "$dir/$f" >/dev/null 2>&1; done
    fi
    # The record found at the start.
    for f in ang.txt nang.txt; do
        if [[ -f "$work/$f" && -f "$dir/$f" && ! -L "$dir/$f" ]]; then
            cat "$work/$f" >"$dir/$f"
            chown "$(stat -c %u:%g "$work/$f")" "$dir/$f"
            chmod "$(stat -c %a "$work/$f")" "$dir/$f"
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT
for f in ang.txt nang.txt; do cp -p "$dir/$f" "$work/$f"; done

record() { echo "$(tr -d '\r\n' <"$dir/ang.txt") $(tr -d '\r\n' <"$dir/nang.txt")"; }

# The player's attack, as she could write it: start a save, wait until /proc/locks shows it
# holding a lock, stop it, say so, wait DELAY seconds (or until SIGUSR1), let it go on and say
# what it answered.
cat >"$work/attack.pl" <<'EOF'
use strict;
use POSIX ":sys_wait_h";
my ($helper, $score, $delay) = @ARGV;
open(my $in, '>', "/tmp/setup-race-$$") or die "$!";
print $in "$score\nplayer$score\n";
close $in;
my $pid = open(my $out, '-|', "exec $helper save </tmp/setup-race-$$") or die "$!";
$| = 1;
my $stopped = 'late';
sub holds { open(my $l, '<', '/proc/locks') or return 0; return grep { /FLOCK.* $pid / } <$l>; }
while (waitpid($pid, WNOHANG) == 0) {
    if (holds()) {
        kill 'STOP', $pid;
        $stopped = holds() ? 'inside' : 'outside';
        last;
    }
}
$SIG{USR1} = sub { };
print "stopped $stopped $pid\n";
select(undef, undef, undef, $delay);
kill 'CONT', $pid;
my $answer = <$out> // '';
chomp $answer;
close $out;
my $status = $?;
unlink "/tmp/setup-race-$$";
print "answer $score $answer\n";
print "status $status\n";
EOF

# The install script, one way or another.
install_run() {
    case $(($1 % 3)) in
    0) timeout 60 "$postinst" configure "$version" ;;
    1) timeout 60 "$helper" setup root games 2770 root games "$2" root games "$2" ;;
    2) DEBIAN_FRONTEND=noninteractive timeout 60 dpkg-reconfigure sferdoni ;;
    esac
}

score="$(tr -dc 0-9 <"$dir/ang.txt")"
score=$((${score:-0} + 1000))
inside=0 mixed=0 lost=0 failed_runs=0 gave_up=0 saved=0 unsaved=0 last=""
for run in $(seq "$runs"); do
    mode=0660
    if ((run == runs / 2 + 1)); then
        for f in ang.txt nang.txt; do dpkg-statoverride --add root games 0664 "$dir/$f"; done
        override=1
    fi
    ((override)) && mode=0664
    score=$((score + 1))
    # Every other run, the save goes on the moment the install script says it gives up
    # waiting, the worst moment for it; the others at a random one.
    watch=$((run % 2))
    delay="$(awk -v r="$RANDOM" -v w="$watch" 'BEGIN { printf "%.2f", w ? 6 : r % 500 / 100 }')"
    "${player[@]}" perl "$work/attack.pl" "$helper" "$score" "$delay" >"$work/attack.out" 2>&1 &
    attacker=$!
    for _ in $(seq 500); do
        grep -q '^stopped' "$work/attack.out" && break
        sleep 0.01
    done
    grep -q '^stopped inside' "$work/attack.out" && inside=$((inside + 1))
    : >"$work/install.log"
    install_run "$run" "$mode" >>"$work/install.log" 2>&1 &
    installer=$!
    while ((watch)) && kill -0 "$installer" 2>/dev/null; do
        if grep -q "holds the record's lock" "$work/install.log"; then
            kill -CONT "$(awk '$1 == "stopped" { print $3 }' "$work/attack.out")" 2>/dev/null
            kill -USR1 "$attacker"
            break
        fi
        sleep 0.005
    done
    wait "$installer"
    status=$?
    wait "$attacker"
    grep -q "holds the record's lock" "$work/install.log" && gave_up=$((gave_up + 1))
    if ((status != 0)); then
        failed_runs=$((failed_runs + 1))
        fail "install run $run exited $status: $(tr '\n' ' ' <"$work/install.log")"
    fi
    if grep -qx "answer $score saved" "$work/attack.out"; then
        saved=$((saved + 1))
        last="$score player$score"
    else
        unsaved=$((unsaved + 1))
        echo "# run $run: the save answered: $(grep -E '^(answer|status)' "$work/attack.out" | tr '\n' ' ')"
    fi
    # The record is what a player reads; the files hold the same, unless a save stopped for
    # good between its two renames, whose name stays staged and is read as its pair.
    now="$("${reader[@]}" "$helper" read | tail -n +2 | tr -d '\r' | tr '\n' ' ')"
    now="${now% }"
    files="$(record)"
    [[ "$files" != " " ]] || files=""
    if [[ -e "$dir/.nang.txt.new" ]]; then
        echo "# run $run: a save's name is still staged: files '$files', read '$now'"
    elif [[ "$now" != "$files" ]]; then
        fail "run $run: a player reads '$now', the files hold '$files'"
    fi
    read -r s n <<<"$now"
    if [[ -n "$s" && "$n" != "player$s" ]]; then
        mixed=$((mixed + 1))
        fail "run $run left a pair no save wrote: $now"
    elif [[ -n "$last" && "${s:-0}" -lt "${last%% *}" ]]; then
        lost=$((lost + 1))
        fail "run $run lost the save of $last: the record is $now"
    fi
done
if ((override)); then
    for f in ang.txt nang.txt; do dpkg-statoverride --remove "$dir/$f"; done
    override=0
fi
echo "# $runs install runs against stopped saves: $inside stopped inside the lock," \
    "$gave_up gave up waiting for it; $saved saves answered saved, $unsaved did not;" \
    "$failed_runs failed runs, $mixed mixed pairs, $lost lost saves"

# A save, then whatever reinstalls or reconfigures the package: the files stay as they are.
inodes() { stat -c '%i %U:%G %a' "$dir/ang.txt" "$dir/nang.txt" | tr '\n' ' '; }
score=$((score + 1))
printf '%s\nplayer%s\n' "$score" "$score" | "${player[@]}" "$helper" save >/dev/null
before="$(inodes) $(record)"
steps=(postinst dpkg-reconfigure)
[[ -z "$deb" ]] || steps+=(reinstall)
for step in "${steps[@]}"; do
    case $step in
    postinst) timeout 60 "$postinst" configure "$version" >"$work/install.log" 2>&1 ;;
    dpkg-reconfigure) DEBIAN_FRONTEND=noninteractive dpkg-reconfigure sferdoni \
        >"$work/install.log" 2>&1 ;;
    reinstall) DEBIAN_FRONTEND=noninteractive timeout 120 dpkg -i "$deb" >"$work/install.log" 2>&1 ;;
    esac || fail "$step after a save failed: $(tr '\n' ' ' <"$work/install.log")"
    after="$(inodes) $(record)"
    if [[ "$after" == "$before" ]]; then
        echo "# $step after a save left both record files as they were: $after"
    else
        fail "$step after a save changed the record files: $before -> $after"
    fi
done

echo "# setup-race: $failures failure(s)"
((failures == 0))
