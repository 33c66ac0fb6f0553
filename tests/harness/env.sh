# Sourced by the harness scripts: the private Wine prefix and the virtual display of one
# build tree (clackmoor_env BUILD_DIR). Nothing here touches the user's own ~/.wine or display.

# Debian's 64-bit loader (outside PATH) hands 32-bit programs on: it runs both trees' programs.
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
  if [ -f "$HARNESS_DIR/display" ]; then export DISPLAY="$(cat "$HARNESS_DIR/display")"; fi
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

# Starts Xvfb (24-bit; GLX unless $2 is "-extension GLX"); its number and pid in HARNESS_DIR.
clackmoor_start_display() {
  local size="${1:-1024x768}" glx="${2:-+extension GLX}"
  command -v Xvfb >/dev/null || { echo "harness: Xvfb is missing; run tools/setup" >&2; exit 1; }
  local fifo="$HARNESS_DIR/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  # shellcheck disable=SC2086
  Xvfb -displayfd 3 -screen 0 "${size}x24" $glx -nolisten tcp -noreset \
       3>"$fifo" >"$HARNESS_DIR/xvfb.log" 2>&1 &
  local pid=$! num
  if ! read -r -t 20 num <"$fifo"; then
    kill "$pid" 2>/dev/null; rm -f "$fifo"
    echo "harness: Xvfb did not start (see $HARNESS_DIR/xvfb.log)" >&2; exit 1
  fi
  rm -f "$fifo"
  echo "$pid" >"$HARNESS_DIR/xvfb.pid"
  echo ":$num" >"$HARNESS_DIR/display"
  export DISPLAY=":$num"
  if [ "$glx" != "-extension GLX" ] && command -v glxinfo >/dev/null 2>&1 && ! glxinfo -B >/dev/null 2>&1; then
    echo "harness: the virtual display $DISPLAY has no working GLX" >&2; exit 1
  fi
}

clackmoor_stop_display() {
  [ -f "$HARNESS_DIR/xvfb.pid" ] || return 0
  kill "$(cat "$HARNESS_DIR/xvfb.pid")" 2>/dev/null || true
  rm -f "$HARNESS_DIR/xvfb.pid" "$HARNESS_DIR/display"
}

# Starts a private Xorg with the dummy video driver, whose RandR outputs DUMMY0..DUMMY15 can be
# placed anywhere (Xvfb cannot put screens side by side); its number and pid in HARNESS_DIR.
# Xorg takes a configuration file from any path only from root.
clackmoor_start_xorg() {
  command -v Xorg >/dev/null || { echo "harness: Xorg is missing; run tools/setup" >&2; exit 1; }
  [ "$(id -u)" = 0 ] || { echo "harness: the multi-head server needs root" >&2; exit 1; }
  local fifo="$HARNESS_DIR/xorgfd" num
  rm -f "$fifo"; mkfifo "$fifo"
  Xorg -displayfd 3 -config "$(dirname "${BASH_SOURCE[0]}")/xorg-dummy.conf" -noreset \
       -nolisten tcp -logfile "$HARNESS_DIR/xorg.log" 3>"$fifo" >/dev/null 2>&1 &
  local pid=$!
  if ! read -r -t 30 num <"$fifo"; then
    kill "$pid" 2>/dev/null; rm -f "$fifo"
    echo "harness: Xorg did not start (see $HARNESS_DIR/xorg.log)" >&2; exit 1
  fi
  rm -f "$fifo"
  echo "$pid" >"$HARNESS_DIR/xorg.pid"
  echo ":$num" >"$HARNESS_DIR/xorg-display"
  # NOTE: a RandR request made at once after the start can be lost.
  sleep 1
  DISPLAY=":$num" xrandr >/dev/null
}

clackmoor_stop_xorg() {
  [ -f "$HARNESS_DIR/xorg.pid" ] || return 0
  kill "$(cat "$HARNESS_DIR/xorg.pid")" 2>/dev/null || true
  rm -f "$HARNESS_DIR/xorg.pid" "$HARNESS_DIR/xorg-display"
}

# Starts a private sway on wlroots' headless backend (one output, more with create_output),
# drawing with pixman; its runtime folder and pid in HARNESS_DIR. sway refuses to run as root:
# it runs as nobody, in a runtime folder of nobody's, and root's tests connect to its sockets.
clackmoor_start_sway() {
  command -v sway >/dev/null || { echo "harness: sway is missing; run tools/setup" >&2; exit 1; }
  [ "$(id -u)" = 0 ] || { echo "harness: the private sway needs root (to start it as nobody)" >&2; exit 1; }
  local run
  run=$(mktemp -d /tmp/clackmoor-sway.XXXXXX)
  printf '%s\n' 'xwayland disable' 'default_border none' 'focus_follows_mouse no' >"$run/config"
  chown -R 65534:65534 "$run"
  chmod 700 "$run"
  echo "$run" >"$HARNESS_DIR/sway-runtime"
  env -i PATH="$PATH" HOME="$run" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$run/config" \
    </dev/null >"$HARNESS_DIR/sway.log" 2>&1 &
  echo $! >"$HARNESS_DIR/sway.pid"
  for _ in $(seq 100); do
    clackmoor_sway_env 2>/dev/null && swaymsg -t get_version >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "harness: sway did not start (see $HARNESS_DIR/sway.log)" >&2
  exit 1
}

# Points WAYLAND_DISPLAY, SWAYSOCK and XDG_RUNTIME_DIR at the private sway.
clackmoor_sway_env() {
  [ -f "$HARNESS_DIR/sway-runtime" ] || return 1
  local run socket display
  run=$(cat "$HARNESS_DIR/sway-runtime")
  socket=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1)
  display=$(ls "$run" | grep -x 'wayland-[0-9]*' | head -n 1)
  [ -n "$socket" ] && [ -n "$display" ] || return 1
  export XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY="$display" SWAYSOCK="$socket"
}

clackmoor_stop_sway() {
  [ -f "$HARNESS_DIR/sway.pid" ] || return 0
  kill "$(cat "$HARNESS_DIR/sway.pid")" 2>/dev/null || true
  tail --pid="$(cat "$HARNESS_DIR/sway.pid")" -f /dev/null 2>/dev/null || true
  [ -f "$HARNESS_DIR/sway-runtime" ] && rm -rf "$(cat "$HARNESS_DIR/sway-runtime")"
  rm -f "$HARNESS_DIR/sway.pid" "$HARNESS_DIR/sway-runtime"
}

# xorg_layout OUTPUT=WxH+X+Y[*] ...: on $DISPLAY (the dummy server), exactly these monitors, at
# these root-window positions, * the primary; every other output off, the root just big enough.
xorg_layout() {
  local spec out geo w h x y mode args=() fbw=0 fbh=0 on=" "
  for spec; do
    out=${spec%%=*} geo=${spec#*=}
    local primary=()
    [ "${geo%\*}" != "$geo" ] && { primary=(--primary); geo=${geo%\*}; }
    IFS='x+' read -r w h x y <<<"$geo"
    mode="${w}x${h}"
    # The dummy driver takes any timing: a plain one at 60 Hz (the pixel clock in MHz).
    xrandr --newmode "$mode" $(( (w + 32) * (h + 3) * 60 / 1000 ))e-3 \
      "$w" $((w + 8)) $((w + 16)) $((w + 32)) "$h" $((h + 1)) $((h + 2)) $((h + 3)) 2>/dev/null || true
    # NOTE: Wine takes an output with a single mode for a broken driver and then sees one
    # monitor only: each output gets a second mode.
    xrandr --addmode "$out" "$mode" 2>/dev/null || true
    xrandr --addmode "$out" "$([ "$mode" = 640x480 ] && echo 1024x768 || echo 640x480)" 2>/dev/null || true
    args+=(--output "$out" --mode "$mode" --pos "${x}x${y}" "${primary[@]}")
    on+="$out "
    fbw=$(( x + w > fbw ? x + w : fbw )) fbh=$(( y + h > fbh ? y + h : fbh ))
  done
  for out in $(xrandr --listmonitors | awk 'NR > 1 { print $NF }'); do
    [ "${on/ $out /}" = "$on" ] && args+=(--output "$out" --off)
  done
  xrandr --fb "${fbw}x${fbh}" "${args[@]}"
}

# One template prefix per checkout (wineboot is slow); each build tree gets a hard-linked copy,
# so trees never share registry state or a wineserver.
CLACKMOOR_TEMPLATE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/wine-template"

clackmoor_make_template() {
  local log="$CLACKMOOR_TEMPLATE.log"
  echo "harness: creating the template Wine prefix $CLACKMOOR_TEMPLATE (once, takes minutes)" >&2
  WINEPREFIX="$CLACKMOOR_TEMPLATE" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$CLACKMOOR_TEMPLATE"
  # wineboot needs a display for its windows; its exit status is not reliable under load, so
  # the result is checked by running a program in the new prefix instead.
  WINEPREFIX="$CLACKMOOR_TEMPLATE" WINEDEBUG=err+all wineboot -i </dev/null >"$log" 2>&1 || true
  WINEPREFIX="$CLACKMOOR_TEMPLATE" wineserver -w
  # NOTE: with no window manager Wine waits for each destroyed window to be withdrawn;
  # unmanaged windows let processes end at once.
  WINEPREFIX="$CLACKMOOR_TEMPLATE" "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$log" 2>&1
  WINEPREFIX="$CLACKMOOR_TEMPLATE" wineserver -w
  if [ ! -f "$CLACKMOOR_TEMPLATE/system.reg" ] || [ ! -f "$CLACKMOOR_TEMPLATE/drive_c/windows/syswow64/kernel32.dll" ] ||
     ! WINEPREFIX="$CLACKMOOR_TEMPLATE" "$WINE64" cmd /c exit </dev/null >>"$log" 2>&1; then
    echo "harness: could not create a Wine prefix (see $log)" >&2
    exit 1
  fi
  WINEPREFIX="$CLACKMOOR_TEMPLATE" wineserver -w
  touch "$CLACKMOOR_TEMPLATE/.clackmoor-ready"
}

clackmoor_ensure_prefix() {
  [ -x "$WINE64" ] || { echo "harness: Wine is missing ($WINE64); run tools/setup" >&2; exit 1; }
  if [ -f "$WINEPREFIX/.clackmoor-ready" ]; then return 0; fi
  [ -n "${DISPLAY:-}" ] || { echo "harness: creating a Wine prefix needs a display" >&2; exit 1; }
  mkdir -p "$(dirname "$CLACKMOOR_TEMPLATE")"
  (
    flock 9
    [ -f "$CLACKMOOR_TEMPLATE/.clackmoor-ready" ] || clackmoor_make_template
  ) 9>"$CLACKMOOR_TEMPLATE.lock"
  [ -f "$CLACKMOOR_TEMPLATE/.clackmoor-ready" ] || exit 1
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # The template's contents: the template itself may be a link to another checkout's.
  cp -al "$CLACKMOOR_TEMPLATE/." "$WINEPREFIX/"
  for f in system.reg user.reg userdef.reg; do cp --remove-destination "$CLACKMOOR_TEMPLATE/$f" "$WINEPREFIX/$f"; done
}

# For the shell tests: `check` each thing, then `finish` fails when any check failed.
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
check() { # check DESCRIPTION COMMAND...: passes when the command succeeds
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else fail "$what"; fi
}
finish() {
  [ "$FAILURES" = 0 ] || { echo "$FAILURES check(s) failed"; exit 1; }
  exit 0
}
# Runs a Windows program of the tree, its output with plain line ends.
win() { "$WINE64" "$@" </dev/null 2> >(tr -d '\r' >&2) | tr -d '\r'; }
