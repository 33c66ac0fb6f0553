#!/usr/bin/env bash
# The full-screen saver: a topmost window over the whole screen with the cursor hidden, what
# ends it and what does not, and the single instance.
. "$(dirname "$0")/lib.sh"

# Another application's window: its cursor to compare with the saver's, and to take the activation.
start_parent
xdotool mousemove $((PARENT_X + 20)) $((PARENT_Y + 20)) mousemove $((PARENT_X + 30)) $((PARENT_Y + 30))
sleep 0.5
idle_cursor=$(tool cursor)

ends_on() { # ends_on DESCRIPTION ACTION...: a fresh saver ends with exit code 0 after the action
  local what=$1; shift
  start_saver "$SCR" /s
  saver_window >/dev/null || { fail "$what: no saver window"; return; }
  "$@"
  wait_exit "$SAVER_PID" 60
  check "$what closes the saver with exit code 0 (got $RC)" [ "$RC" = 0 ]
}
ends_on "a key" xdotool key a
ends_on "the middle button" xdotool click 2
ends_on "the mouse wheel" xdotool click 4
ends_on "a side button" xdotool click 8
ends_on "another application taking the activation" tool front "$PARENT"

# Power notices (WM_POWERBROADCAST, wParam the event): suspend and resume end the saver; those
# that only report a state (the power source, the battery, a power setting) leave it running.
power() { tool post "$(tool wait WindowsScreenSaverClass "Screen Saver" 0)" 536 "$1" 0; }
ends_on "a power notice of suspend (4)" power 4
ends_on "a power notice of resume from suspend (7)" power 7
ends_on "a power notice of automatic resume (18)" power 18
start_saver "$SCR" /s
saver_window >/dev/null
for event in 10 9 32787; do power "$event"; done
check "power notices of a status change, a low battery and a power setting keep it running" \
  still_running "$SAVER_PID"
check "... and a key still ends it" end_saver

start_saver "$SCR" /s
window=$(saver_window)
check "the window is on the screen ($(tool rect "$window"))" [ "$(tool rect "$window" | cut -d' ' -f1,2,5)" = "0 0 visible" ]
check "... and stays on top of every other window" tool topmost "$window"
# The mouse rule, from the point saved at the start (500, 400): jiggles of up to 2 never add up,
# a travel of exactly 4 keeps it, and one pixel more from there closes it.
xdotool mousemove 502 400 mousemove 498 400 mousemove 500 402 mousemove 499 399
check "jiggles of up to 2 pixels keep it running" still_running "$SAVER_PID"
xdotool mousemove 503 401
check "a travel of exactly 4 keeps it running" still_running "$SAVER_PID"
check "the cursor is hidden (idle: $idle_cursor, running: $(tool cursor))" \
  [ "$(tool cursor)" = 0 -a "$idle_cursor" != 0 ]
# A second start brings the first to the front and returns 0 at once.
"$WINE64" "$SCR" /s </dev/null >>"$WORK/saver.log" 2>&1 &
wait_exit $! 60
check "a second /s returns 0 (got $RC)" [ "$RC" = 0 ]
check "the first saver runs on, in front, alone" \
  [ "$(tool foreground)" = "$window" -a "$(tool wait WindowsScreenSaverClass "Screen Saver" 0)" = "$window" ]
xdotool mousemove 504 401
wait_exit "$SAVER_PID" 60
check "a travel of 5 from the saved point closes it with exit code 0 (got $RC)" [ "$RC" = 0 ]
finish
