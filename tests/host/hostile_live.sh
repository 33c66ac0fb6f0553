#!/usr/bin/env bash
# The real saver against things pulled from under it: hostile option values, the preview's
# parent process killed, the dialog's owner killed while it is open (/c:HWND, and /a HWND on
# 95/98/Me).
. "$(dirname "$0")/lib.sh"
KEY='HKCU\Software\Orbweave\Zeride'
trap '"$WINE64" reg delete "$KEY" /f >/dev/null 2>&1' EXIT
key_text() { "$WINE64" reg query "$KEY" 2>/dev/null | tr -d '\r' | sort; }

# None of these values enables a pattern: the launch falls back to its fixed one.
"$WINE64" reg delete "$KEY" /f >/dev/null 2>&1
i=0
for value in REG_SZ: REG_EXPAND_SZ: REG_BINARY: REG_DWORD_BIG_ENDIAN:0 REG_MULTI_SZ: REG_QWORD:123456789 \
  REG_NONE: REG_SZ:0123456789 REG_BINARY:0102030405 REG_QWORD:0; do
  i=$((i + 1))
  reg_set "$KEY" "Type$i" "${value%%:*}" "${value#*:}"
done
reg_set "$KEY" TouchBox1 REG_MULTI_SZ 'a\0b'
reg_set "$KEY" TouchBox2 REG_BINARY ff
reg_set "$KEY" "ATI fix" REG_DWORD_BIG_ENDIAN 1
start_saver "$SCR" /s
check "the saver starts on a key that enables no pattern" saver_window
check "... and draws the scene" shows_scene
check "... and a key still ends it with exit code 0" end_saver

start_parent
start_saver "$SCR" /p "$PARENT"
tool child "$PARENT" 30 >/dev/null
sleep 1
kill -9 "$PARENT_PID"
wait_exit "$SAVER_PID" 30
check "the preview ends when its parent's process is killed (exit code $RC)" [ "$RC" = 0 ]

# /c:OWNER, Type3 toggled, the owner's process killed, then OK.
for name in Type{1..10} TouchBox1 TouchBox2 "ATI fix"; do reg_set "$KEY" "$name" REG_DWORD 1; done
start_parent
open_dialog "/c:$PARENT"
tool post "$DIALOG" 273 1014 0
sleep 0.5
kill -9 "$PARENT_PID"
sleep 1
tool post "$DIALOG" 273 1 0
wait_exit "$DIALOG_PID" 30
check "owner killed, then OK: the dialog ends without a fault (exit code $RC)" [ "$RC" = 1 ]
check "... and the key holds thirteen REG_DWORD values, Type3 toggled" \
  [ "$(key_text | grep -c REG_DWORD)" = 13 -a "$(key_text | grep -c 'Type3 *REG_DWORD *0x0$')" = 1 ]

nine_copy
start_parent
WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};mpr=n,b" \
  "$WINE64" "$NINE/c9x.scr" /a "$PARENT" </dev/null >>"$WORK/saver.log" 2>&1 &
pid=$!
kill -9 "$PARENT_PID"
wait_exit "$pid" 60
check "/a with its owner killed ends with exit code 0 (got $RC)" [ "$RC" = 0 ]
check "... after one change-password request" [ "$(grep -c PwdChangePasswordA "$CLACKMOOR_STUB_LOG")" = 1 ]
check "no saver process is left" [ -z "$(pgrep -f "${SCR//\//.}" || true)" ]
finish
