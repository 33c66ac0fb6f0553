#!/usr/bin/env bash
# The X11 front end run for real on the virtual display: hack_test.sh CASE, where CASE is
#   windows  -window-id into a test's window, a resize, $XSCREENSAVER_WINDOW, -root, its own
#            window ending on Escape, q and the close button, SIGTERM and SIGINT (status 0)
#   lost     a lost X connection ends it with a message
#   options  bad options exit 2 with a message and the usage
#   picture  -seed/-frames/-frame-time/-shot: the cradle, deterministic, options that show
#   daemon   Debian's xscreensaver runs it and ends it
#   package  cmake --install and the .deb put it where Debian's xscreensaver looks
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
here=$(cd "$(dirname "$0")" && pwd)
check="$CLACKMOOR_SOURCE/tests/render/png_check.py"
hack="$CLACKMOOR_BUILD/clackmoor"
work="$CLACKMOOR_BUILD/harness/xhack-$1"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
# Whatever a case leaves running (windows, servers, the daemon) ends with it.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# Waits (up to a minute) until window $1 shows the cradle at $2x$3; keeps the capture as $4.png.
shows_cradle() {
  for _ in $(seq 120); do
    if import -window "$1" "$4.png" 2>/dev/null && python3 "$check" "$4.png" "$2" "$3" >/dev/null 2>&1; then
      echo "$4: the cradle shows in window $1"
      return 0
    fi
    sleep 0.5
  done
  python3 "$check" "$4.png" "$2" "$3" || true
  fail "$4: no cradle in window $1"
}

# Waits (up to 20 s) for process $1 to end; its exit status must be $2. Says how long it took.
ends_with() {
  local start now
  start=$(date +%s%N)
  for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$1" 2>/dev/null && { kill -KILL "$1"; fail "$3: still running 20 s later"; }
  local rc=0
  wait "$1" || rc=$?
  now=$(date +%s%N)
  [ "$rc" = "$2" ] || fail "$3: exit status $rc, not $2"
  echo "$3: ended with status $rc after $(((now - start) / 1000000)) ms"
}

# Starts a window of the test's own ($1 size, $2 visual id if given); sets winid and winpid.
open_window() {
  rm -f window.id
  python3 "$here/xwin.py" open "$@" >window.id &
  winpid=$!
  for _ in $(seq 100); do [ -s window.id ] && break; sleep 0.1; done
  winid=$(cat window.id)
  [ -n "$winid" ] || fail "the test window did not open"
}

# A private X server for the cases that must not disturb the shared one; sets xvfb and xdisplay.
private_display() {
  rm -f xvfb.fd
  Xvfb -displayfd 3 -screen 0 "$1x24" +extension GLX -nolisten tcp -noreset 3>xvfb.fd \
    >xvfb.log 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s xvfb.fd ] && break; sleep 0.1; done
  [ -s xvfb.fd ] || fail "the private Xvfb did not start"
  xdisplay=":$(head -n 1 xvfb.fd)"
}

case_windows() {
  local id pid own first
  open_window 400x300
  id=$winid first=$winpid

  "$hack" -window-id "$id" -seed 7 &
  pid=$!
  shows_cradle "$id" 400 300 window-id
  xdotool windowsize "$id" 640 360
  shows_cradle "$id" 640 360 resized
  kill -TERM "$pid"
  ends_with "$pid" 0 "SIGTERM"

  # A window whose visual GL cannot draw double-buffered into: a child of the saver's visual
  # covers it and follows its size.
  local plain
  plain=$(glxinfo 2>/dev/null | awk '$3 == "tc" && $8 == "." && $17 == 0 && !n++ { print $1 }')
  [ -n "$plain" ] || fail "no single-buffered visual without depth on this display"
  local pid2 id2
  open_window 320x240 "$plain"
  id2=$winid
  "$hack" -window-id "$id2" -seed 7 &
  pid2=$!
  shows_cradle "$id2" 320 240 plain-visual
  xdotool windowsize "$id2" 400 300
  shows_cradle "$id2" 400 300 plain-visual-resized
  kill -TERM "$pid2"
  ends_with "$pid2" 0 "SIGTERM (plain visual)"
  kill "$winpid"

  XSCREENSAVER_WINDOW="$id" "$hack" -root -seed 7 &
  pid=$!
  shows_cradle "$id" 640 360 xscreensaver-window
  kill -INT "$pid"
  ends_with "$pid" 0 "SIGINT"

  local size
  size=$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
  "$hack" -root -seed 7 &
  pid=$!
  # shellcheck disable=SC2086
  shows_cradle root $size root
  kill -TERM "$pid"
  ends_with "$pid" 0 "SIGTERM (root)"

  # Its own window: titled Clackmoor, ended by the user.
  for how in "key Escape" "key q" close; do
    "$hack" -seed 7 -geometry 480x270 &
    pid=$!
    own=""
    for _ in $(seq 100); do
      own=$(xdotool search --name '^Clackmoor$' 2>/dev/null | head -n 1) && [ -n "$own" ] && break
      sleep 0.2
    done
    [ -n "$own" ] || fail "no window titled Clackmoor"
    shows_cradle "$own" 480 270 own-window
    if [ "$how" = close ]; then
      python3 "$here/xwin.py" close "$own"
    else
      # The window is gone before the key's release is sent: xdotool's complaint is expected.
      xdotool ${how% *} --window "$own" "${how#* }" 2>/dev/null || true
    fi
    ends_with "$pid" 0 "$how"
  done
  kill "$first"
}

case_lost() {
  private_display 320x240
  DISPLAY=$xdisplay "$hack" -seed 7 2>hack.err &
  local pid=$!
  sleep 3
  kill -0 "$pid" || fail "the hack did not start on $xdisplay: $(cat hack.err)"
  kill "$xvfb"
  ends_with "$pid" 1 "X server gone"
  grep -q "clackmoor: lost the connection to the X server" hack.err || fail "no message: $(cat hack.err)"
}

case_options() {
  local bad=(
    "-bogus" "-patterns" "-patterns 0" "-patterns 11" "-patterns 1,,2" "-patterns 3,"
    "-patterns x" "-touch maybe" "-seed -1" "-seed 4294967296" "-seed 7x" "-frames 0"
    "-frame-time -1" "-frame-time 11" "-window-id 0" "-window-id 0x" "-window-id -5"
    "-window-id 12abc" "-geometry 640" "-geometry 0x10" "-shot x.png" "-no-pattern11" "stray"
  )
  for args in "${bad[@]}"; do
    local rc=0
    # shellcheck disable=SC2086
    "$hack" $args >out.txt 2>err.txt || rc=$?
    [ "$rc" = 2 ] || fail "clackmoor $args gave status $rc, not 2"
    head -n 1 err.txt | grep -q '^clackmoor: ' || fail "clackmoor $args: no one-line message"
    grep -q '^usage: clackmoor' err.txt || fail "clackmoor $args: no usage"
    [ "$(grep -c '^clackmoor: ' err.txt)" = 1 ] || fail "clackmoor $args: more than one message"
  done
  "$hack" -help | grep -q '^usage: clackmoor' || fail "-help shows no usage"
  echo "${#bad[@]} bad option lists refused with status 2"
}

case_picture() {
  local fixed=(-seed 7 -frames 300 -frame-time 0.02)
  "$hack" "${fixed[@]}" -geometry 1280x720 -shot cradle.png
  python3 "$check" cradle.png 1280 720
  # Deterministic, and each option shows in the picture.
  small() { "$hack" -seed 3 -frames 40 -frame-time 0.03 -geometry 160x120 -shot "$@"; }
  small a.png
  small b.png
  cmp a.png b.png
  small no-ati.png -no-ati
  small pattern9.png -patterns 9
  small never.png -patterns 9 -touch never
  for other in no-ati pattern9; do ! cmp -s a.png "$other.png" || fail "$other looks the same"; done
  ! cmp -s pattern9.png never.png || fail "-touch never looks the same"
}

case_daemon() {
  private_display 800x600
  local home="$work/home" run=()
  mkdir -p "$home"
  # The hack's own line marks its processes: no other run of the program matches it.
  local line="$hack -root -seed 31337"
  cat >"$home/.xscreensaver" <<EOT
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	"Clackmoor" $line \n
EOT
  # NOTE: xscreensaver launches no hack as root; there it runs as nobody.
  if [ "$(id -u)" = 0 ]; then
    chown -R nobody:nogroup "$home"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  run+=(env "HOME=$home" "DISPLAY=$xdisplay")
  "${run[@]}" xscreensaver -no-splash >daemon.log 2>&1 &
  for _ in $(seq 50); do "${run[@]}" xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done
  "${run[@]}" xscreensaver-command -activate
  for _ in $(seq 100); do pgrep -f -x "$line" >/dev/null && break; sleep 0.2; done
  pgrep -f -x "$line" >/dev/null || fail "the daemon started no hack: $(tail -n 5 daemon.log)"
  DISPLAY=$xdisplay shows_cradle root 800 600 daemon
  "${run[@]}" xscreensaver-command -deactivate
  for _ in $(seq 100); do pgrep -f -x "$line" >/dev/null || break; sleep 0.2; done
  ! pgrep -a -f -x "$line" || fail "the hack outlived -deactivate"
  grep -q "X Error" daemon.log && fail "X errors: $(grep -A3 'X Error' daemon.log)"
  "${run[@]}" xscreensaver-command -exit || true
  echo "the daemon started the hack on -activate and ended it on -deactivate"
}

case_package() {
  DESTDIR="$work/stage" cmake --install "$CLACKMOOR_BUILD" >/dev/null
  "$CLACKMOOR_SOURCE/tools/installer/package" deb 1.0.0 stage .
  local deb=clackmoor_1.0.0_amd64.deb
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sort >contents.txt
  for f in ./usr/libexec/xscreensaver/clackmoor ./usr/share/xscreensaver/config/clackmoor.xml; do
    grep -qx "$f" contents.txt || fail "$f is not in the package"
  done
  [ "$(dpkg-deb -f "$deb" Section)" = x11 ] || fail "section is not x11"
  dpkg-deb -x "$deb" root
  root/usr/libexec/xscreensaver/clackmoor -help | grep -q '^usage: clackmoor' || fail "installed program"
  xmllint --noout root/usr/share/xscreensaver/config/clackmoor.xml
  # The settings page: ten pattern boxes, three touching choices, the ATI box; every argument
  # it can put on the command line is one the program takes.
  local args
  args=$(python3 - root/usr/share/xscreensaver/config/clackmoor.xml <<'PY'
import sys, xml.etree.ElementTree as ET
page = ET.parse(sys.argv[1]).getroot()
boxes = [b.get("id") for b in page.iter("boolean")]
assert [b for b in boxes if b.startswith("pattern")] == ["pattern%d" % n for n in range(1, 11)]
assert "ati" in boxes and "showfps" in boxes
assert [len(list(s.iter("option"))) for s in page.iter("select")] == [3]
print(" ".join(e.get(a) for e in page.iter() for a in ("arg", "arg-set", "arg-unset") if e.get(a)))
PY
)
  # shellcheck disable=SC2086
  root/usr/libexec/xscreensaver/clackmoor $args -help >/dev/null || fail "the page's options: $args"
  # Every library the program names comes from a package the control file names (the
  # sanitizers' run-time libraries are this tree's own).
  local program=root/usr/libexec/xscreensaver/clackmoor needed path pkg
  for needed in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldd "$program" | awk -v n="$needed" '$1 == n { print $3 }')
    # Merged /usr: dpkg knows each library under one of its two names.
    pkg=$( (dpkg -S "$path" || dpkg -S "/usr${path#/usr}" || dpkg -S "${path#/usr}") 2>/dev/null |
      head -n 1 | cut -d: -f1)
    case "$pkg" in libasan* | libubsan*) continue ;; esac
    dpkg-deb -f "$deb" Depends | tr -d ' \n' | tr ',' '\n' | grep -qx "$pkg" ||
      fail "$needed ($pkg) is not in Depends"
  done
  echo "package: $(dpkg-deb -f "$deb" Depends)"
}

"case_$1"
