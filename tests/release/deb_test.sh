#!/usr/bin/env bash
# The Linux package end to end: built by dpkg-buildpackage, clean for lintian, its manual page
# and settings page true to the program; then (as root, as CI runs) installed with apt on this
# machine, run on the test display from where it was installed, and purged without a trace.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
work="$CLACKMOOR_BUILD/release-deb"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
hack=/usr/libexec/xscreensaver/clackmoor
page=/usr/share/man/man6/clackmoor.6x.gz
not() { ! "$@"; }

deb=$("$CLACKMOOR_SOURCE/tools/installer/deb" build . | awk 'END { print $3 }')
echo "built $deb"

# Every tag is shown; errors and warnings fail.
lint() {
  lintian --fail-on error,warning -I --pedantic --tag-display-limit 0 "$deb" 2>&1 |
    { grep -v 'root privileges' || true; }
}
check "lintian: no error and no warning" lint

dpkg-deb -x "$deb" root
# The options as -help names them and as the manual page's OPTIONS list them, one dash each.
"root$hack" -help | grep -oE -- '(^|[[ |])-[a-z][-a-zA-Z]*' | sed 's/^[[ |]//' | sort -u >help.txt
zcat "root$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g' |
  awk '/^\.SH/ { in_options = $2 == "OPTIONS" } in_options && tag { print $2 } { tag = /^\.TP/ }' |
  sed 's/^--/-/' | sort -u >page.txt
check "-help and the manual page list the same options ($(wc -l <help.txt))" diff help.txt page.txt
# Everything the settings page can put on the command line is taken by the program.
args=$(xmllint --xpath '//@arg|//@arg-set|//@arg-unset' root/usr/share/xscreensaver/config/clackmoor.xml |
  sed 's/^[^"]*"\(.*\)"$/\1/')
accepted() { "root$hack" $args -help >/dev/null; }
check "the settings page's options are accepted" accepted

if [ "$(id -u)" != 0 ]; then
  echo "not root: the package is not installed on this machine"
  [ "$FAILURES" = 0 ] && exit 77
  finish
fi
# The machine's package database is shared by every build tree.
exec 9>/tmp/clackmoor-deb-test.lock
flock 9
if dpkg-query -W -f='${Status}' clackmoor 2>/dev/null | grep -q ' installed$'; then
  echo "clackmoor is already installed here: the test does not replace it"
  [ "$FAILURES" = 0 ] && exit 77
  finish
fi
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@" >>apt.log 2>&1; }
# A failure on the way must not leave the package on the machine.
trap 'dpkg-query -W clackmoor >/dev/null 2>&1 && apt remove --purge clackmoor' EXIT
check "apt-get installs it" apt install --no-install-recommends "$deb"
dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's,/$,,' | grep . >paths.txt
check "every file of the package is in place" \
  bash -c 'while read -r p; do [ -e "$p" ] || exit 1; done <paths.txt'
check "man finds its page" [ "$(man -w 6x clackmoor 2>/dev/null)" = "$page" ]

check "the installed hack ends by itself" \
  "$hack" -seed 7 -frames 60 -frame-time 0.02 -geometry 320x180 -shot shot.png
check "it drew the cradle" python3 "$CLACKMOOR_SOURCE/tests/render/png_check.py" shot.png 320 180

check "apt-get purges it" apt remove --purge clackmoor
check "dpkg no longer knows it" not dpkg-query -W clackmoor
# Gone: every file, and every folder but those other packages own.
left() {
  while read -r p; do
    [ -e "$p" ] || continue
    [ -d "$p" ] && dpkg-query -S "$p" >/dev/null 2>&1 && continue
    echo "left behind: $p"
  done <paths.txt
  ls /var/lib/dpkg/info/clackmoor.* 2>/dev/null || true
}
check "nothing is left" [ -z "$(left)" ]
left
finish
