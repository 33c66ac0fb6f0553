#!/usr/bin/env bash
# failure_test.exe on a private display without GLX, in its own prefix (one Wine session each).
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
