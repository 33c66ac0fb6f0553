#!/usr/bin/env bash
# Runs failure_test.exe on a private virtual display without GLX, in a prefix of its own (one
# Wine session per display).
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
HARNESS_DIR="$CLACKMOOR_BUILD/harness/noglx"
mkdir -p "$HARNESS_DIR"
export WINEPREFIX="$HARNESS_DIR/prefix"
trap 'wineserver -k 2>/dev/null || true; clackmoor_stop_display' EXIT
clackmoor_start_display 640x480 "-extension GLX"
clackmoor_ensure_prefix
"$WINE64" "$CLACKMOOR_BUILD/tests/render/failure_test.exe"
