#!/usr/bin/env bash
# Opens the configuration dialog through the saver's /c mode on the virtual display and
# saves a picture of it as dialog.png in the build tree, for people to look at; the picture
# must hold the black pattern drawings (not a blank or unpainted window).
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
probe="$CLACKMOOR_BUILD/tests/settings/settings_probe.exe"
key='HKCU\Software\Orbweave\Zeride'
shot="$CLACKMOOR_BUILD/dialog.png"
rm -f "$shot"

"$WINE64" "$CLACKMOOR_BUILD/clackmoor.scr" /c &
saver=$!
"$WINE64" "$probe" settle-dialog || { echo "no dialog on screen"; kill "$saver"; exit 1; }

geometry=$(xwininfo -name 'Clackmoor Screen Saver' | awk '
  /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h "+" x "+" y}')
echo "dialog at $geometry"
import -window root -crop "$geometry" +repage "$shot"

"$WINE64" "$probe" close-dialog
status=0
wait "$saver" || status=$?
[ "$status" = 1 ] || { echo "the dialog's exit code was $status, expected 1"; exit 1; }
# Closing saved nothing; the key (if any) is as it was.

# A painted dialog: the face colour dominates, and there is black ink of the ten pictures.
black=$(convert "$shot" -fill white +opaque black -fill black -opaque black -format '%[fx:int(w*h*(1-mean)+0.5)]' info:)
echo "dialog.png: $geometry, $black black pixels"
[ "$black" -gt 2000 ] || { echo "too little black: are the pictures drawn?"; exit 1; }
echo "saved $shot"
