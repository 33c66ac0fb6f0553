#!/usr/bin/env bash
# The full-screen saver: what ends it, what does not, the single instance and the hidden
# cursor. Prints the time from a key press to the end of the process (a figure).
. "$(dirname "$0")/lib.sh"

# The cursor over an ordinary window, to compare with the saver's.
start_parent
xdotool mousemove $((PARENT_X + 20)) $((PARENT_Y + 20)) mousemove $((PARENT_X + 30)) $((PARENT_Y + 30))
sleep 0.5
idle_cursor=$(tool cursor)
tool post "$PARENT" 16 0 0
wait_exit "$PARENT_PID" 30

# ends_on DESCRIPTION ACTION...: a fresh saver ends with exit code 0 after the action.
ends_on() {
  local what=$1; shift
  start_saver "$SCR" /s
  if ! window=$(saver_window); then fail "$what: no saver window"; return; fi
  "$@"
  wait_exit "$SAVER_PID" 60
  check "$what closes the saver with exit code 0 (got $RC)" [ "$RC" = 0 ]
}
ends_on "a key" xdotool key a
ends_on "the left button" xdotool click 1
ends_on "the middle button" xdotool click 2
ends_on "the right button" xdotool click 3
ends_on "another application taking the activation" tool activate

# The mouse rule: from (500, 400), 3 right and 1 down is a travel of 4 and keeps it; one
# more pixel, right or down, closes it. Jiggles of up to 2 pixels never add up.
start_saver "$SCR" /s
window=$(saver_window)
xdotool mousemove 503 401
check "a travel of exactly 4 keeps it running" still_running "$SAVER_PID"
xdotool mousemove 502 400 mousemove 498 400 mousemove 500 402 mousemove 501 401 \
        mousemove 499 399 mousemove 500 398 mousemove 500 400
check "jiggles of up to 2 pixels keep it running" still_running "$SAVER_PID"
check "the cursor is hidden (idle: $idle_cursor, running: $(tool cursor))" \
  [ "$(tool cursor | cut -d' ' -f1)" = cursor=0 -a "${idle_cursor%% *}" != cursor=0 ]

# A second start brings the first to the front and returns 0 at once.
"$WINE64" "$SCR" /s </dev/null >>"$WORK/saver.log" 2>&1 &
second=$!
wait_exit "$second" 60
check "a second /s returns 0 (got $RC)" [ "$RC" = 0 ]
check "the first saver still runs" alive "$SAVER_PID"
check "the first saver is in front" [ "$(tool foreground)" = "$window" ]
check "no second saver window" [ "$(tool wait WindowsScreenSaverClass "Screen Saver" 0)" = "$window" ]

xdotool mousemove 504 401
wait_exit "$SAVER_PID" 60
check "a travel of 5 closes it with exit code 0 (got $RC)" [ "$RC" = 0 ]
start_saver "$SCR" /s
saver_window >/dev/null
xdotool mousemove 503 402
wait_exit "$SAVER_PID" 60
check "3 right and 2 down closes it with exit code 0 (got $RC)" [ "$RC" = 0 ]

# The figures: a key from X to the process's end, and a key as Windows input to the
# window's end (the message loop ends right after it).
start_saver "$SCR" /s
saver_window >/dev/null
t0=$(now_ms)
xdotool key space
wait_exit "$SAVER_PID" 60
echo "figure: key press (X) to process end: $(( $(now_ms) - t0 )) ms, exit code $RC"
start_saver "$SCR" /s
window=$(saver_window)
t0=$(now_ms)
gone=$(tool presskey "$window")
wait_exit "$SAVER_PID" 60
echo "figure: key press (SendInput) to window destroyed: $gone ms; to process end: $(( $(now_ms) - t0 )) ms (includes starting the helper)"
finish
