#!/usr/bin/env bash
# Runs failure_test.exe on a private virtual display without GLX, in a prefix of its own
# (one Wine session per display).
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
work="$CLACKMOOR_BUILD/harness/noglx"
mkdir -p "$work"
fifo="$work/displayfd"
rm -f "$fifo"; mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -extension GLX -nolisten tcp -noreset \
     3>"$fifo" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo" || { echo "no Xvfb" >&2; kill "$xvfb"; exit 1; }
rm -f "$fifo"
export DISPLAY=":$num"
export WINEPREFIX="$work/prefix"
cleanup() { wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
clackmoor_ensure_prefix
"$WINE64" "$CLACKMOOR_BUILD/tests/render/failure_test.exe"
