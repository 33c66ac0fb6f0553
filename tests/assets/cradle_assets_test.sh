#!/bin/bash
# cradle-assets OUTDIR writes its thirteen files (five raw images, five PNGs, three tables) with
# their exact sizes, and fails with a message when it cannot write.
set -u
tool="$CLACKMOOR_BUILD/cradle-assets"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$tool" "$work/out" || fail "exit code $? writing into a new directory"

size() { stat -c %s "$1" 2>/dev/null || echo missing; }
check_size() { # file bytes
    local got
    got=$(size "$work/out/$1")
    [ "$got" = "$2" ] || fail "$1 is $got bytes, expected $2"
}
# name width height channels raw-bytes
while read -r n w h c bytes; do
    check_size "texture$n.raw" "$bytes"
    # The PNG, decoded by ImageMagick and turned back to stored order (t = 0 first), is the
    # raw image; compressed, it is smaller.
    format=gray; [ "$c" = 3 ] && format=rgb
    convert "$work/out/texture$n.png" -flip -depth 8 "$format:-" | cmp -s - "$work/out/texture$n.raw" ||
        fail "texture$n.png is not texture$n.raw upright (${w}x${h})"
    [ "$(size "$work/out/texture$n.png")" -lt "$bytes" ] || fail "texture$n.png is not compressed"
done <<'TABLE'
1 1024 128 1 131072
2 128 128 1 16384
3 128 128 1 16384
4 128 128 3 49152
5 64 64 3 12288
TABLE

check_csv() { # file header rows
    local got
    got=$(head -n 1 "$work/out/$1")
    [ "$got" = "$2" ] || fail "$1 header is '$got'"
    got=$(($(wc -l <"$work/out/$1") - 1))
    [ "$got" = "$3" ] || fail "$1 has $got rows, expected $3"
}
check_csv post.csv "nx,ny,nz,s,t,x,y,z" 84
check_csv rail.csv "nx,ny,nz,s,t,x,y,z" 168
check_csv lug.csv "x,y,z" 20
line=$(sed -n 2p "$work/out/post.csv")
[ "$line" = "0,0,1,0,0.0500000007,-2.4799099,-3.20000005,-1.43817997" ] ||
    fail "post.csv first record is '$line'"
line=$(sed -n 82p "$work/out/rail.csv")
[ "$line" = "0,-2.44921006e-16,1,0,1,-2.5,-1.59198999e-17,1.56500006" ] ||
    fail "rail.csv record 80 is '$line'"
[ "$(find "$work/out" -type f | wc -l)" = 13 ] || fail "not exactly thirteen files"

# Cannot create the directory: a plain file stands in its path.
touch "$work/plain"
if "$tool" "$work/plain/out" 2>"$work/err"; then
    fail "succeeded below a plain file"
fi
grep -q "cradle-assets: cannot" "$work/err" || fail "no message when the directory fails"

# Cannot write one file: a directory has its name.
mkdir -p "$work/taken/lug.csv"
if "$tool" "$work/taken" 2>"$work/err"; then
    fail "succeeded with lug.csv taken by a directory"
fi
grep -q "lug.csv" "$work/err" || fail "no message naming lug.csv"

# No directory given.
"$tool" 2>/dev/null && fail "succeeded without an argument"

[ "$failures" = 0 ] && echo "cradle-assets: all checks passed"
exit $((failures > 0))
