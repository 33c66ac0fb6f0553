#!/usr/bin/env bash
# clackmoor.scr /s runs full screen, drawing the scene, until a key (exit code 0). No helper
# program and a slow start allowed, for trees where each Wine start is slow.
. "$(dirname "$0")/lib.sh"
start_saver "$SCR" /s
for _ in $(seq 600); do
  found=$(xdotool search --onlyvisible --name '^Screen Saver$' 2>/dev/null | head -1)
  [ -n "$found" ] || ! alive "$SAVER_PID" && break
  sleep 0.5
done
check "/s shows the full-screen saver window" [ -n "$found" ]
sleep 5 # the scene is built before input is read
check "it keeps running without input" still_running "$SAVER_PID"
for _ in $(seq 60); do shows_scene >/dev/null 2>&1 && break; sleep 1; done
check "it draws the whole scene: this tree's GL stack works" shows_scene
xdotool key Escape
wait_exit "$SAVER_PID" 240
check "a key press ends it with exit code 0 (got $RC)" [ "$RC" = 0 ]
finish
