#!/usr/bin/env bash
# cradle-shot: the must-show picture (kept as shot.png in the build tree), its checks,
# determinism, numbered frames and the refusal of bad arguments.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
here=$(cd "$(dirname "$0")" && pwd)
cd "$CLACKMOOR_BUILD"
shot() { "$WINE64" ./cradle-shot.exe "$@"; }

shot --seed 7 --frames 300 --frame-time 0.02 --size 1280x720 --out shot.png
python3 "$here/png_check.py" shot.png 1280 720

work=harness/shots
rm -rf "$work"; mkdir -p "$work"
for run in a b; do
  shot --seed 3 --frames 6 --frame-time 0.03 --size 160x120 --out "$work/$run.png" --every 3 --ati 1
done
cmp "$work/a.png" "$work/b.png"
cmp "$work/a-000006.png" "$work/a.png"
[ -f "$work/a-000003.png" ] && ! cmp -s "$work/a-000003.png" "$work/a.png"
shot --seed 3 --frames 6 --frame-time 0.03 --size 160x120 --out "$work/lines.png" --ati 0
! cmp -s "$work/lines.png" "$work/a.png"

for bad in "--seed 1" "--seed x --frames 1 --frame-time 0 --size 8x8 --out x.png" \
           "--seed 1 --frames 0 --frame-time 0 --size 8x8 --out x.png" \
           "--seed 1 --frames 1 --frame-time 0 --size 8by8 --out x.png" \
           "--seed 1 --frames 1 --frame-time 0 --size 8x8 --out x.png --ati 2" \
           "--seed 1 --frames 1 --frame-time 0 --size 8x8 --out x.png --bogus 1"; do
  set +e
  # shellcheck disable=SC2086
  shot $bad 2>/dev/null
  rc=$?
  set -e
  [ "$rc" = 2 ] || { echo "cradle-shot $bad gave $rc, not 2" >&2; exit 1; }
done
echo "shot.png written to $CLACKMOOR_BUILD/shot.png"
