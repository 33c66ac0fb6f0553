# The host's shell tests: the real clackmoor.scr under Wine, driven with xdotool and hosttool.
set -uo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
SCR="$CLACKMOOR_BUILD/clackmoor.scr"
TOOL="$CLACKMOOR_BUILD/tests/host/hosttool.exe"
STUBS="$CLACKMOOR_BUILD/tests/host/stubs"
WORK=$(mktemp -d "$CLACKMOOR_BUILD/tests/host/work.XXXXXX")
APPKEY='HKCU\Software\Wine\AppDefaults\c9x.scr'
DESKTOP='HKCU\Control Panel\Desktop'

tool() { win "$TOOL" "$@" 2>/dev/null; }
alive() { kill -0 "$1" 2>/dev/null; }
# A 32-bit program reads HKLM\Software through Wow6432Node: set its values there.
REG_VIEW=/reg:64
grep -q '^CMAKE_TOOLCHAIN_FILE.*i686' "$CLACKMOOR_BUILD/CMakeCache.txt" && REG_VIEW=/reg:32
reg_set() { "$WINE64" reg add "$1" /v "$2" /t "$3" /d "$4" /f $REG_VIEW >/dev/null 2>&1; }
reg_del() { "$WINE64" reg delete "$1" /v "$2" /f $REG_VIEW >/dev/null 2>&1 || true; }
reg_get() { "$WINE64" reg query "$1" /v "$2" $REG_VIEW 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
winepath_of() { echo "Z:$(echo "$1" | tr / '\\')"; }

# Starts a program as SAVER_PID; the pointer moves first (else a window's first read is stale).
start_saver() {
  xdotool mousemove 600 450 mousemove 500 400
  "$WINE64" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
}

# The full-screen saver's window once it is in front (input before that is lost); 60 s.
saver_window() {
  local w
  w=$(tool wait WindowsScreenSaverClass "Screen Saver" 60)
  [ "${w:-0}" != 0 ] || return 1
  for _ in $(seq 120); do [ "$(tool foreground)" = "$w" ] && break; sleep 0.25; done
  [ "$(tool foreground)" = "$w" ] && sleep 0.5 && echo "$w"
}

# wait_exit PID SECONDS: the process's exit code in RC, or RC=timeout after killing it.
wait_exit() {
  local pid=$1
  for _ in $(seq $(( $2 * 10 ))); do alive "$pid" || break; sleep 0.1; done
  alive "$pid" || { wait "$pid"; RC=$?; return 0; }
  kill -9 "$pid" 2>/dev/null # Wine survives SIGTERM
  wait "$pid" 2>/dev/null
  RC=timeout
  return 1
}

screen_size() { xdpyinfo | awk '/dimensions:/ {print $2; exit}'; } # WxH

# A screenshot shows the whole scene (this tree's GL stack works).
shows_scene() {
  local screen
  screen=$(screen_size)
  import -window root "$WORK/screen.png" 2>/dev/null &&
    python3 "$CLACKMOOR_SOURCE/tests/render/png_check.py" "$WORK/screen.png" "${screen%x*}" "${screen#*x}"
}

still_running() { sleep 1.2; alive "$1"; } # Wine needs about a second to end a process

end_saver() { xdotool key Escape; wait_exit "$SAVER_PID" 60 && [ "$RC" = 0 ]; }

# A copy of the saver that Wine runs as on Windows 98, its password components beside it.
nine_copy() {
  NINE="$WORK/nine"
  mkdir -p "$NINE"
  cp "$SCR" "$NINE/c9x.scr"
  cp "$STUBS/PASSWORD.CPL" "$STUBS/stubprobe.dll" "$NINE/"
  cp "$STUBS/stubprobe.dll" "$NINE/MPR.DLL" # it takes the password change too
  reg_set "$APPKEY" Version REG_SZ win98
  export CLACKMOOR_STUB_LOG="$WORK/stub.log"
}

# The settings page's stand-in: PARENT, PARENT_X/Y/W/H, PARENT_PID; its help requests in PARENT_LOG.
start_parent() {
  PARENT_LOG=$(mktemp "$WORK/parent.XXXX")
  local out="$PARENT_LOG.out"
  "$WINE64" "$TOOL" parent "$(winepath_of "$PARENT_LOG")" </dev/null >"$out" 2>/dev/null &
  PARENT_PID=$!
  PARENT_PIDS+=" $PARENT_PID"
  for _ in $(seq 200); do [ -s "$out" ] && break; sleep 0.1; done
  read -r PARENT PARENT_X PARENT_Y PARENT_W PARENT_H < <(tr -d '\r' <"$out")
}

# Opens the settings dialog with these arguments: DIALOG (0 if none after 30 s), DIALOG_PID.
open_dialog() {
  "$WINE64" "$SCR" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  DIALOG_PID=$!
  DIALOG=$(tool wait "#32770" "Clackmoor Screen Saver" 30)
  DIALOG=${DIALOG:-0}
}

finish() {
  for pid in ${SAVER_PID:-} ${PARENT_PIDS:-} ${DIALOG_PID:-}; do alive "$pid" && kill -9 "$pid" 2>/dev/null; done
  reg_del "$APPKEY" Version
  reg_set "$DESKTOP" ScreenSaveUsePassword REG_DWORD 0
  [ "$FAILURES" -gt 0 ] && { echo "$FAILURES check(s) failed; logs in $WORK"; exit 1; }
  rm -rf "$WORK"
  exit 0
}
