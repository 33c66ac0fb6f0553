#!/usr/bin/env bash
# The preview: /p HWND fills a parent window, ignores input, hands right-clicks and help
# requests to the parent, and ends with it.
. "$(dirname "$0")/lib.sh"

start_parent
start_saver "$SCR" /p "$PARENT"
child=$(tool child "$PARENT" 30)
check "a preview child window appears in the parent" [ "${child:-0}" != 0 ]
sleep 3
check "the preview covers the parent's client area" \
  [ "$(tool rect "$child")" = "$PARENT_X $PARENT_Y $PARENT_W $PARENT_H visible" ]
check "no error box came up" [ "$(tool wait "#32770" Error 0)" = 0 ]
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
finish
