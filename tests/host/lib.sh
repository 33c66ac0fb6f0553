# Shared by the host's shell tests: the real clackmoor.scr under Wine in the build tree's
# prefix and on its virtual display, driven with xdotool and the hosttool helper.
set -uo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
SCR="$CLACKMOOR_BUILD/clackmoor.scr"
HOSTDIR="$CLACKMOOR_BUILD/tests/host"
TOOL="$HOSTDIR/hosttool.exe"
STUBS="$HOSTDIR/stubs"
WORK=$(mktemp -d "$HOSTDIR/work.XXXXXX")
FAILURES=0
SAVER_PID=
PARENT_PID=

fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }
check() { # check DESCRIPTION COMMAND...: passes when the command succeeds
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
tool() { "$WINE64" "$TOOL" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
now_ms() { date +%s%3N; }

# Starts a program in the background; its pid is SAVER_PID. The pointer is placed first:
# the first position a window reads can be stale until the pointer moves.
start_saver() {
  xdotool mousemove 600 450 mousemove 500 400
  "$WINE64" "$@" </dev/null >>"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
}

# The running full-screen saver's window (decimal), or empty after 60 s. Input is sent only
# once the window is in front: a key pressed before that goes to no window of the saver.
saver_window() {
  local w
  w=$(tool wait WindowsScreenSaverClass "Screen Saver" 60)
  [ "${w:-0}" != 0 ] || return 1
  for _ in $(seq 120); do
    [ "$(tool foreground)" = "$w" ] && { sleep 0.5; echo "$w"; return 0; }
    sleep 0.25
  done
  return 1
}

alive() { kill -0 "$1" 2>/dev/null; }

# wait_exit PID SECONDS: waits for the process; its exit code is in RC. Fails (1) and kills
# it when it is still running after SECONDS.
wait_exit() {
  local pid=$1 limit=$(( $2 * 10 ))
  for _ in $(seq "$limit"); do
    alive "$pid" || break
    sleep 0.1
  done
  if alive "$pid"; then
    # NOTE: Wine survives SIGTERM.
    kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; RC=timeout; return 1
  fi
  wait "$pid"; RC=$?
  return 0
}

# still_running PID: after a second (Wine needs about one to end a process), the process is
# still there.
still_running() { sleep 1.2; alive "$1"; }

# end_saver: a key ends the saver; passes when it exits with 0.
end_saver() {
  xdotool key Escape
  wait_exit "$SAVER_PID" 60
  [ "$RC" = 0 ]
}

# The parent window that plays the settings page: PARENT, PARENT_X/Y/W/H, PARENT_PID.
# Its help requests are logged to PARENT_LOG.
PARENTS=0
start_parent() {
  PARENTS=$((PARENTS + 1))
  PARENT_LOG="$WORK/parent$PARENTS.log"
  local out="$WORK/parent$PARENTS.out"
  "$WINE64" "$TOOL" parent "$(winepath_of "$PARENT_LOG")" </dev/null >"$out" 2>/dev/null &
  PARENT_PID=$!
  for _ in $(seq 200); do
    [ -s "$out" ] && break
    sleep 0.1
  done
  read -r PARENT PARENT_X PARENT_Y PARENT_W PARENT_H < <(tr -d '\r' <"$out")
}

winepath_of() { echo "Z:$(echo "$1" | tr / '\\')"; }

# The registry view this tree's programs read: a 32-bit program sees HKLM\Software through
# Wow6432Node, so what a test sets for it goes there.
REG_VIEW=/reg:64
grep -q '^CMAKE_TOOLCHAIN_FILE.*i686' "$CLACKMOOR_BUILD/CMakeCache.txt" && REG_VIEW=/reg:32
reg_set() { "$WINE64" reg add "$1" /v "$2" /t "$3" /d "$4" /f $REG_VIEW >/dev/null 2>&1; }
reg_del() { "$WINE64" reg delete "$1" /v "$2" /f $REG_VIEW >/dev/null 2>&1 || true; }
reg_get() { "$WINE64" reg query "$1" /v "$2" $REG_VIEW 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

finish() {
  for pid in $SAVER_PID $PARENT_PID; do
    alive "$pid" && kill -9 "$pid" 2>/dev/null
  done
  if [ "$FAILURES" -gt 0 ]; then
    echo "$FAILURES check(s) failed; logs in $WORK"
    exit 1
  fi
  rm -rf "$WORK"
  exit 0
}
