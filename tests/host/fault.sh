#!/usr/bin/env bash
# A fault escaping a mode reaches the system's filter (its debugger is hosttool, which notes
# the call), the saver-running notice is cleared, and the process ends with 0xC0000005 (5).
. "$(dirname "$0")/lib.sh"
nine_copy
cp "$TOOL" "$NINE/faultmode.exe"
reg_set 'HKCU\Software\Wine\AppDefaults\faultmode.exe' Version REG_SZ win98
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
AEDEBUG='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
old=$(reg_get "$AEDEBUG" Debugger)
trap 'reg_set "$AEDEBUG" Debugger REG_SZ "${old:-winedbg --auto %ld %ld}"; reg_del "HKCU\Software\Wine\AppDefaults\faultmode.exe" Version' EXIT
reg_set "$AEDEBUG" Debugger REG_SZ "$(winepath_of "$TOOL") aedebug $(winepath_of "$CLACKMOOR_STUB_LOG") %ld %ld"
reg_set "$AEDEBUG" Auto REG_SZ 1

"$WINE64" "$NINE/faultmode.exe" fault </dev/null >>"$WORK/saver.log" 2>&1
rc=$?
events=$(tr -d '\r' <"$CLACKMOOR_STUB_LOG" | grep -v '^detach' | sed 's/ for process .*//' | paste -sd '|')
check "the process ends with the fault's code (got $rc)" [ "$rc" = 5 ]
check "password hooks on, the system's filter, the saver-running notice cleared ($events)" \
  [ "$events" = "attach|system filter started the debugger|process end running=0" ]
finish
