#!/usr/bin/env bash
# A copy of the saver run as on Windows 98: the password through a scripted PASSWORD.CPL, the
# saver-running notice, the AutoPlay query, the change-password mode through MPR.DLL.
. "$(dirname "$0")/lib.sh"
nine_copy
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};mpr=n,b"
fresh_log() { rm -f "$CLACKMOOR_STUB_LOG"; touch "$CLACKMOOR_STUB_LOG"; }
logged() { tr -d '\r' <"$CLACKMOOR_STUB_LOG" | grep -c "$1"; }

# The change-password mode, for a window and for none (then the foreground window).
start_parent
for args in "/a $PARENT" "/a"; do
  fresh_log
  tool front "$PARENT"
  # shellcheck disable=SC2086
  "$WINE64" "$NINE/c9x.scr" $args </dev/null >>"$WORK/saver.log" 2>&1
  rc=$?
  check "'$args' returns 0 (got $rc) after PwdChangePasswordA(\"SCRSAVE\", $PARENT, 0, 0)" \
    [ $rc = 0 -a "$(logged "^PwdChangePasswordA provider=SCRSAVE owner=$PARENT 0 0$")" = 1 ]
done

# A password: the first prompt gets a close request while it is up and another just after,
# and answers wrong; the saver goes on. A later key asks again; right closes.
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
fresh_log
CLACKMOOR_STUB_ANSWERS=w1 start_saver "$NINE/c9x.scr" /s
window=$(saver_window)
check "with a password QueryCancelAutoPlay is answered 1" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 1 ]
sleep 2
check "a wrong answer keeps the saver running" still_running "$SAVER_PID"
check "one prompt for the query's close, a close during it and one just after" [ "$(logged "^verify")" = 1 ]
check "the prompt saw the saver-running notice on" [ "$(logged "^verify call=1 depth=1 running=1")" = 1 ]
xdotool key b
wait_exit "$SAVER_PID" 60
check "a later key asks again and the right answer closes with exit code 0 (got $RC)" [ "$RC" = 0 ]
check "two prompts in all, never two at once" [ "$(logged "^verify")" = 2 -a "$(logged "depth=2")" = 0 ]
check "the cursor stayed hidden for the second prompt" [ "$(logged "^verify call=2 .*cursorHidden=1")" = 1 ]
check "PASSWORD.CPL was freed before the process ended" [ "$(logged "^detach freed")" = 1 ]
check "the saver-running notice was off when the process ended" [ "$(logged "^process end running=0")" = 1 ]

# Without a password the query gets 0 and closes without a prompt, nothing loaded; off the
# family the platform's 0, no close.
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
fresh_log
start_saver "$NINE/c9x.scr" /s
window=$(saver_window)
check "without a password QueryCancelAutoPlay is answered 0" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 0 ]
wait_exit "$SAVER_PID" 60
check "... and closes the saver with exit code 0 (got $RC)" [ "$RC" = 0 ]
check "... and PASSWORD.CPL was never loaded" [ "$(logged attach)" = 0 ]
start_saver "$SCR" /s
window=$(saver_window)
check "off the 9x family QueryCancelAutoPlay gets 0" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 0 ]
check "... and does not close the saver, which a key still ends" end_saver

# The prompt's own loop keeps the frames' pace: the saver's code with a seam that watches its
# frames, the core's clock moved on 1/60 s in four paint events (so three paints in four come
# before the frame is due), a prompt that takes messages as fast as they come for 2 s.
cp "$CLACKMOOR_BUILD/tests/host/saverseam.exe" "$NINE/c9x.scr"
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
fresh_log
CLACKMOOR_SEAM_LOG="$WORK/seam.log" CLACKMOOR_SEAM_DRIVE=4 CLACKMOOR_STUB_ANSWERS=p1 \
  start_saver "$NINE/c9x.scr" /s
saver_window >/dev/null
xdotool key a
sleep 4
check "a wrong answer after the busy prompt keeps the saver running" still_running "$SAVER_PID"
xdotool key b
wait_exit "$SAVER_PID" 60
# Frames drawn while the prompt was up, and frames closer together than 1/60 s of the core's clock.
read -r asking early < <(awk '$1 == "frame" { if ($10 == 1) a++; if (n++ && $6 - t < 1 / 60 - 1e-6) e++; t = $6 }
  END { print a + 0, e + 0 }' "$WORK/seam.log")
check "frames go on while the prompt is up ($asking frames)" [ "$asking" -ge 5 ]
check "... each one no sooner than 1/60 s after the last ($early sooner)" [ "$early" = 0 ]
finish
