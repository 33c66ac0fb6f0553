#!/bin/bash
# The cradle-sim tool: launch line and state lines in the documented format, the
# generator's process-start state, and exit status 2 on bad arguments.
set -u -o pipefail
# Natively the tool runs as it is; a Windows build runs through Wine, and its line ends
# are made plain so that both are checked alike.
if [ -f "$CLACKMOOR_BUILD/cradle-sim.exe" ]; then
    . "$CLACKMOOR_HARNESS/env.sh"
    clackmoor_env "$CLACKMOOR_BUILD"
    tool() { "$WINE64" "$CLACKMOOR_BUILD/cradle-sim.exe" "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'; }
else
    tool() { "$CLACKMOOR_BUILD/cradle-sim" "$@"; }
fi
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

out=$(tool --seed 7 --frames 3) || fail "--seed 7 --frames 3 exited with $?"
lines=$(printf '%s\n' "$out" | wc -l)
[ "$lines" -eq 5 ] || fail "expected 5 lines, got $lines"
printf '%s\n' "$out" | head -n 1 | grep -Eq '^pattern ([1-9]|10) draws [0-9]+$' ||
    fail "bad launch line: $(printf '%s\n' "$out" | head -n 1)"
bad=$(printf '%s\n' "$out" | tail -n +2 | awk '
    NF != 21 { print "line " NR - 1 " has " NF " fields"; next }
    $1 != NR - 1 { print "line " NR - 1 " starts with " $1 }
    { for (i = 2; i <= NF; ++i)
          if ($i !~ /^-?[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?$/) print "line " NR - 1 ": " $i }')
[ -z "$bad" ] || fail "state lines: $bad"

# Unseeded, the generator starts from state 1: draws 41, 18467, 6334 pick pattern 1 and
# give its ball the time 44.9 + 6334/32768.
out=$(tool)
[ "$(printf '%s\n' "$out" | head -n 1)" = "pattern 1 draws 3" ] || fail "unseeded launch: $out"
[ "$(printf '%s\n' "$out" | sed -n 2p | cut -d' ' -f2,3)" = "45.093298339843749 -1" ] ||
    fail "unseeded ball 0: $(printf '%s\n' "$out" | sed -n 2p)"

# No pattern enabled: the fixed fallback, one attempt's draws.
[ "$(tool --patterns none | head -n 1)" = "pattern 1 draws 3" ] || fail "--patterns none"
# Only pattern 8, Never: three decisions of two draws each on top of the attempt's three.
line=$(tool --seed 3 --patterns 8 --touch never | head -n 1)
echo "$line" | grep -Eq '^pattern 8 draws ([0-9]+)$' || fail "--patterns 8: $line"
draws=${line##* }
[ $(((draws - 9) % 3)) -eq 0 ] || fail "--patterns 8 --touch never: $draws draws"

for bad in "--frames -1" "--frames x" "--frames 1x" "--frames" "--seed -3" "--seed 4294967296" \
    "--patterns 0" "--patterns 11" "--patterns 1,,2" "--patterns 3," "--patterns ''" \
    "--touch maybe" "--frame-time nan" "--frame-time -0.1" "--frame-time 1e999" \
    "--frame-time 0.02s" "--bogus" "7"; do
    eval "args=($bad)"
    err=$(tool "${args[@]}" 2>&1 >/dev/null)
    status=$?
    [ "$status" -eq 2 ] || fail "$bad: exit status $status, expected 2"
    echo "$err" | grep -q '^usage: cradle-sim' || fail "$bad: no usage on stderr"
    [ "$(echo "$err" | head -n 1 | grep -c '^cradle-sim: ')" -eq 1 ] || fail "$bad: no message"
done

[ "$failures" -eq 0 ] && echo "cradle-sim: all checks passed"
exit $((failures != 0))
