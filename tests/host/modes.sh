#!/usr/bin/env bash
# The mode table of the real clackmoor.scr, row by row, with the exit codes the shell sees
# (-1 arrives as 255: the exit code 0xFFFFFFFF cut to 8 bits).
. "$(dirname "$0")/lib.sh"

exit_code_of() { # exit_code_of ARGS...: runs the saver, prints its exit code (20 s at most)
  "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  local pid=$!
  wait_exit "$pid" 20
  echo "$RC"
}

for tail in /x "/?" /1 "$(printf '/\ts')" /p "/p 0" "/p 99999999" "/a 5" "/a"; do
  check "tail '$tail' gives -1 (255)" [ "$(exit_code_of "$tail")" = 255 ]
done

# full_screen_runs ARGS...: the full-screen saver runs and a key ends it with 0. First,
# while no other window could hold the X input focus.
full_screen_runs() {
  start_saver "$SCR" "$@"
  local window
  window=$(saver_window)
  [ -n "$window" ] && end_saver
}
check "tail 's' runs full screen" full_screen_runs s
check "tail '/S' runs full screen" full_screen_runs /S
check "tail '-s' runs full screen" full_screen_runs -s
check "tail '--/ /s' runs full screen" full_screen_runs --/ /s
check "tail '/s anything' runs full screen" full_screen_runs /s anything

# The program path, quoted with spaces, is cut off whole: cut at the first space, the tail
# would start with 's' and run full screen.
spaced="$WORK/dir with space"
mkdir -p "$spaced"
cp "$SCR" "$spaced/c s.scr"
check "a quoted path with spaces and /x gives -1" [ "$(SCR="$spaced/c s.scr" exit_code_of /x)" = 255 ]
SCR_SAVED=$SCR; SCR="$spaced/c s.scr"
check "a quoted path with spaces and /s runs full screen" full_screen_runs /s
SCR=$SCR_SAVED

# Two windows: A first, then B, which is the foreground window.
start_parent; A=$PARENT; A_PID=$PARENT_PID
start_parent; B=$PARENT
check "the test windows exist" [ -n "$A$B" -a -n "$A" -a -n "$B" ]
check "B is the foreground window" [ "$(tool foreground)" = "$B" ]
check "tail /p:A reads no handle and gives -1" [ "$(exit_code_of "/p:$A")" = 255 ]

# dialog_owner_is EXPECTED ARGS...: with B in front, the dialog opens with that owner (0 =
# none); closed by WM_CLOSE (Cancel), the mode's result is 1.
dialog_owner_is() {
  local expected=$1; shift
  tool front "$B"
  "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  local pid=$! dialog owner
  dialog=$(tool wait "#32770" "Clackmoor Screen Saver" 20)
  owner=$(tool owner "${dialog:-0}")
  tool post "${dialog:-0}" 16 0 0
  wait_exit "$pid" 20
  echo "  dialog $dialog owner $owner (expected $expected), exit code $RC"
  [ "${dialog:-0}" != 0 ] && [ "$owner" = "$expected" ] && [ "$RC" = 1 ]
}
check "no tail: the dialog has no owner" dialog_owner_is 0
check "tail '/c': owned by the foreground window" dialog_owner_is "$B" /c
check "tail '/c:0': owned by the foreground window" dialog_owner_is "$B" /c:0
check "tail '/c:A': owned by A" dialog_owner_is "$A" "/c:$A"
check "tail '-C:Aab': owned by A" dialog_owner_is "$A" "-C:${A}ab"
check "tail '/c A' (no colon): owned by the foreground window" dialog_owner_is "$B" /c "$A"
check "tail '/c:99999999' (no such window): owned by the foreground window" dialog_owner_is "$B" /c:99999999

# preview_runs ARGS...: a preview child appears in A; closing it ends the mode with 0.
preview_runs() {
  start_saver "$SCR" "$@"
  local child=0
  for _ in $(seq 40); do
    child=$(tool child "$A"); [ "${child:-0}" != 0 ] && break
    sleep 0.25
  done
  tool post "${child:-0}" 16 0 0
  wait_exit "$SAVER_PID" 20
  echo "  preview $child in $A, exit code $RC"
  [ "${child:-0}" != 0 ] && [ "$RC" = 0 ]
}
check "tail '/p A' previews in A" preview_runs /p "$A"
check "tail '-pA' previews in A" preview_runs "-p$A"
check "tail '/l A' previews in A" preview_runs /l "$A"

tool post "$B" 16 0 0
tool post "$A" 16 0 0
wait_exit "$A_PID" 10
finish
