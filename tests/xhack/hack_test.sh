#!/usr/bin/env bash
# The X11 hack run for real: hack_test.sh windows|private|options|picture|compare.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
check="$CLACKMOOR_SOURCE/tests/render/png_check.py"
hack="$CLACKMOOR_BUILD/clackmoor"
xwin="$CLACKMOOR_BUILD/tests/xhack/xwin"
work="$CLACKMOOR_BUILD/harness/xhack-$1"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# retry TIMES PAUSE COMMAND...: runs the command until it succeeds, at most TIMES times.
retry() { local n=$1 pause=$2; shift 2; until "$@"; do ((--n)) || return 1; sleep "$pause"; done; }

# cradle_in PNG WxH: the picture shows the cradle filling WxH; shows_cradle WINDOW WxH NAME:
# waits (up to a minute) until the window does, captured as NAME.png.
cradle_in() { python3 "$check" "$1" "${2%x*}" "${2#*x}" && python3 "$check" --wide "$1"; }
capture() { import -window "$1" "$3.png" 2>/dev/null && cradle_in "$3.png" "$2" >/dev/null 2>&1; }
shows_cradle() {
  retry 120 0.5 capture "$@" || cradle_in "$3.png" "$2" || fail "$3: no cradle in window $1"
}

# Waits (up to 20 s) for process $1 to end with status $2; says how long it took.
ends_with() {
  local rc=0 start=${EPOCHREALTIME/./}
  timeout 20 tail --pid="$1" -s 0.1 -f /dev/null || { kill -KILL "$1"; fail "$3: still running"; }
  wait "$1" || rc=$?
  [ "$rc" = "$2" ] || fail "$3: exit status $rc, not $2"
  echo "$3: ended with status $rc after $(((${EPOCHREALTIME/./} - start) / 1000)) ms"
}

# Opens a window of the test's own (WxH[+X+Y] $2, visual id $3 if given); sets $1 to its id.
open_window() {
  "$xwin" open "${@:2}" >"$1.id" &
  retry 100 0.1 test -s "$1.id" || fail "the test window did not open"
  printf -v "$1" %s "$(cat "$1.id")"
}

# The cradle in -window-id (two visuals, resized), $XSCREENSAVER_WINDOW and its own window;
# each run ended as a user or the daemon would, with status 0.
case_windows() {
  local a b c plain name win at resized stop xsw args pid
  # A visual GL cannot draw double-buffered into: the hack covers such a window with a child.
  plain=$(glxinfo 2>/dev/null | awk '$3 == "tc" && $8 == "." && $17 == 0 && !n++ { print $1 }')
  [ -n "$plain" ] || fail "no single-buffered visual without depth on this display"
  open_window a 400x300
  open_window b 320x240+700+0 "$plain"
  open_window c 640x360+0+400
  # Window to capture (own: the hack's), its size, the size it is then given, how the run ends,
  # $XSCREENSAVER_WINDOW (-: none) and the arguments. Each row draws into a fresh window.
  while read -r -u 3 name win at resized stop xsw args; do
    [ "$xsw" = - ] && xsw=
    XSCREENSAVER_WINDOW=$xsw "$hack" -seed 7 $args &
    pid=$!
    if [ "$win" = own ]; then
      win=$(timeout 20 xdotool search --sync --name '^Clackmoor$' | head -n 1) ||
        fail "$name: no window titled Clackmoor"
    fi
    shows_cradle "$win" "$at" "$name"
    if [ "$resized" != - ]; then
      xdotool windowsize "$win" "${resized%x*}" "${resized#*x}"
      shows_cradle "$win" "$resized" "$name-resized"
    fi
    case $stop in
      TERM | INT) kill -"$stop" "$pid" ;;
      close) "$xwin" close "$win" ;;
      # The window is gone before the key's release is sent: xdotool's complaint is expected.
      *) xdotool key --window "$win" "$stop" 2>/dev/null || true ;;
    esac
    ends_with "$pid" 0 "$name ($stop)"
  done 3<<EOT
window-id     $a   400x300 640x360 TERM   -  -window-id $a
plain-visual  $b   320x240 400x300 TERM   -  -window-id $b
xscreensaver  $c   640x360 -       INT    $c -root
escape        own  480x270 -       Escape -  -geometry 480x270
q             own  480x270 -       q      -  -geometry 480x270
close-button  own  480x270 -       close  -  -geometry 480x270
EOT
}

# Debian's xscreensaver on $DISPLAY, its one program the hack's LINE ($1), activated; `run` is
# how to call it. The line marks the hack's processes: no other run of the program matches it.
start_daemon() {
  local home="$work/home"
  mkdir -p "$home"
  printf '%s\n' 'mode: one' 'selected: 0' 'timeout: 0:30:00' 'lock: False' 'fade: False' \
    'unfade: False' 'splash: False' 'dpmsEnabled: False' "programs: \"Clackmoor\" $1 \\n" \
    >"$home/.xscreensaver"
  run=()
  # NOTE: xscreensaver launches no hack as root; there it runs as nobody.
  if [ "$(id -u)" = 0 ]; then
    chown -R nobody:nogroup "$home"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  run+=(env "HOME=$home")
  "${run[@]}" xscreensaver -no-splash >daemon.log 2>&1 &
  retry 50 0.2 "${run[@]}" xscreensaver-command -version >/dev/null 2>&1 || true
  "${run[@]}" xscreensaver-command -activate
  retry 100 0.2 pgrep -f -x "$1" >/dev/null || fail "no hack started: $(tail -n 5 daemon.log)"
}

# Debian's xscreensaver on a server of the test's own runs the hack on -activate and ends it
# on -deactivate; then the hack alone on the root window ends when the server goes.
case_private() {
  HARNESS_DIR=$work clackmoor_start_display 800x600 # sets DISPLAY
  local line="$hack -root -seed 31337" pid
  start_daemon "$line"
  shows_cradle root 800x600 daemon
  "${run[@]}" xscreensaver-command -deactivate
  for _ in $(seq 100); do pgrep -f -x "$line" >/dev/null || break; sleep 0.2; done
  ! pgrep -a -f -x "$line" || fail "the hack outlived -deactivate"
  ! grep -A3 "X Error" daemon.log || fail "X errors in the daemon's log"
  "${run[@]}" xscreensaver-command -exit || true

  "$hack" -root -seed 7 2>hack.err &
  pid=$!
  shows_cradle root 800x600 root
  kill "$(cat xvfb.pid)"
  ends_with "$pid" 1 "X server gone"
  grep "clackmoor: lost the connection to the X server" hack.err || fail "no message: $(cat hack.err)"
}

# On the multi-head server: -root draws one whole cradle per RandR monitor and follows a monitor
# unplugged; the daemon, which gives it one window per monitor, gets one cradle in each.
case_multihead() {
  export DISPLAY=$(cat "$CLACKMOOR_BUILD/harness/xorg-display")
  local three=(DUMMY0=1280x720+1024+600* DUMMY1=1024x768+0+0 DUMMY2=800x600+1024+0) monitors
  cradles() { # NAME SPEC...: a whole cradle on each monitor of the specs, black elsewhere
    local name=$1; shift
    monitors=$(printf '%s\n' "$@" | sed 's/.*=//; s/\*//')
    import -window root "$name.png" 2>/dev/null && python3 "$check" --monitors "$name.png" $monitors >"$name.log" 2>&1
  }
  shows_cradles() { retry 60 1 cradles "$@" || { cat "$1.log"; fail "$1: not a cradle on each monitor"; }; cat "$1.log"; }

  xorg_layout "${three[@]}"
  "$hack" -root -seed 7 &
  local pid=$!
  shows_cradles root-three "${three[@]}"
  xorg_layout "${three[@]:0:2}"
  shows_cradles root-unplugged "${three[@]:0:2}"
  xorg_layout "${three[@]}"
  shows_cradles root-plugged-in "${three[@]}"
  # An output switched off with the screen's size left alone: RandR tells only of a CRTC change.
  xrandr --output DUMMY2 --off
  shows_cradles root-crtc-off "${three[@]:0:2}"
  xorg_layout "${three[@]}"
  shows_cradles root-crtc-on "${three[@]}"
  kill -TERM "$pid"
  ends_with "$pid" 0 "-root on three monitors"

  local line="$hack -root -seed 2718" # not the private case's line: the two run side by side
  start_daemon "$line"
  shows_cradles daemon-three "${three[@]}"
  echo "the daemon runs $(pgrep -c -f -x "$line") hacks, one per monitor"
  [ "$(pgrep -c -f -x "$line")" = 3 ] || fail "not one hack per monitor"
  "${run[@]}" xscreensaver-command -exit || true
}

# What a day brings: unmapped or covered, the hack draws nothing and its frame count stands
# still, and shown again it moves on; stopped and continued, the swing keeps its step.
# -fps prints "R fps, step S ms, N frames" once a second.
case_day() {
  local win cover cover_pid step count frames pid
  open_window win 320x240+0+0 # the test's own: other tests' hacks may be named alike
  "$hack" -seed 5 -fps -window-id "$win" >fps.txt &
  pid=$!
  lines() { grep -c fps fps.txt; }
  field() { tail -n 1 fps.txt | awk -v f="$1" '{ gsub(",", ""); print $f }'; } # 4: step, 6: frames
  at_least() { [ "$(lines)" -ge "$1" ]; }
  settled() { retry 300 0.1 at_least "$1"; }
  near() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > 0.9 * b && a < 1.1 * b) }'; }
  settled 3 || fail "no -fps lines"
  for how in unmapped covered; do
    if [ "$how" = unmapped ]; then xdotool windowunmap --sync "$win"; else
      open_window cover 640x480+0+0
      cover_pid=$!
    fi
    sleep 1
    count=$(lines) frames=$(field 6)
    sleep 3
    [ "$(lines)" = "$count" ] || fail "$how: still drawing ($(tail -n 1 fps.txt))"
    if [ "$how" = unmapped ]; then xdotool windowmap --sync "$win"; else kill "$cover_pid"; fi
    settled $((count + 2)) || fail "$how: no frames once shown again"
    [ "$(field 6)" -lt $((frames + 150)) ] || fail "$how: $(field 6) frames, $frames before: counted while hidden"
    echo "$how for 3 s: $frames frames before, $(field 6) two lines after showing again"
  done
  count=$(lines)
  settled $((count + 3))
  step=$(field 4)
  kill -STOP "$pid"
  sleep 10
  kill -CONT "$pid"
  count=$(lines)
  for n in 1 2 3; do
    settled $((count + n)) || fail "no frames after SIGCONT"
    near "$(field 4)" "$step" || fail "step $(field 4) ms after SIGSTOP and SIGCONT, $step ms before"
  done
  echo "SIGSTOP for 10 s: step $step ms before, $(field 4) ms three lines after SIGCONT"
  kill -TERM "$pid"
  ends_with "$pid" 0 "after a day"
}

# Bad options exit 2 with one message and the usage.
case_options() {
  local bad=(
    "-bogus" "-patterns" "-patterns 0" "-patterns 11" "-patterns 1,,2" "-patterns 3,"
    "-patterns x" "-touch maybe" "-seed -1" "-seed 4294967296" "-seed 7x" "-frames 0"
    "-frame-time -1" "-frame-time 11" "-window-id 0" "-window-id 0x" "-window-id -5"
    "-window-id 12abc" "-geometry 640" "-geometry 0x10" "-shot x.png" "-no-pattern11" "stray"
  )
  for args in "${bad[@]}"; do
    local rc=0
    "$hack" $args >out.txt 2>err.txt || rc=$?
    [ "$rc" = 2 ] || fail "clackmoor $args gave status $rc, not 2"
    # One line that says why, then the usage.
    [ "$(grep -c '^clackmoor: ' err.txt)" = 1 ] && head -n 1 err.txt | grep -q '^clackmoor: ' &&
      grep -q '^usage: clackmoor' err.txt || fail "clackmoor $args: $(cat err.txt)"
  done
  echo "${#bad[@]} bad option lists refused with status 2"
}

# -shot: the same for a seed, each setting shows (that it is the cradle: compare); the visual.
case_picture() {
  small() { "$hack" -seed 3 -frames 40 -frame-time 0.03 -geometry 160x120 -shot "$@"; }
  small a.png
  sleep 1 # the seed, not the clock, decides
  small b.png
  cmp a.png b.png
  small no-ati.png -no-ati
  small pattern9.png -patterns 9
  small never.png -patterns 9 -touch never
  ! cmp -s a.png no-ati.png || fail "-no-ati looks the same"
  ! cmp -s a.png pattern9.png || fail "-patterns 9 looks the same"
  ! cmp -s pattern9.png never.png || fail "-touch never looks the same"
  # Multisampling: none on this software rasteriser, and a failed step of the search keeps the
  # plain visual; forced (a test-only variable), the own window's visual has samples.
  CLACKMOOR_TEST_SAMPLES=4 small samples-4.png
  ! cmp -s a.png samples-4.png || fail "4 samples look the same"
  for fault in extension format; do
    CLACKMOOR_TEST_SAMPLES=4 CLACKMOOR_TEST_MULTISAMPLE_FAULT=$fault small "no-$fault.png"
    cmp a.png "no-$fault.png" || fail "no $fault: not the plain visual"
  done
}

# Both with their defaults, the same frame; skipped (77) when the native tree has no hack.
case_compare() {
  hack="$CLACKMOOR_SOURCE/build/native/clackmoor"
  [ -x "$hack" ] || { echo "no $hack: build the native tree first"; exit 77; }
  "$WINE64" "$CLACKMOOR_BUILD/cradle-shot.exe" --seed 7 --frames 300 --frame-time 0.02 \
    --size 640x360 --out windows.png
  "$hack" -seed 7 -frames 300 -frame-time 0.02 -geometry 640x360 -shot linux.png
  python3 "$check" linux.png 640 360
  # The same rasteriser draws both: only rounding at edges may differ (mean difference 0 to 1,
  # pixels more than 16 levels apart).
  mean=$(compare -metric MAE windows.png linux.png null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
  off=$(compare -metric AE -fuzz 6.3% windows.png linux.png null: 2>&1) || true
  echo "Linux against Windows: mean difference $mean, $off of 230400 pixels over 16 levels apart"
  awk -v m="${mean:-x}" -v o="${off:-x}" 'BEGIN { exit !(m < 0.002 && o <= 1152) }' || fail "they differ"
}

"case_$1"
