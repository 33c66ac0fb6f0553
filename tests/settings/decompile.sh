#!/usr/bin/env bash
# The saver holds exactly the resources of the resource script: windres decompiles both, and the
# listings must agree once the load flags a linked program drops are set aside.
# Usage: decompile.sh WINDRES SAVER RESOURCE-SCRIPT ART-DIR
set -euo pipefail
windres=$1 saver=$2 script=$3 art=$4
listing="${saver%.scr}-resources.rc"
"$windres" -i "$saver" -O rc -o "$listing"
"$windres" -I "$(dirname "$script")" -I "$art" -i "$script" -O rc -o "$listing.source"
normal() { sed -E 's/ (MOVEABLE|PURE|IMPURE|DISCARDABLE|PRELOAD|LOADONCALL|FIXED)//g; s/, -1, /, 65535, /' "$1"; }
diff <(normal "$listing.source") <(normal "$listing") || { echo "the saver's resources differ from $script"; exit 1; }
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' "$(dirname "$script")/clackmoor.manifest"
echo "the saver holds the resources of $script: $listing"
