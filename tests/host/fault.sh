#!/usr/bin/env bash
# The fault path: a fault escaping a mode reaches the system's unhandled-exception filter
# (here its debugger start is a helper that notes the call), then the saver-running state
# is cleared and the process ends with the fault's code (0xC0000005; the shell sees 5).
. "$(dirname "$0")/lib.sh"

NINE="$WORK/nine"
mkdir -p "$NINE"
cp "$HOSTDIR/faultmode.exe" "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$NINE/"
APPKEY='HKCU\Software\Wine\AppDefaults\faultmode.exe'
DESKTOP='HKCU\Control Panel\Desktop'
AEDEBUG='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
old_debugger=$(reg_get "$AEDEBUG" Debugger)
old_auto=$(reg_get "$AEDEBUG" Auto)
restore() {
  reg_del "$APPKEY" Version
  reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
  reg_set "$AEDEBUG" Debugger REG_SZ "${old_debugger:-winedbg --auto %ld %ld}"
  reg_set "$AEDEBUG" Auto REG_SZ "${old_auto:-1}"
}
trap restore EXIT
reg_set "$APPKEY" Version REG_SZ win98
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
LOG="$WORK/fault.log"
export CLACKMOOR_STUB_LOG="$LOG"
reg_set "$AEDEBUG" Debugger REG_SZ "$(winepath_of "$TOOL") aedebug $(winepath_of "$LOG") %ld %ld"
reg_set "$AEDEBUG" Auto REG_SZ 1

"$WINE64" "$NINE/faultmode.exe" </dev/null >>"$WORK/saver.log" 2>&1
rc=$?
events=$(tr -d '\r' <"$LOG" | grep -v '^detach' | sed 's/ for process .*//' | paste -sd '|')
echo "  events: $events"
check "the process ends with the fault's code (got $rc)" [ "$rc" = 5 ]
check "password hooks on, then the system's filter, then the saver-running state cleared" \
  [ "$events" = "attach|system filter started the debugger|process end running=0" ]
finish
