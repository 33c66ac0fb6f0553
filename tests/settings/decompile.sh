#!/usr/bin/env bash
# Decompiles the resources of the built saver with the cross toolchain's windres and checks
# the listing: dialog 2003 with 31 controls, bitmaps 117-126, icon group 109 with one 32x32
# 16-colour image, string 1 and the version record. The listing is kept beside the saver.
# Usage: decompile.sh WINDRES SAVER
set -euo pipefail
windres=$1 saver=$2
listing="${saver%.scr}-resources.rc"
"$windres" -i "$saver" -O rc -o "$listing"
fail() { echo "decompile: $*"; exit 1; }

controls=$(sed -n '/^2003 DIALOG 128, 120, 170, 241/,/^END/p' "$listing" | grep -cE '^  [A-Z]+ ')
[ "$controls" = 31 ] || fail "dialog 2003 has $controls controls, expected 31"
grep -q '^CAPTION "Clackmoor Screen Saver"' "$listing" || fail "no caption"
grep -q '^FONT 11, "MS Sans Serif"' "$listing" || fail "no font"
for id in $(seq 117 126); do
  grep -q "^$id 2 /\* RT_BITMAP \*/" "$listing" || fail "no bitmap $id"
done
grep -q '^109 14 /\* RT_GROUP_ICON \*/' "$listing" || fail "no icon group 109"
grep -q 'Has 1 elements' "$listing" || fail "icon group 109 does not hold one image"
grep -qF '"\040\040\020\000", 1, 4,' "$listing" || fail "the icon is not 32x32 in 16 colours"
grep -qF '1, "Clackmoor Screen Saver"' "$listing" || fail "no string 1"
grep -q '^1 VERSIONINFO' "$listing" || fail "no version record"
for field in FileDescription ProductName FileVersion ProductVersion LegalCopyright; do
  grep -q "VALUE \"$field\"" "$listing" || fail "no $field"
done
grep -q '^1 24 /\* RT_MANIFEST \*/' "$listing" || fail "no manifest"
echo "dialog 2003 with 31 controls, bitmaps 117-126, icon 109, string 1, version: $listing"
