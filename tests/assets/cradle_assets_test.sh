#!/bin/bash
# cradle-assets OUTDIR writes five raw images, five PNGs and three tables, and fails with a
# message when it cannot write.
. "$CLACKMOOR_HARNESS/env.sh"
tool="$CLACKMOOR_BUILD/cradle-assets"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check "writes into a new directory" "$tool" "$work/out"
check "thirteen files" [ "$(find "$work/out" -type f | wc -l)" = 13 ]
check "texture1.raw holds the 1024 x 128 backdrop" [ "$(stat -c %s "$work/out/texture1.raw")" = 131072 ]
for n in 1 2 3 4 5; do # the PNGs decoded by ImageMagick and turned back to stored order
  format=gray; [ $n -ge 4 ] && format=rgb
  check "texture$n.png is texture$n.raw upright" \
    cmp -s <(convert "$work/out/texture$n.png" -flip -depth 8 "$format:-") "$work/out/texture$n.raw"
done
check "post.csv: a header and 84 records" [ "$(wc -l <"$work/out/post.csv")" = 85 ]
touch "$work/plain"
err=$("$tool" "$work/plain/out" 2>&1); status=$?
check "fails below a plain file, with a message" [ "$status" != 0 -a -z "${err##*cradle-assets: cannot*}" ]
finish
