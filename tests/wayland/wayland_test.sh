#!/usr/bin/env bash
# The Wayland front end run for real on the private sway:
# wayland_test.sh outputs|options|input|idle|removal|compare.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
check="$CLACKMOOR_SOURCE/tests/render/png_check.py"
saver="$CLACKMOOR_BUILD/clackmoor-wayland"
work="$CLACKMOOR_BUILD/harness/wayland-$1"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
[ "$1" = options ] || clackmoor_sway_env || fail "no private sway: the sway fixture"

# retry TIMES PAUSE COMMAND...: runs the command until it succeeds, at most TIMES times.
retry() { local n=$1 pause=$2; shift 2; until "$@"; do ((--n)) || return 1; sleep "$pause"; done; }

# Waits (up to 20 s) for process $1 to end with status $2.
ends_with() {
  local rc=0
  timeout 20 tail --pid="$1" -s 0.1 -f /dev/null || { kill -KILL "$1"; fail "$3: still running"; }
  wait "$1" || rc=$?
  [ "$rc" = "$2" ] || fail "$3: exit status $rc, not $2"
  echo "ok: $3 ended with status $rc"
}

# The compositor's outputs, in its order; `output NAME WxH X Y [SCALE]` shapes one.
outputs() { swaymsg -t get_outputs -r | python3 -c 'import json, sys; print(*[o["name"] for o in json.load(sys.stdin)])'; }
output() { swaymsg output "$1" resolution "$2" position "$3" "$4" scale "${5:-1}" >/dev/null; }
# At least N outputs; their names in OUT (headless outputs, once made, stay).
need_outputs() {
  while [ "$(outputs | wc -w)" -lt "$1" ]; do swaymsg create_output >/dev/null; done
  read -r -a OUT <<<"$(outputs)"
}
# Every output but the first N moved out of the way (right of x 8000).
park_others() {
  local i
  for ((i = $1; i < ${#OUT[@]}; ++i)); do output "${OUT[$i]}" 320x240 $((8000 + 400 * i)) 0; done
}

# NAME GEOMETRY MONITOR...: a capture of the layout's region GEOMETRY ("X,Y WxH", one pixel a
# unit) shows a whole cradle on each monitor (WxH+X+Y in the capture) and black elsewhere.
cradles() {
  local name=$1 region=$2; shift 2
  grim -s 1 -g "$region" "$name.png" 2>/dev/null && python3 "$check" --monitors "$name.png" "$@" >"$name.log" 2>&1
}
shows_cradles() { retry 60 1 cradles "$@" || { cat "$1.log"; fail "$1: not a cradle on each output"; }; echo "ok: $1"; }

# Two outputs of different sizes, the second at scale 2, each with its cradle; its picture at
# twice the pixels; an output added while it runs gets its own.
case_outputs() {
  need_outputs 2
  park_others 2
  output "${OUT[0]}" 800x600 0 0
  output "${OUT[1]}" 1280x720 800 0 2 # 640x360 units
  "$saver" -seed 7 &
  local pid=$!
  shows_cradles two "0,0 1440x600" 800x600+0+0 640x360+800+0
  grim -o "${OUT[1]}" scale2.png
  python3 "$check" scale2.png 1280 720 || fail "the scale-2 output's picture is not 1280x720 pixels"
  # Sharp: drawn at 1280x720, not 640x360 blown up (which repeats each column once).
  python3 -c '
import subprocess, sys
raw = subprocess.run(["convert", "scale2.png", "-depth", "8", "gray:-"], capture_output=True, check=True).stdout
w = 1280
pairs = [raw[y * w + x] != raw[y * w + x + 1] for y in range(0, 720, 4) for x in range(0, w - 1, 2)]
sys.exit(0 if sum(pairs) > len(pairs) // 20 else 1)' || fail "the scale-2 picture is blown up"
  echo "ok: the scale-2 output shows 1280x720 pixels of its own"
  swaymsg create_output >/dev/null
  read -r -a OUT <<<"$(outputs)"
  output "${OUT[-1]}" 640x480 1440 0
  shows_cradles added "0,0 2080x600" 800x600+0+0 640x360+800+0 640x480+1440+0
  kill -TERM "$pid"
  ends_with "$pid" 0 "SIGTERM"
}

# Bad options exit 2 with one line and the usage; no compositor: 1 and one line.
case_options() {
  local bad=(
    "-bogus" "-patterns" "-patterns 0" "-patterns 11" "-touch maybe" "-seed -1" "-frames 0"
    "-frame-time 11" "-shot x.png" "-root" "-window" "-window-id 0x10" "-display :0"
    "-geometry 640x480" "stray"
  ) args rc
  for args in "${bad[@]}"; do
    rc=0
    # shellcheck disable=SC2086
    "$saver" $args >out.txt 2>err.txt || rc=$?
    [ "$rc" = 2 ] || fail "clackmoor-wayland $args gave status $rc, not 2"
    [ "$(grep -c '^clackmoor-wayland: ' err.txt)" = 1 ] && head -n 1 err.txt | grep -q '^clackmoor-wayland: ' &&
      grep -q '^usage: clackmoor-wayland' err.txt || fail "clackmoor-wayland $args: $(cat err.txt)"
  done
  echo "ok: ${#bad[@]} bad option lists refused with status 2"
  "$saver" -help | grep -q '^usage: clackmoor-wayland' || fail "-help shows no usage"
  mkdir -p empty
  for env in "XDG_RUNTIME_DIR=$work/empty WAYLAND_DISPLAY=wayland-0" "XDG_RUNTIME_DIR=$work/empty" \
    "WAYLAND_DISPLAY=/nonexistent/wayland-9"; do
    rc=0
    # shellcheck disable=SC2086
    env -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR $env "$saver" -seed 1 >out.txt 2>err.txt || rc=$?
    [ "$rc" = 1 ] && [ "$(wc -l <err.txt)" = 1 ] && grep -q '^clackmoor-wayland: cannot connect' err.txt ||
      fail "no compositor ($env): status $rc, $(cat err.txt)"
  done
  rc=0
  env -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR "$saver" >out.txt 2>err.txt || rc=$?
  [ "$rc" = 1 ] && [ "$(wc -l <err.txt)" = 1 ] || fail "no environment at all: status $rc, $(cat err.txt)"
  echo "ok: no compositor: status 1, one line"
}

# Input ends it with 0: a pointer travel beyond 4 units (not one of 1 unit), a button, a key
# (wtype's virtual keyboard), and SIGTERM and SIGINT.
case_input() {
  need_outputs 1
  park_others 1
  output "${OUT[0]}" 640x360 0 0
  "$CLACKMOOR_BUILD/tests/wayland/vpointer" >vpointer.txt &
  retry 100 0.1 grep -q ready vpointer.txt || fail "no virtual pointer"
  local name how pid
  while read -r -u 3 name how; do
    swaymsg seat - cursor set 100 100 >/dev/null
    "$saver" -seed 7 &
    pid=$!
    shows_cradles "$name" "0,0 640x360" 640x360+0+0
    # The pointer is seen over the saver: its reference point, 1 unit on.
    swaymsg seat - cursor move 1 0 >/dev/null
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "$name: a travel of 1 unit ended it"
    case $how in
      move) swaymsg seat - cursor move 3 3 >/dev/null ;;
      button) swaymsg seat - cursor press button1 >/dev/null && swaymsg seat - cursor release button1 >/dev/null ;;
      key) retry 10 1 sh -c "wtype -s 300 a; ! kill -0 $pid 2>/dev/null" ;;
      TERM | INT) kill -"$how" "$pid" ;;
    esac
    ends_with "$pid" 0 "$name"
  done 3<<EOT
move   move
button button
key    key
term   TERM
int    INT
EOT
}

# swayidle starts it after its idle time, the README's way.
case_idle() {
  need_outputs 1
  park_others 1
  output "${OUT[0]}" 640x360 0 0
  local line="$saver -seed 11" pid
  swayidle -w timeout 2 "$line" >swayidle.log 2>&1 &
  local idle=$!
  ! pgrep -f -x "$line" >/dev/null || fail "started before the idle time"
  retry 100 0.2 pgrep -f -x "$line" >/dev/null || fail "swayidle did not start it: $(cat swayidle.log)"
  pid=$(pgrep -f -x "$line")
  shows_cradles idle "0,0 640x360" 640x360+0+0
  kill -TERM "$pid"
  for _ in $(seq 100); do pgrep -f -x "$line" >/dev/null || break; sleep 0.2; done
  ! pgrep -f -x "$line" >/dev/null || fail "it outlived SIGTERM"
  kill "$idle"
  echo "ok: swayidle started it after 2 s of idle time"
}

# The output table through the front end's own registry handlers (sway 1.7 unplugs no
# headless output).
case_removal() {
  need_outputs 2
  "$CLACKMOOR_BUILD/tests/wayland/wayland_output_table_test"
}

# The same seed, frames and frame time as the X11 hack: the same picture within the X11 and
# Windows comparison's tolerance.
case_compare() {
  need_outputs 1
  park_others 1
  output "${OUT[0]}" 640x360 0 0
  local args=(-seed 7 -frames 300 -frame-time 0.02)
  "$saver" "${args[@]}" -shot wayland.png
  "$CLACKMOOR_BUILD/clackmoor" "${args[@]}" -geometry 640x360 -shot x11.png
  python3 "$check" wayland.png 640 360
  local mean off
  mean=$(compare -metric MAE x11.png wayland.png null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
  off=$(compare -metric AE -fuzz 6.3% x11.png wayland.png null: 2>&1) || true
  echo "Wayland against X11: mean difference $mean, $off of 230400 pixels over 16 levels apart"
  awk -v m="${mean:-x}" -v o="${off:-x}" 'BEGIN { exit !(m < 0.002 && o <= 1152) }' || fail "they differ"
}

"case_$1"
