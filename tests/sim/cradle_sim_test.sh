#!/bin/bash
# The cradle-sim tool: its output lines, its process-start state, and a usage on bad arguments.
set -uo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
tool=("$CLACKMOOR_BUILD/cradle-sim")
[ -f "$tool.exe" ] && tool=(win "$tool.exe")
tool() { "${tool[@]}" "$@"; }

out=$(tool --seed 7 --frames 3)
check "--seed 7 --frames 3: a launch line and four state lines of 21 numbers" awk '
  NR == 1 && !/^pattern ([1-9]|10) draws [0-9]+$/ { exit 1 }
  NR > 1 && (NF != 21 || $1 != NR - 2) { exit 1 }
  END { exit NR != 5 }' <<<"$out"
# Unseeded, state 1: draws 41, 18467, 6334 pick pattern 1 and ball time 44.9 + 6334/32768.
out=$(tool)
check "unseeded: pattern 1" [ "$(head -n 1 <<<"$out")" = "pattern 1 draws 3" ]
check "unseeded: ball 0's time and angle" [ "$(sed -n 2p <<<"$out" | cut -d' ' -f2,3)" = "45.093298339843749 -1" ]
check "no pattern enabled: the fallback, pattern 1 from the same draws" [ "$(tool --patterns none)" = "$out" ]
for bad in "--frames -1" "--frames 1x" "--frames" "--seed 4294967296" "--patterns 0" \
  "--patterns 11" "--patterns 1,,2" "--touch maybe" "--frame-time nan" "--frame-time -0.1" "--bogus" "7"; do
  read -ra args <<<"$bad"
  err=$(tool "${args[@]}" 2>&1 >/dev/null); status=$?
  check "$bad: exit status 2 and a usage" [ "$status" = 2 -a -z "${err##*usage: cradle-sim*}" ]
done
finish
