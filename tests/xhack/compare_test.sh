#!/usr/bin/env bash
# The same picture on both systems: for one seed, frame count and frame time, the native X11
# program's frame and cradle-shot's (the Windows drawing code under Wine) on the same display
# agree within a small tolerance. Runs in the 64-bit Windows tree; skipped (77) when the
# native tree has not built its program.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
hack="$CLACKMOOR_SOURCE/build/native/clackmoor"
[ -x "$hack" ] || { echo "no $hack: build the native tree first"; exit 77; }
work="$CLACKMOOR_BUILD/harness/xhack-compare"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Both with their defaults: no option key in the test prefix, no options on the command line.
"$WINE64" "$CLACKMOOR_BUILD/cradle-shot.exe" --seed 7 --frames 300 --frame-time 0.02 \
  --size 640x360 --out windows.png
"$hack" -seed 7 -frames 300 -frame-time 0.02 -geometry 640x360 -shot linux.png
python3 "$CLACKMOOR_SOURCE/tests/render/png_check.py" linux.png 640 360

python3 - "$CLACKMOOR_SOURCE/tests/render" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from png_check import read_png

(w, h, a), (w2, h2, b) = read_png("windows.png"), read_png("linux.png")
assert (w, h) == (w2, h2), "sizes differ"
total = off = 0
worst = 0
for ra, rb in zip(a, b):
    for i in range(0, 3 * w, 3):
        d = max(abs(ra[i + k] - rb[i + k]) for k in range(3))
        total += d
        off += d > 16
        worst = max(worst, d)
print(f"Linux against Windows: mean difference {total / (w * h):.3f} levels, "
      f"{off} of {w * h} pixels differ by more than 16 levels, worst {worst}")
# The same rasteriser draws both: only rounding at edges may differ.
assert total / (w * h) < 1.0, "the pictures differ on average"
assert off <= w * h // 200, "more than 0.5 % of the pixels differ clearly"
PY
