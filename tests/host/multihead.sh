#!/usr/bin/env bash
# The full-screen saver on a real multi-head server (Xorg's dummy driver): a whole cradle on
# each monitor and black where none is, through a monitor unplugged and plugged back and the
# primary moved; input on any monitor ends it; the preview and the dialog as on one monitor.
. "$(dirname "$0")/lib.sh"
check_png="$CLACKMOOR_SOURCE/tests/render/png_check.py"
xorg_display=$(cat "$HARNESS_DIR/xorg-display" 2>/dev/null) || {
  echo "no multi-head server: run through ctest"
  exit 1
}

# Wine reads the monitors from the server its desktop process started on: a fresh server and
# desktop on the given display (with no output, so they cannot hold the test's pipes open).
wine_on() {
  export DISPLAY=$1
  wineserver -k 2>/dev/null
  wineserver -p 60 </dev/null >/dev/null 2>&1
  "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}
trap 'wine_on "$(cat "$HARNESS_DIR/display")"' EXIT

# Monitors in Windows' coordinates, sorted: X's root position less the primary's.
windows_view() {
  local spec geo w h x y px=0 py=0
  for spec; do
    [ "${spec%\*}" != "$spec" ] && IFS='x+*' read -r _ _ px py <<<"${spec#*=}"
  done
  for spec; do
    geo=${spec#*=}
    IFS='x+' read -r w h x y <<<"${geo%\*}"
    echo "$((x - px)) $((y - py)) $w $h$([ "${geo%\*}" != "$geo" ] && echo " primary")"
  done | sort
}

# layout NAME OUTPUT=WxH+X+Y[*] ...: the server's monitors, then a wait (30 s) until Wine
# reports exactly them. MONITORS: the rectangles in X's root pixels, for the picture checks.
layout() {
  local name=$1 want seen
  shift
  xorg_layout "$@"
  want=$(windows_view "$@")
  for _ in $(seq 60); do
    seen=$(tool monitors | sort)
    [ "$seen" = "$want" ] && break
    sleep 0.5
  done
  echo "  $name: Wine reports" $(sed 's/$/;/' <<<"$seen")
  check "Wine reports the $name layout" [ "$seen" = "$want" ]
  MONITORS=()
  for spec; do MONITORS+=("$(sed 's/.*=//; s/\*//' <<<"$spec")"); done
  SCREEN=$(screen_size)
}

# A whole cradle on every monitor and black elsewhere, within a minute (the views are laid out
# anew after a change).
cradles() {
  import -window root "$WORK/$1.png" 2>/dev/null &&
    python3 "$check_png" --monitors "$WORK/$1.png" "${MONITORS[@]}" >"$WORK/$1.log" 2>&1
}
shows_cradles() {
  local shown=no
  for _ in $(seq 30); do cradles "$1" && shown=yes && break; sleep 2; done
  sed 's/^/  /' "$WORK/$1.log"
  check "$1: a whole cradle on each monitor, black elsewhere" [ "$shown" = yes ]
}

# The saver window covers the virtual screen: the box around every monitor.
covers() {
  local want="$1 ${SCREEN%x*} ${SCREEN#*x} visible"
  for _ in $(seq 40); do [ "$(tool rect "$w")" = "$want" ] && return 0; sleep 0.5; done
  return 1
}

# Different sizes: one monitor left of the primary (reaching above it), one above it.
# NOTE: Wine follows monitors that come and go only when its desktop started on several.
three=(DUMMY0=1280x720+1024+600* DUMMY1=1024x768+0+0 DUMMY2=800x600+1024+0)
DISPLAY=$xorg_display xorg_layout "${three[@]}"
wine_on "$xorg_display"
layout "three-monitor" "${three[@]}"
start_saver "$SCR" /s
w=$(saver_window) || fail "the saver window did not come up"
check "the window covers the virtual screen ($(tool rect "${w:-0}"))" covers "-1024 -600"
shows_cradles three

layout "unplugged" DUMMY0=1280x720+1024+600* DUMMY1=1024x768+0+0
check "the saver runs on with a monitor unplugged" alive "$SAVER_PID"
shows_cradles unplugged

layout "plugged-in" "${three[@]}"
check "the window covers the virtual screen again" covers "-1024 -600"
shows_cradles plugged-in

layout "primary-moved" DUMMY0=1280x720+1024+600 DUMMY1=1024x768+0+0* DUMMY2=800x600+1024+0
check "the window covers the virtual screen from the new primary" covers "0 0"
shows_cradles primary-moved
check "a key ends the saver with 0" end_saver

# Input on the second monitor: a click, then a move beyond the threshold, each from a pointer
# resting there.
for input in "click 1" "mousemove 1210 310"; do
  xdotool mousemove 1200 300
  "$WINE64" "$SCR" /s </dev/null >>"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
  saver_window >/dev/null || fail "the saver did not come up for '$input'"
  xdotool $input
  wait_exit "$SAVER_PID" 60
  check "'$input' on the second monitor ends the saver with 0 (got $RC)" [ "$RC" = 0 ]
done

# The monitor under the pointer unplugged: the server moves the pointer onto a monitor that
# is left. That move is not the user's: the saver runs on.
layout "three-again" "${three[@]}"
xdotool mousemove 1400 300 # on DUMMY2
"$WINE64" "$SCR" /s </dev/null >>"$WORK/saver.log" 2>&1 &
SAVER_PID=$!
w=$(saver_window) || fail "the saver did not come up on three monitors again"
layout "unplugged-under-pointer" DUMMY0=1280x720+1024+600* DUMMY1=1024x768+0+0
pointer=$(xdotool getmouselocation | cut -d' ' -f1,2)
check "the saver runs on when the monitor under the pointer goes (pointer now $pointer)" \
  still_running "$SAVER_PID"
shows_cradles unplugged-under-pointer
check "... and a key still ends it" end_saver

# The preview fills its parent and the dialog opens on one monitor, as on a single screen.
start_parent
start_saver "$SCR" /p "$PARENT"
child=$(tool child "$PARENT" 30)
# The child shows only once its creation event (the GL set-up) is done: up to 30 s.
covers="$PARENT_X $PARENT_Y $PARENT_W $PARENT_H visible"
for _ in $(seq 60); do [ "$(tool rect "${child:-0}")" = "$covers" ] && break; sleep 0.5; done
check "the preview covers its parent's client area" [ "$(tool rect "${child:-0}")" = "$covers" ]
tool post "$PARENT" 16 0 0
wait_exit "$SAVER_PID" 60
check "the preview ends with its parent (got $RC)" [ "$RC" = 0 ]
open_dialog /c
read -r dx dy dw dh _ < <(tool rect "$DIALOG")
echo "  the dialog at $dx,$dy, ${dw}x$dh"
on_primary() { [ "$DIALOG" != 0 ] && ((dx >= 0 && dy >= 0 && dx + dw <= 1024 && dy + dh <= 768)); }
check "the dialog opens whole on the primary monitor" on_primary
tool post "$DIALOG" 16 0 0
check "closing the dialog ends it" wait_exit "$DIALOG_PID" 30
finish
