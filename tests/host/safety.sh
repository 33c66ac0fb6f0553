#!/usr/bin/env bash
# A PASSWORD.CPL planted in the current directory (not beside the saver) is not loaded.
. "$(dirname "$0")/lib.sh"

NINE="$WORK/nine"; CWD="$WORK/cwd"
mkdir -p "$NINE" "$CWD"
cp "$SCR" "$NINE/c9x.scr"
cp "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$CWD/"
APPKEY='HKCU\Software\Wine\AppDefaults\c9x.scr'
DESKTOP='HKCU\Control Panel\Desktop'
reg_set "$APPKEY" Version REG_SZ win98
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
trap 'reg_del "$APPKEY" Version; reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0' EXIT
export CLACKMOOR_STUB_LOG="$WORK/stub.log"
cd "$CWD"

# The control: a program that keeps the default search order loads the plant.
tool loadlib PASSWORD.CPL
check "the plant is loadable from the current directory by a plain program" \
  grep -q attach "$CLACKMOOR_STUB_LOG"
rm -f "$CLACKMOOR_STUB_LOG"

start_saver "$NINE/c9x.scr" /s
saver_window >/dev/null
check "with the plant in the current directory a key closes the saver without a prompt" end_saver
check "... and the plant was never loaded" [ ! -e "$CLACKMOOR_STUB_LOG" ]
finish
