#!/usr/bin/env bash
# A PASSWORD.CPL planted in the current directory (not beside the saver) is not loaded.
. "$(dirname "$0")/lib.sh"
nine_copy
rm "$NINE/PASSWORD.CPL"
mkdir -p "$WORK/cwd"
cp "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$WORK/cwd/"
reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 1
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
