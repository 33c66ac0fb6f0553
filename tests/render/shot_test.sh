#!/usr/bin/env bash
# cradle-shot: the must-show picture (kept as shot.png in the build tree), its checks,
# multisampled and not, determinism, numbered frames and the refusal of bad arguments.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
png_check="$(cd "$(dirname "$0")" && pwd)/png_check.py"
cd "$CLACKMOOR_BUILD"
work=harness/shots
rm -rf "$work"; mkdir -p "$work"
shot() { "$WINE64" ./cradle-shot.exe "$@"; }
scene() { shot --seed 7 --frames 300 --frame-time 0.02 "$@"; } # the swing well under way

scene --size 1280x720 --out shot.png
python3 "$png_check" shot.png 1280 720
# Wide screens (16:9, 21:9 and 32:9): clouds to both side edges.
for size in 630x270 960x270; do scene --size "$size" --out "$work/wide-$size.png"; done
for png in shot.png "$work"/wide-*.png; do python3 "$png_check" --wide "$png"; done

# Two monitors, the second smaller, lower and left of the primary: each monitor's part of the
# window is the whole scene as that monitor alone shows it, and the rest of the window is black.
for size in 480x270 320x240; do scene --size "$size" --out "$work/lone-$size.png"; done
scene --size 800x270 --monitors 480x270+0+0,320x240-320+30 --out "$work/monitors.png"
python3 "$png_check" --views "$work/monitors.png" "$work/lone-480x270.png@320,0" \
  "$work/lone-320x240.png@0,30"

for run in a b; do
  shot --seed 3 --frames 6 --frame-time 0.03 --size 160x120 --out "$work/$run.png" --every 3 --ati 1
done
cmp "$work/a.png" "$work/b.png"
cmp "$work/a-000006.png" "$work/a.png"
[ -f "$work/a-000003.png" ] && ! cmp -s "$work/a-000003.png" "$work/a.png"
shot --seed 3 --frames 6 --frame-time 0.03 --size 160x120 --out "$work/lines.png" --ati 0
! cmp -s "$work/lines.png" "$work/a.png"

# Multisampled, forced on this software rasteriser: posts, rails and strings get smooth edges,
# and the picture still shows what the scene must.
scene --size 1280x720 --samples 4 --out "$work/samples-4.png"
python3 "$png_check" "$work/samples-4.png" 1280 720
python3 "$png_check" --wide "$work/samples-4.png"
python3 "$png_check" --smoother "$work/samples-4.png" shot.png
# The saver's own choice here (a software rasteriser: none) and every failed step of the
# search for a multisampled format give exactly the single-sampled picture.
small="--seed 3 --frames 6 --frame-time 0.03 --size 160x120"
# shellcheck disable=SC2086
shot $small --samples 0 --out "$work/single.png"
# shellcheck disable=SC2086
shot $small --out "$work/chosen.png"
cmp "$work/single.png" "$work/chosen.png"
# shellcheck disable=SC2086
shot $small --samples 4 --out "$work/samples-4-small.png"
! cmp -s "$work/single.png" "$work/samples-4-small.png"
for fault in window context extension format; do
  # shellcheck disable=SC2086
  CLACKMOOR_TEST_MULTISAMPLE_FAULT=$fault shot $small --samples 4 --out "$work/no-$fault.png"
  cmp "$work/single.png" "$work/no-$fault.png"
done

# Bad arguments: exit status 2.
base="--seed 1 --frames 1 --frame-time 0 --size 8x8 --out x.png"
for bad in "--seed 1" "${base/seed 1/seed x}" "${base/frames 1/frames 0}" "${base/8x8/8by8}" \
  "$base --ati 2" "$base --samples 33" "$base --bogus 1" "$base --monitors 8x8+0" "$base --monitors 8x8+0+0,"; do
  rc=0
  # shellcheck disable=SC2086
  shot $bad 2>/dev/null || rc=$?
  [ "$rc" = 2 ] || { echo "cradle-shot $bad gave $rc, not 2" >&2; exit 1; }
done
echo "shot.png written to $CLACKMOOR_BUILD/shot.png"
