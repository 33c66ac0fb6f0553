#!/usr/bin/env bash
# The mode table of the real clackmoor.scr, row by row, with the exit codes the shell sees
# (-1 arrives as 255: the exit code 0xFFFFFFFF cut to 8 bits).
. "$(dirname "$0")/lib.sh"

exit_code_of() { # exit_code_of ARGS...: runs the saver, prints its exit code (20 s at most)
  "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  wait_exit $! 20
  echo "$RC"
}
for tail in /x "/?" /1 "$(printf '/\ts')" /p "/p 0" "/p 99999999" "/a 5"; do
  check "tail '$tail' gives -1 (255)" [ "$(exit_code_of "$tail")" = 255 ]
done

# The full-screen saver runs and a key ends it with 0; also from a path with spaces, quoted
# and cut off whole (cut at its first space, the tail would start with 's').
full_screen_runs() { start_saver "$@" && saver_window >/dev/null && end_saver; }
for tail in s /S -s "--/ /s" "/s anything"; do
  # shellcheck disable=SC2086
  check "tail '$tail' runs full screen" full_screen_runs "$SCR" $tail
done
mkdir -p "$WORK/dir with space"
cp "$SCR" "$WORK/dir with space/c s.scr"
check "a quoted path with spaces and /s runs full screen" full_screen_runs "$WORK/dir with space/c s.scr" /s

# Two windows: A, then B in front. The dialog's owner (0: none) for each form of /c; closed
# by WM_CLOSE (Cancel), the mode's result is 1.
start_parent; A=$PARENT; A_PID=$PARENT_PID
start_parent; B=$PARENT
check "tail /p:A reads no handle and gives -1" [ "$(exit_code_of "/p:$A")" = 255 ]
dialog_owner_is() {
  local expected=$1 dialog owner; shift
  tool front "$B"
  "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  local pid=$!
  dialog=$(tool wait "#32770" "Clackmoor Screen Saver" 20)
  owner=$(tool owner "${dialog:-0}")
  tool post "${dialog:-0}" 16 0 0
  wait_exit "$pid" 20
  [ "${dialog:-0}" != 0 ] && [ "$owner" = "$expected" ] && [ "$RC" = 1 ]
}
check "no tail: a dialog without owner" dialog_owner_is 0
check "'/c': owned by the foreground window" dialog_owner_is "$B" /c
check "'/c:A': owned by A" dialog_owner_is "$A" "/c:$A"
check "'-C:Aab': owned by A" dialog_owner_is "$A" "-C:${A}ab"
check "'/c A' (no colon): owned by the foreground window" dialog_owner_is "$B" /c "$A"
check "'/c:99999999' (no such window): owned by the foreground window" dialog_owner_is "$B" /c:99999999

# A preview child appears in A; closing it ends the mode with 0.
preview_runs() {
  start_saver "$SCR" "$@"
  local child=0
  for _ in $(seq 40); do child=$(tool child "$A"); [ "${child:-0}" != 0 ] && break; sleep 0.25; done
  tool post "${child:-0}" 16 0 0
  wait_exit "$SAVER_PID" 20
  [ "${child:-0}" != 0 ] && [ "$RC" = 0 ]
}
check "'/p A' previews in A" preview_runs /p "$A"
check "'-pA' previews in A" preview_runs "-p$A"
check "'/l A' previews in A" preview_runs /l "$A"
tool post "$B" 16 0 0
tool post "$A" 16 0 0
wait_exit "$A_PID" 10
finish
