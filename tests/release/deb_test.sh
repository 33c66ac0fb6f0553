#!/usr/bin/env bash
# The Linux package end to end: built by dpkg-buildpackage, clean for lintian, its manual page
# and settings page true to the program (its options taken, its defaults the program's own);
# then (as root, as CI runs) installed with apt on this machine, reinstalled over a damaged
# install and verified with dpkg -V, run on the test display from where it was installed, and
# purged without a trace.
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

# Every default on the settings page is what the program does with no options. XScreenSaver
# shows a box with arg-unset ticked and one with arg-set unticked, and a list at its option
# without arg-set; none of those states adds anything to the command line.
xml=root/usr/share/xscreensaver/config/clackmoor.xml
count() { xmllint --xpath "count($1)" "$xml"; }
check "every box has exactly one of arg-set and arg-unset" [ "$(count '//boolean[not(@arg-set) = not(@arg-unset)]')" = 0 ]
check "every list has exactly one option without arg-set" [ "$(count '//select[count(option[not(@arg-set)]) != 1]')" = 0 ]
# run_hack SEED OPTION...: what the program does: its frame after a fixed run, and its output
# with the numbers left out.
run_hack() {
  local seed=$1 out
  shift
  out=$("root$hack" -seed "$seed" -frames 45 -frame-time 0.05 -geometry 160x90 -shot shot.png "$@" 2>&1 |
    sed 's/[0-9][0-9]*/N/g') || return 1
  echo "$(md5sum <shot.png) $(md5sum <<<"$out")"
}
# The frame rate is counted on the clock: its report shows only in a run of a few seconds.
paced_output() {
  { timeout -s TERM 4 "root$hack" -geometry 160x90 "$@" 2>&1 || true; } | sed 's/[0-9][0-9]*/N/g' | sort -u
}
# Seeds spread over the generator's range (its first numbers follow the seed closely).
seeds=$(for k in $(seq 1 16); do echo $((k * 268435399 % 4294967296)); done)
for seed in $seeds; do run_hack "$seed" >"plain-$seed.txt" || fail "the program fails with -seed $seed"; done
same_twice() { [ "$(run_hack "${seeds%%$'\n'*}")" = "$(cat "plain-${seeds%%$'\n'*}.txt")" ]; }
check "the program does the same twice with the same seed" same_twice
paced_output >plain-paced.txt

# A control other than the launch patterns: what the page adds when it leaves its default must
# change what the program does, for some seed; were the program's default that state already,
# the option would change nothing.
changes_something() { # OPTION...
  local seed
  for seed in $seeds; do
    [ "$(run_hack "$seed" "$@")" != "$(cat "plain-$seed.txt")" ] && return 0
  done
  [ "$(paced_output "$@")" != "$(cat plain-paced.txt)" ]
}
xmllint --xpath '//@arg-set|//@arg-unset' "$xml" | sed 's/^[^"]*"\(.*\)"$/\1/' | grep -v -- '-no-pattern' >others.txt
while read -r option; do
  # shellcheck disable=SC2086 # "--touch never" is two words
  check "the page's default is the program's: $option changes what it does" changes_something $option
done <others.txt

# A launch pattern N: with its box and one other (P) left ticked on the page, the program must
# do what -patterns N,P does; had N been off by default, only P would be on, and for some seed
# that differs.
pattern_default() { # N P
  local seed unticked=()
  for m in $(seq 1 10); do [ "$m" = "$1" ] || [ "$m" = "$2" ] || unticked+=("--no-pattern$m"); done
  for seed in $seeds; do
    explicit=$(run_hack "$seed" -patterns "$1,$2")
    [ "$(run_hack "$seed" "${unticked[@]}")" = "$explicit" ] || return 1
    [ "$explicit" != "$(run_hack "$seed" -patterns "$2")" ] && return 0
  done
  return 1
}
for n in $(xmllint --xpath '//@arg-unset' "$xml" | grep -o 'no-pattern[0-9]*' | grep -o '[0-9]*'); do
  check "the page's default is the program's: launch pattern $n is on" pattern_default "$n" $((n == 1 ? 2 : 1))
done

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
verified() { [ -z "$(dpkg -V clackmoor 2>&1)" ]; }
check "dpkg -V finds every file as it was packaged" verified

# A file lost or damaged since: a reinstall puts the package back as it was.
rm "$page"
echo "changed" >>/usr/share/xscreensaver/config/clackmoor.xml
check "dpkg -V notices the damage" not verified
check "apt-get install --reinstall reinstalls it" apt install --reinstall --no-install-recommends "$deb"
check "after the reinstall dpkg -V finds every file as it was packaged" verified
dpkg -V clackmoor || true

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
