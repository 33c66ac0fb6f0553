#!/usr/bin/env bash
# A fault escaping a mode reaches the system's filter (its debugger is hosttool, which notes
# the call), the saver-running notice is cleared, and the process ends with 0xC0000005 (5).
# A PASSWORD.CPL planted in the current directory (not beside the saver) is never loaded.
. "$(dirname "$0")/lib.sh"
nine_copy
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
cp "$TOOL" "$NINE/faultmode.exe"
reg_set 'HKCU\Software\Wine\AppDefaults\faultmode.exe' Version REG_SZ win98
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

rm "$NINE/PASSWORD.CPL" "$CLACKMOOR_STUB_LOG"
mkdir -p "$WORK/cwd"
cp "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$WORK/cwd/"
cd "$WORK/cwd"
tool loadlib PASSWORD.CPL
check "the control: a plain program loads the plant from the current directory" \
  grep -q attach "$CLACKMOOR_STUB_LOG"
rm -f "$CLACKMOOR_STUB_LOG"
start_saver "$NINE/c9x.scr" /s
saver_window >/dev/null
check "with the plant in the current directory a key closes the saver without a prompt" end_saver
check "... and the plant was never loaded" [ ! -e "$CLACKMOOR_STUB_LOG" ]
finish
