#!/usr/bin/env bash
# The preview: /p HWND fills a parent window, ignores input, hands right-clicks and help
# requests to the parent, and ends with it; it keeps to 60 frames a second, its picture shows
# the whole scene, and an erase-background event leaves the swing's pace alone.
. "$(dirname "$0")/lib.sh"
SEAM="$CLACKMOOR_BUILD/tests/host/saverseam.exe"

start_parent
WINEDEBUG=fps start_saver "$SCR" /p "$PARENT"
child=$(tool child "$PARENT" 30)
check "a preview child window appears in the parent" [ "${child:-0}" != 0 ]
sleep 3
check "the preview covers the parent's client area" \
  [ "$(tool rect "$child")" = "$PARENT_X $PARENT_Y $PARENT_W $PARENT_H visible" ]
check "no error box came up" [ "$(tool wait "#32770" Error 0)" = 0 ]
# Wine's fps trace prints "@ approx N fps" about every 1.5 s of swaps; the first is a warm-up.
sleep 5
rates=$(grep approx "$WORK/saver.log" | tail -n +2 | sed -n 's/.*approx \([0-9.]*\)fps.*/\1/p' | paste -sd ' ')
# At most 61 a second over the whole trace; one window may hold a frame more than its share.
check "the preview keeps to 60 frames a second (Wine's trace: $rates)" \
  awk -v r="$rates" 'BEGIN { n = split(r, a, " "); m = s = 0; for (i = 1; i <= n; i++) { s += a[i]; if (a[i] > m) m = a[i] }
    exit !(n >= 2 && s / n <= 61 && m <= 62) }'

# NOTE: Wine 8 shows nothing drawn into another process's child window: no pixels checked.
cx=$((PARENT_X + PARENT_W / 2)); cy=$((PARENT_Y + PARENT_H / 2))
xdotool mousemove "$cx" "$cy" mousemove $((cx + 40)) $((cy + 30)) click 1 key a key Escape click 2
check "keys, clicks and moves leave the preview running" still_running "$SAVER_PID"
check "... and its window in place" [ "$(tool child "$PARENT" 0)" = "$child" ]
xdotool mousemove "$cx" "$cy" click 3
tool sendhelp "$child"
sleep 1
check "a right-click reaches the parent as WM_CONTEXTMENU for itself" \
  grep -q "^WM_CONTEXTMENU wParam=$PARENT self=$PARENT" "$PARENT_LOG"
check "a help request reaches the parent as WM_HELP for itself, its HELPINFO intact" \
  grep -q "^WM_HELP wParam=$PARENT self=$PARENT ctrl=4321" "$PARENT_LOG"
tool post "$PARENT" 16 0 0
wait_exit "$SAVER_PID" 60
check "destroying the parent ends the preview with exit code 0 (got $RC)" [ "$RC" = 0 ]

# The preview's own picture and its pace, through the saver's code with a seam that watches
# its frames from inside: the 30th frame as shown, and no more than two paint events a frame
# (it idles between frames, whatever timers it has).
export CLACKMOOR_SEAM_LOG="$WORK/seam.log" CLACKMOOR_SEAM_SHOT="$WORK/preview.png"
seam_lines() { grep -c . "$WORK/seam.log" 2>/dev/null; }
seam_run() { # FRAMES ENV...: the seam in a fresh parent until it drew FRAMES frames
  local frames=$1
  shift
  rm -f "$WORK/seam.log"
  start_parent
  env "$@" "$WINE64" "$SEAM" /p "$PARENT" </dev/null >>"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
  for _ in $(seq 600); do [ "$(seam_lines)" -ge "$frames" ] && break; sleep 0.2; done
  tool post "$PARENT" 16 0 0
  wait_exit "$SAVER_PID" 60
}
seam_run 200
check "the preview's picture shows the whole scene at the parent's size" \
  python3 "$CLACKMOOR_SOURCE/tests/render/png_check.py" "$WORK/preview.png" "$PARENT_W" "$PARENT_H"
paints=$(awk '$2 == 200 { print $8 }' "$WORK/seam.log")
check "the preview idles between frames: ${paints:-no} paint events for 200 frames" \
  [ "${paints:-1000}" -le 400 ]

# With the core's clock moved on 1/60 s a paint, the steps around an erase-background event
# after 20 s (1200 frames) of running.
seam_run 1300 CLACKMOOR_SEAM_DRIVE=1 CLACKMOOR_SEAM_ERASE=1200
# The step each frame took, relative to 1/60 s: before the event, and the worst of the 100 after.
steps=$(awk '$2 == 1200 { before = $4 * 60 } $2 > 1200 && $2 <= 1300 { d = $4 * 60 - 1; if (d < 0) d = -d; if (d > worst) worst = d; n++ }
  END { printf "%.4f %.4f %d", before, worst, n }' "$WORK/seam.log")
read -r before worst after <<<"$steps"
check "the step before the event is the frame's time (relative: $before)" \
  awk -v b="$before" 'BEGIN { exit !(b > 0.99 && b < 1.01) }'
check "after the event every step stays within 10 % of it (worst: $worst over $after frames)" \
  awk -v w="$worst" -v n="$after" 'BEGIN { exit !(n == 100 && w < 0.10) }'
finish
