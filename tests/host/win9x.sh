#!/usr/bin/env bash
# The 95/98/Me family, with Wine reporting Windows 98 for a copy of the saver named
# c9x.scr: the saver password through a scripted PASSWORD.CPL stand-in, the saver-running
# notice, the AutoPlay query, and the change-password mode through an MPR.DLL stand-in.
. "$(dirname "$0")/lib.sh"

NINE="$WORK/nine"
mkdir -p "$NINE"
cp "$SCR" "$NINE/c9x.scr"
cp "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$STUBS/MPR.DLL" "$NINE/"
APPKEY='HKCU\Software\Wine\AppDefaults\c9x.scr'
DESKTOP='HKCU\Control Panel\Desktop'
reg_set "$APPKEY" Version REG_SZ win98
export CLACKMOOR_STUB_LOG="$WORK/stub.log"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};mpr=n,b"
cleanup() {
  reg_del "$APPKEY" Version
  reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
}
trap cleanup EXIT
fresh_log() { rm -f "$CLACKMOOR_STUB_LOG"; touch "$CLACKMOOR_STUB_LOG"; }
stub_log() { tr -d '\r' <"$CLACKMOOR_STUB_LOG"; }
logged() { stub_log | grep -c "$1"; }

# The change-password mode, for a window and for none (then the foreground window).
start_parent
fresh_log
"$WINE64" "$NINE/c9x.scr" /a "$PARENT" </dev/null >>"$WORK/saver.log" 2>&1
rc=$?
check "/a HWND returns 0 on the 9x family (got $rc)" [ $rc = 0 ]
check "... after PwdChangePasswordA(\"SCRSAVE\", HWND, 0, 0)" \
  [ "$(stub_log)" = "PwdChangePasswordA provider=SCRSAVE owner=$PARENT 0 0" ]
fresh_log
tool front "$PARENT"
"$WINE64" "$NINE/c9x.scr" /a </dev/null >>"$WORK/saver.log" 2>&1
rc=$?
check "/a alone returns 0 (got $rc)" [ $rc = 0 ]
check "... for the foreground window" \
  [ "$(stub_log)" = "PwdChangePasswordA provider=SCRSAVE owner=$PARENT 0 0" ]
tool post "$PARENT" 16 0 0
wait_exit "$PARENT_PID" 30
check "the same program off the 9x family gives -1 for /a" \
  bash -c '"$0" "$1" /a 0 </dev/null >/dev/null 2>&1; [ $? = 255 ]' "$WINE64" "$SCR"

# No saver password: the first key closes without a prompt; nothing is loaded.
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
fresh_log
start_saver "$NINE/c9x.scr" /s
saver_window >/dev/null
check "without a password a key closes the saver with exit code 0" end_saver
check "... and PASSWORD.CPL was never loaded" [ "$(logged attach)" = 0 ]

# A password: the first prompt gets a close request while it is up and another one right
# after it, and answers wrong; the saver goes on. A later key asks again; right closes.
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
fresh_log
CLACKMOOR_STUB_ANSWERS=w1 start_saver "$NINE/c9x.scr" /s
saver_window >/dev/null

xdotool key a
sleep 2
check "a wrong answer keeps the saver running" still_running "$SAVER_PID"
check "one prompt for a key, a close during it and a close just after it" [ "$(logged "^verify")" = 1 ]
check "the prompt saw the saver-running state on" [ "$(logged "^verify call=1 depth=1 running=1")" = 1 ]
xdotool key b
wait_exit "$SAVER_PID" 60
check "a later key asks again and the right answer closes with exit code 0 (got $RC)" [ "$RC" = 0 ]
check "two prompts in all, never two at once" [ "$(logged "^verify")" = 2 -a "$(logged "depth=2")" = 0 ]
check "the cursor stayed hidden for the second prompt" [ "$(logged "^verify call=2 .*cursorHidden=1")" = 1 ]
check "PASSWORD.CPL was freed before the process ended" [ "$(logged "^detach freed")" = 1 ]
check "the saver-running state was off when the process ended" [ "$(logged "^process end running=0")" = 1 ]
stub_log | sed 's/^/    /'

# The AutoPlay query: answered 1 with a verifier, 0 without; off the family not at all.
fresh_log
CLACKMOOR_STUB_ANSWERS=1 start_saver "$NINE/c9x.scr" /s
window=$(saver_window)
check "QueryCancelAutoPlay is answered 1 with a password" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 1 ]
wait_exit "$SAVER_PID" 60
check "... and its close asks for the password, then ends with 0 (got $RC)" [ "$RC" = 0 -a "$(logged "^verify")" = 1 ]
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
start_saver "$NINE/c9x.scr" /s
window=$(saver_window)
check "QueryCancelAutoPlay is answered 0 without a password" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 0 ]
wait_exit "$SAVER_PID" 60
check "... and closes the saver with 0 (got $RC)" [ "$RC" = 0 ]
start_saver "$SCR" /s
window=$(saver_window)
check "off the 9x family QueryCancelAutoPlay gets the platform's 0" [ "$(tool sendreg "$window" QueryCancelAutoPlay)" = 0 ]
check "... and does not close the saver" still_running "$SAVER_PID"
check "... which a key still ends" end_saver
finish
