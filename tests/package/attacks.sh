# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash disable=SC2034
# What the scripts that attack the installed package share, sourced with their arguments
# ([--runs N] [--deb PACKAGE.deb]) after they set runs (the default) and name: the installed
# paths, the users they play, and the count of failures. Exits 77 (skipped) unless run as root
# with the package installed. (Every variable is for the script that sources it.)

deb=""
while (($#)); do
    case "$1" in
    --runs) runs="$2" && shift 2 ;;
    --deb) deb="$2" && shift 2 ;;
    *) echo "usage: $0 [--runs N] [--deb PACKAGE.deb]" >&2 && exit 64 ;;
    esac
done

helper=/usr/libexec/sferdoni/sferdoni-record
dir=/var/games/sferdoni
postinst=/var/lib/dpkg/info/sferdoni.postinst
postrm=/var/lib/dpkg/info/sferdoni.postrm
version="$(dpkg-query -W -f='${Version}' sferdoni 2>/dev/null)"
if ((EUID != 0)) || [[ ! -x $postinst || ! -x $helper ]]; then
    echo "# ${name:?}: needs root and the installed package: skipped"
    exit 77
fi
# Players who are in no group (not in games): only the helper's set-group-id reaches the record.
player=(setpriv --reuid=4242 --regid=4242 --clear-groups)
reader=(setpriv --reuid=4243 --regid=4243 --clear-groups)

failures=0
fail() {
    echo "not ok - $*"
    failures=$((failures + 1))
}
