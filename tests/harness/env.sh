# Sourced by the harness scripts: the private Wine prefix and the virtual display of one
# build tree. Nothing here touches the user's own ~/.wine or display.
# Usage: clackmoor_env BUILD_DIR

# Debian puts the 64-bit loader outside PATH.
WINE64=/usr/lib/wine/wine64

clackmoor_env() {
  CLACKMOOR_BUILD=$(cd "$1" && pwd)
  export CLACKMOOR_BUILD
  export WINEPREFIX="$CLACKMOOR_BUILD/wineprefix"
  export WINEDEBUG="${CLACKMOOR_WINEDEBUG:--all}"
  # No Mono or Gecko installer prompts in a test prefix.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  HARNESS_DIR="$CLACKMOOR_BUILD/harness"
  mkdir -p "$HARNESS_DIR"
  if [ -f "$HARNESS_DIR/display" ]; then
    DISPLAY=$(cat "$HARNESS_DIR/display")
    export DISPLAY
  fi
}

# The build tree that holds a file: the nearest folder upwards with a CMakeCache.txt.
clackmoor_build_of() {
  local d
  d=$(cd "$(dirname "$1")" && pwd)
  while [ "$d" != / ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return 0; }
    d=$(dirname "$d")
  done
  return 1
}

clackmoor_need() {
  command -v "$1" >/dev/null 2>&1 || { echo "harness: $1 is missing ($2); run tools/setup" >&2; exit 1; }
}

# Starts Xvfb (24-bit, GLX) on a free display; writes its number and pid under HARNESS_DIR.
clackmoor_start_display() {
  local size="${1:-1024x768}"
  clackmoor_need Xvfb "the virtual X display"
  local fifo="$HARNESS_DIR/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" +extension GLX -nolisten tcp -noreset \
       3>"$fifo" >"$HARNESS_DIR/xvfb.log" 2>&1 &
  local pid=$!
  local num
  if ! read -r -t 20 num <"$fifo"; then
    kill "$pid" 2>/dev/null; rm -f "$fifo"
    echo "harness: Xvfb did not start (see $HARNESS_DIR/xvfb.log)" >&2; exit 1
  fi
  rm -f "$fifo"
  echo "$pid" >"$HARNESS_DIR/xvfb.pid"
  echo ":$num" >"$HARNESS_DIR/display"
  export DISPLAY=":$num"
  if command -v glxinfo >/dev/null 2>&1 && ! glxinfo -B >/dev/null 2>&1; then
    echo "harness: the virtual display $DISPLAY has no working GLX" >&2; exit 1
  fi
}

clackmoor_stop_display() {
  if [ -f "$HARNESS_DIR/xvfb.pid" ]; then
    kill "$(cat "$HARNESS_DIR/xvfb.pid")" 2>/dev/null || true
    rm -f "$HARNESS_DIR/xvfb.pid" "$HARNESS_DIR/display"
  fi
}

# The template prefix is made once per checkout (wineboot is slow) and every build tree gets
# a hard-linked copy of it, so trees never share registry state or a wineserver.
clackmoor_template_prefix() {
  echo "$(cd "$CLACKMOOR_BUILD/.." && pwd)/wine-template"
}

clackmoor_ensure_prefix() {
  [ -x "$WINE64" ] || { echo "harness: Wine is missing ($WINE64); run tools/setup" >&2; exit 1; }
  if [ -f "$WINEPREFIX/.clackmoor-ready" ]; then return 0; fi
  local template
  template=$(clackmoor_template_prefix)
  if [ ! -f "$template/.clackmoor-ready" ]; then
    echo "harness: creating the template Wine prefix $template (once, takes minutes)" >&2
    rm -rf "$template"
    WINEPREFIX="$template" wineboot -i >/dev/null 2>&1 || { echo "harness: wineboot failed" >&2; exit 1; }
    # NOTE: with no window manager Wine waits for each destroyed window to be withdrawn;
    # unmanaged windows let processes end at once.
    WINEPREFIX="$template" "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    WINEPREFIX="$template" wineserver -w
    touch "$template/.clackmoor-ready"
  fi
  rm -rf "$WINEPREFIX"
  cp -al "$template" "$WINEPREFIX"
  # Registry hives are rewritten by wineserver, never edited in place, but copy them anyway.
  for f in system.reg user.reg userdef.reg; do cp --remove-destination "$template/$f" "$WINEPREFIX/$f"; done
}

# Runs a Windows program. wine64 is called directly: Debian's `wine` script starts the
# 32-bit loader first, which costs a lot where i386 is emulated. wine64 hands 32-bit
# programs to the 32-bit loader itself.
clackmoor_wine() {
  "$WINE64" "$@"
}
