#!/usr/bin/env bash
# The real clackmoor.scr's mode table (-1 arrives as 255): rejected tails, full screen, the
# dialog's owner for each form of /c. The parser's every row is host_unit_test's table.
. "$(dirname "$0")/lib.sh"
exit_code_of() { "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 & wait_exit $! 20; echo "$RC"; }
long=$(printf ' x/"-:9%.0s' $(seq 3000)) # 24,000 bytes of garbage after the mode
for tail in /x "$(printf '/\ts')" "/p 99999999" "/a 5" "/x$long"; do
  check "tail '$tail' gives -1 (255)" [ "$(exit_code_of "$tail")" = 255 ]
done
# A quoted path with spaces is cut off whole (cut at its space the tail would start with 's').
mkdir -p "$WORK/dir with space"
cp "$SCR" "$WORK/dir with space/c s.scr"
full_screen_runs() { start_saver "$@" && saver_window >/dev/null && end_saver; }
for tail in s /S -s "--/ /s" "/s$long"; do
  # shellcheck disable=SC2086
  check "tail '$tail' runs full screen until a key" full_screen_runs "$SCR" $tail
done
check "a quoted path with spaces runs full screen" full_screen_runs "$WORK/dir with space/c s.scr" /s

# Two windows: A, then B in front. Closed by WM_CLOSE (Cancel) the dialog gives 1.
start_parent; A=$PARENT
start_parent; B=$PARENT
dialog_owner_is() { # EXPECTED-OWNER ARGS... (0: none)
  local expected=$1 owner; shift
  tool front "$B"
  open_dialog "$@"
  owner=$(tool owner "$DIALOG")
  tool post "$DIALOG" 16 0 0
  wait_exit "$DIALOG_PID" 20
  [ "$DIALOG" != 0 ] && [ "$owner" = "$expected" ] && [ "$RC" = 1 ]
}
check "no tail: a dialog without owner" dialog_owner_is 0
check "'/c': owned by the foreground window" dialog_owner_is "$B" /c
check "'/c:A': owned by A" dialog_owner_is "$A" "/c:$A"
check "'/c:99999999' (no such window): owned by the foreground window" dialog_owner_is "$B" /c:99999999
finish
