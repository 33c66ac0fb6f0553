#!/usr/bin/env bash
# clackmoor.scr /s runs full screen and a key press ends it with exit code 0.
. "$(dirname "$0")/lib.sh"
start_saver "$SCR" /s
window=$(saver_window)
check "/s opens the full-screen saver window" [ -n "$window" ]
check "it keeps running without input" still_running "$SAVER_PID"
check "a key press ends it with exit code 0" end_saver
finish
