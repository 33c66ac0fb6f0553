#!/usr/bin/env bash
# The installer's round trip in the tree's Wine prefix: a silent install puts this tree's saver
# into C:\windows (byte for byte the saver the host tests run), makes it the current saver and
# registers the uninstaller; a silent uninstall takes all of it away and nothing else. Then the
# installer's first page, on the test display, shows the side picture made from the scene.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
work="$CLACKMOOR_BUILD/release-test"
scr="$CLACKMOOR_BUILD/clackmoor.scr"
installed="$WINEPREFIX/drive_c/windows/clackmoor.scr"
folder="$WINEPREFIX/drive_c/Program Files/Clackmoor"
desktop='HKCU\Control Panel\Desktop'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor'
die() { echo "FAIL: $*" >&2; exit 1; }
# has_icon EXE: the program's icon image (the first of its .ico) is among the icons of EXE.
has_icon() {
  python3 -c 'import sys; ico = open(sys.argv[1], "rb").read(); at = int.from_bytes(ico[18:22], "little")
sys.exit(ico[at:] not in open(sys.argv[2], "rb").read())' "$work/art/clackmoor.ico" "$1"
}
value() { win reg query "$1" /v "$2" 2>/dev/null | sed -nE "s/^ +$2 +REG_[A-Z_]+ +//Ip"; }
exists() { "$WINE64" reg query "$1" >/dev/null 2>&1; }

# What an earlier failed run may have left behind.
rm -rf "$installed" "$folder" "$work"
"$WINE64" reg delete "$entry" /f >/dev/null 2>&1 || true
"$WINE64" reg delete 'HKCU\Software\Orbweave' /f >/dev/null 2>&1 || true

# This tree has only the 64-bit saver; a marker stands in for the 32-bit one, so the test also
# shows which of the two the installer picks on 64-bit Windows.
mkdir -p "$work"
echo "the 32-bit saver would be here" >"$work/x86.scr"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$CLACKMOOR_BUILD/CMakeCache.txt")
"$CLACKMOOR_SOURCE/tools/installer/artwork" "$CLACKMOOR_BUILD" "$work/art"
"$CLACKMOOR_SOURCE/tools/installer/package" "$version" "$work/x86.scr" "$scr" "$work/art" "$work/out"
[ "$(unzip -Z1 "$work/out/clackmoor-$version.zip" | grep -cxF -e read-me.txt -e x86/clackmoor.scr -e x64/clackmoor.scr)" = 3 ] ||
  die "the zip lacks the read-me or a saver"

"$WINE64" "$work/out/clackmoor-$version-setup.exe" /S </dev/null || die "the installer exited with $?"
cmp -s "$scr" "$installed" || die "C:\\windows\\clackmoor.scr is not this tree's saver"
[ "$(value "$desktop" SCRNSAVE.EXE | tr A-Z a-z)" = 'c:\windows\clackmoor.scr' ] || die "not the current saver"
[ "$(value "$entry" DisplayVersion)" = "$version" ] || die "no uninstall entry for $version"
[ -n "$(value "$entry" QuietUninstallString)" ] || die "no quiet uninstall command"
! exists 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor' ||
  die "the uninstall entry went to the 32-bit registry view"

has_icon "$work/out/clackmoor-$version-setup.exe" || die "the installer's icon is not the program's"
has_icon "$folder/uninstall.exe" || die "the uninstaller's icon is not the program's"

"$WINE64" reg add 'HKCU\Software\Orbweave\Zeride' /v Type1 /t REG_DWORD /d 1 /f >/dev/null
"$WINE64" reg add 'HKCU\Software\Orbweave\Neighbour' /v Kept /t REG_DWORD /d 1 /f >/dev/null
# NOTE: run plainly, an NSIS uninstaller copies itself to TEMP, starts the copy and returns;
# _?= runs it in place and waits. It then cannot delete itself (Wine lets it), so at most
# uninstall.exe may be left.
"$WINE64" 'C:\Program Files\Clackmoor\uninstall.exe' /S '_?=C:\Program Files\Clackmoor' </dev/null ||
  die "the uninstaller exited with $?"
for _ in $(seq 300); do exists "$entry" || [ -e "$installed" ] || break; sleep 2; done
[ ! -e "$installed" ] && ! exists "$entry" || die "the saver or its entry is still there"
[ -z "$(ls -A "$folder" 2>/dev/null | grep -vx uninstall.exe)" ] || die "files left in $folder"
[ -z "$(value "$desktop" SCRNSAVE.EXE)" ] || die "SCRNSAVE.EXE is still set"
! exists 'HKCU\Software\Orbweave\Zeride' || die "the settings key is still there"
exists 'HKCU\Software\Orbweave\Neighbour' || die "the uninstaller removed a key not its own"
rm -rf "$folder"
"$WINE64" reg delete 'HKCU\Software\Orbweave' /f >/dev/null 2>&1 || true
echo "installed and removed cleanly"

# The welcome page as a user first sees it; the installer is ended before it installs anything.
"$WINE64" "$work/out/clackmoor-$version-setup.exe" </dev/null &
setup=$!
trap 'kill $setup 2>/dev/null || true' EXIT
id=$(timeout 60 xdotool search --sync --name '^Clackmoor Screen Saver Setup$' | head -n 1) ||
  die "no installer window"
shown=
for _ in $(seq 10); do
  sleep 2
  import -window "$id" "$work/welcome-page.png"
  shown=$(python3 "$CLACKMOOR_SOURCE/tests/release/find_picture.py" "$work/welcome-page.png" \
    "$work/art/welcome.bmp") && break
done
[ -n "$shown" ] || die "the welcome page does not show the side picture (see $work/welcome-page.png)"
echo "the welcome page shows the scene's picture $shown"
kill "$setup"
wait "$setup" 2>/dev/null || true
