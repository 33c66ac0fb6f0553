#!/usr/bin/env bash
# The installer's whole life in the tree's Wine prefix, as a user meets it:
#  1. an earlier saver chosen; install (byte for byte the saver the host tests run), settings
#     saved, reinstall: the settings stay; uninstall: the earlier saver is back, nothing of
#     Clackmoor is left (and with the earlier saver gone since, none is chosen);
#  2. the old saver's file held, as the running saver holds it (mapped as a program image) and
#     as a program that opened it without sharing holds it: a silent install replaces it or
#     exits non-zero with the old one untouched, never 0 with the old one kept; the interactive
#     install names what to close and does not claim success;
#  3. the file held: uninstall, reinstall, restart (wineboot -r runs the operations Windows
#     runs at a restart): the saver is still there and still the chosen one; a deletion of the
#     saver's path left by an earlier uninstaller does not take the new install away either;
#  4. the installer's first page shows the side picture made from the scene.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
work="$CLACKMOOR_BUILD/release-test"
scr="$CLACKMOOR_BUILD/clackmoor.scr"
tool="$CLACKMOOR_BUILD/tests/release/installtool.exe"
windows="$WINEPREFIX/drive_c/windows"
installed="$windows/clackmoor.scr"
folder="$WINEPREFIX/drive_c/Program Files/Clackmoor"
desktop='HKCU\Control Panel\Desktop'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor'
pending='HKLM\System\CurrentControlSet\Control\Session Manager'
title='Clackmoor Screen Saver Setup'
un_title='Clackmoor Screen Saver Uninstall'
die() { echo "FAIL: $*" >&2; exit 1; }
not() { ! "$@"; }
# has_icon EXE: the program's icon image (the first of its .ico) is among the icons of EXE.
has_icon() {
  python3 -c 'import sys; ico = open(sys.argv[1], "rb").read(); at = int.from_bytes(ico[18:22], "little")
sys.exit(ico[at:] not in open(sys.argv[2], "rb").read())' "$work/art/clackmoor.ico" "$1"
}
value() { win reg query "$1" /v "$2" 2>/dev/null | sed -nE "s/^ +$2 +REG_[A-Z_]+ +//Ip"; }
exists() { "$WINE64" reg query "$1" >/dev/null 2>&1; }
tool() { win "$tool" "$@" 2>/dev/null; }

# What an earlier failed run may have left behind.
forget_everything() {
  rm -rf "$windows"/clackmoor* "$folder" "$windows/system32/earlier.scr"
  "$WINE64" reg delete "$entry" /f >/dev/null 2>&1 || true
  "$WINE64" reg delete 'HKCU\Software\Orbweave' /f >/dev/null 2>&1 || true
  "$WINE64" reg delete "$pending" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
  "$WINE64" reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1 || true
}
forget_everything
rm -rf "$work"

# Two builds of the saver to tell apart: the tree's, and an "old" one (the same program with
# bytes after its image, so it still loads). This tree has only one bitness; a marker stands in
# for the 32-bit saver, so the test also shows which of the two the installer picks on 64-bit
# Windows.
mkdir -p "$work/old"
echo "the 32-bit saver would be here" >"$work/x86.scr"
cp "$scr" "$work/old/clackmoor.scr"
echo "an older build" >>"$work/old/clackmoor.scr"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$CLACKMOOR_BUILD/CMakeCache.txt")
"$CLACKMOOR_SOURCE/tools/installer/artwork" "$CLACKMOOR_BUILD" "$work/art"
"$CLACKMOOR_SOURCE/tools/installer/package" "$version" "$work/x86.scr" "$scr" "$work/art" "$work/out"
"$CLACKMOOR_SOURCE/tools/installer/package" "$version" "$work/x86.scr" "$work/old/clackmoor.scr" \
  "$work/art" "$work/old" >/dev/null
setup="$work/out/clackmoor-$version-setup.exe"
old_setup="$work/old/clackmoor-$version-setup.exe"

# The zip unpacks into one folder.
top="clackmoor-$version"
unzip -Z1 "$work/out/clackmoor-$version.zip" >"$work/zip.txt"
check "the zip holds the read-me and both savers" \
  [ "$(grep -cxF -e "$top/read-me.txt" -e "$top/x86/clackmoor.scr" -e "$top/x64/clackmoor.scr" "$work/zip.txt")" = 3 ]
check "everything in the zip is in its one folder $top/" not grep -v "^$top/" "$work/zip.txt"

# install SETUP: a silent install; its exit code in RC.
install() { RC=0; "$WINE64" "$1" /S </dev/null || RC=$?; }
# uninstall: a silent uninstall run in place, waited for; its exit code in RC.
uninstall() {
  RC=0
  tool run '"C:\Program Files\Clackmoor\uninstall.exe" /S _?=C:\Program Files\Clackmoor' || RC=$?
}
# hold open|image: the installed saver's file held by another program until release.
hold() {
  "$WINE64" "$tool" hold "$1" 'C:\windows\clackmoor.scr' 900 </dev/null >"$work/hold.out" 2>/dev/null &
  HOLDER=$!
  for _ in $(seq 300); do grep -q held "$work/hold.out" && return 0; sleep 0.2; done
  die "could not hold the saver's file ($1)"
}
HOLDER=
release() {
  [ -n "$HOLDER" ] || return 0
  kill "$HOLDER" 2>/dev/null || true
  wait "$HOLDER" 2>/dev/null || true
  HOLDER=
}
# Windows' restart as far as files go: every program ends, then wineboot -r runs the file
# operations left for the restart.
restart() {
  wineserver -k 2>/dev/null || true
  wineserver -w
  "$WINE64" wineboot -r </dev/null >/dev/null 2>&1 || die "wineboot -r failed"
  wineserver -w
  not exists_value "$pending" PendingFileRenameOperations || die "the restart left its operations"
}
exists_value() { "$WINE64" reg query "$1" /v "$2" >/dev/null 2>&1; }
is_chosen() { [ "$(value "$desktop" SCRNSAVE.EXE | tr A-Z a-z)" = "$1" ]; }
ours='c:\windows\clackmoor.scr'
# Nothing of Clackmoor: no saver (moved-aside copies included), entry, settings or restart
# operation; at most the uninstaller itself, which cannot delete itself when run in place.
nothing_left() {
  [ -z "$(ls "$windows" | grep -i clackmoor)" ] && not exists "$entry" &&
    not exists 'HKCU\Software\Orbweave\Zeride' &&
    [ -z "$(ls -A "$folder" 2>/dev/null | grep -vx uninstall.exe)" ] &&
    not grep -qi clackmoor <<<"$(value "$pending" PendingFileRenameOperations)"
}
# is_installed FILE: the installed saver is FILE.
is_installed() { [ -e "$installed" ] && cmp -s "$1" "$installed"; }
still_installed() { is_installed "$scr" && exists "$entry" && is_chosen "$ours"; }
trap release EXIT

echo "== 1. install over an earlier saver, save settings, reinstall, uninstall"
echo "an earlier saver" >"$windows/system32/earlier.scr"
"$WINE64" reg add "$desktop" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\earlier.scr' /f >/dev/null
install "$setup"
check "the install exits with 0 (it did with $RC)" [ "$RC" = 0 ]
check "C:\\windows\\clackmoor.scr is this tree's saver" cmp -s "$scr" "$installed"
check "it is the current saver" is_chosen "$ours"
check "the uninstall entry says $version" [ "$(value "$entry" DisplayVersion)" = "$version" ]
check "the entry has a quiet uninstall command" [ -n "$(value "$entry" QuietUninstallString)" ]
check "the entry is in the native registry view" \
  not exists 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor'
check "the installer's icon is the program's" has_icon "$setup"
check "the uninstaller's icon is the program's" has_icon "$folder/uninstall.exe"

"$WINE64" reg add 'HKCU\Software\Orbweave\Zeride' /v Type1 /t REG_DWORD /d 0 /f >/dev/null
"$WINE64" reg add 'HKCU\Software\Orbweave\Zeride' /v 'ATI fix' /t REG_DWORD /d 0 /f >/dev/null
"$WINE64" reg add 'HKCU\Software\Orbweave\Neighbour' /v Kept /t REG_DWORD /d 1 /f >/dev/null
install "$setup"
check "the reinstall exits with 0 (it did with $RC)" [ "$RC" = 0 ]
check "the reinstall keeps the settings" \
  [ "$(value 'HKCU\Software\Orbweave\Zeride' Type1)/$(value 'HKCU\Software\Orbweave\Zeride' 'ATI fix')" = 0x0/0x0 ]
check "it is still the current saver" is_chosen "$ours"

uninstall
check "the uninstall exits with 0 (it did with $RC)" [ "$RC" = 0 ]
check "the earlier saver is the current one again" is_chosen 'c:\windows\system32\earlier.scr'
check "nothing of Clackmoor is left" nothing_left
check "the uninstaller leaves a key not its own" exists 'HKCU\Software\Orbweave\Neighbour'

# The earlier saver deleted while Clackmoor was installed: none is chosen afterwards.
install "$setup"
rm "$windows/system32/earlier.scr"
uninstall
check "with the earlier saver gone, none is chosen (uninstall exit $RC)" \
  [ "$RC/$(value "$desktop" SCRNSAVE.EXE)" = 0/ ]
forget_everything

echo "== 2. an upgrade over a saver in use"
# mode, what the silent install must do: the running saver's image may be renamed, so it is
# replaced; a file opened without sharing cannot be, so the install fails and changes nothing.
for case in "image replaced" "open refused"; do
  read -r mode outcome <<<"$case"
  install "$old_setup"
  cmp -s "$work/old/clackmoor.scr" "$installed" || die "the old build did not install (exit $RC)"
  hold "$mode"
  install "$setup"
  if cmp -s "$scr" "$installed"; then got=replaced; elif cmp -s "$work/old/clackmoor.scr" "$installed"; then got=kept; else got=other; fi
  check "held ($mode): a silent install never exits 0 with the old saver kept (exit $RC, $got)" \
    not [ "$RC/$got" = 0/kept ]
  expected="0/replaced"
  [ "$outcome" = refused ] && expected="32/kept"
  check "held ($mode): the silent install is $outcome (exit $RC, $got)" [ "$RC/$got" = "$expected" ]
  check "held ($mode): no half-written saver is left" [ ! -e "$windows/clackmoor-new.tmp" ]
  check "held ($mode): the saver is the current one" is_chosen "$ours"

  if [ "$outcome" = refused ]; then
    "$WINE64" "$setup" </dev/null >/dev/null 2>&1 &
    interactive=$!
    for _ in $(seq 120); do tool next "$title" && break; sleep 0.5; done
    box=$(tool box "$title" 60 | tr '\n' ' ') || true
    echo "the installer says: $box"
    check "its message names the Screen Saver settings and the running saver" \
      grep -q 'Close the Screen Saver settings.*end the saver' <<<"$box"
    check "its message says how to go on" grep -q 'click Retry' <<<"$box"
    tool answer "$title" 2 || fail "the message has no Cancel button" # IDCANCEL
    sleep 2
    page=$(tool texts "$title" | tr '\n' ' ') || true
    echo "then its page says: $page"
    check "the interactive install says it did not complete" grep -q "not completed successfully" <<<"$page"
    check "the interactive install does not claim success" not grep -q "has been installed" <<<"$page"
    check "the interactive install changed nothing" cmp -s "$work/old/clackmoor.scr" "$installed"
    tool next "$title" || true
    kill "$interactive" 2>/dev/null || true
    wait "$interactive" 2>/dev/null || true
  fi
  release
  restart
  after="$scr"
  [ "$got" = kept ] && after="$work/old/clackmoor.scr"
  check "held ($mode): after the restart the saver is still the $got one" is_installed "$after"
  check "held ($mode): ... and the current saver" is_chosen "$ours"
  uninstall
  check "held ($mode): then the uninstall exits with 0 (it did with $RC)" [ "$RC" = 0 ]
  check "held ($mode): and leaves nothing" nothing_left
  forget_everything
done

echo "== 3. uninstall while the saver runs, reinstall, restart"
install "$setup"
hold image
uninstall
# NOTE: Wine hands on only the low byte of an exit code: 3010 (restart needed) arrives as 194.
check "the uninstall says a restart finishes it (exit $RC)" [ "$RC" = $((3010 % 256)) ]
check "the saver's name is free at once" [ ! -e "$installed" ]
check "its entry is gone" not exists "$entry"
install "$setup"
check "the reinstall exits with 0 (it did with $RC)" [ "$RC" = 0 ]
release
restart
check "after the restart the reinstalled saver is there" is_installed "$scr"
check "... and still the current saver, with its entry" still_installed
check "... and the moved-aside copy is gone" [ -z "$(ls "$windows" | grep -i '^clackmoor-')" ]

# A file opened without sharing cannot even be moved: the uninstall changes nothing.
hold open
uninstall
check "held open: the uninstall exits with 32 (it did with $RC)" [ "$RC" = 32 ]
check "held open: the saver, its entry and the choice stay" still_installed
release

# The uninstaller's first page names the saver's file, in the Windows folder.
"$WINE64" "$folder/uninstall.exe" </dev/null >/dev/null 2>&1 || true # it starts a copy and returns
for _ in $(seq 120); do page=$(tool texts "$un_title" | tr '\n' ' ') && break; sleep 0.5; done
echo "the uninstaller's first page says: $page"
check "the uninstall page names the saver's file" grep -qiF 'C:\windows\clackmoor.scr' <<<"$page"
tool cancel "$un_title" || fail "the uninstaller has no Cancel button"

# An earlier uninstaller queued the saver's own path for deletion, between other programs'
# queued deletions, which stay as they were.
echo "a file to delete at the restart" >"$WINEPREFIX/drive_c/leftover1.tmp"
cp "$WINEPREFIX/drive_c/leftover1.tmp" "$WINEPREFIX/drive_c/leftover2.tmp"
for file in 'C:\leftover1.tmp' 'C:\windows\clackmoor.scr' 'C:\leftover2.tmp'; do
  tool forget "$file" || die "could not queue the deletion of $file"
done
install "$setup"
check "over a queued deletion of its file, the install exits with 0 (it did with $RC)" [ "$RC" = 0 ]
restart
check "after the restart the saver is there" still_installed
check "the other programs' queued deletions still ran" \
  [ ! -e "$WINEPREFIX/drive_c/leftover1.tmp" -a ! -e "$WINEPREFIX/drive_c/leftover2.tmp" ]
uninstall
check "the last uninstall exits with 0 (it did with $RC)" [ "$RC" = 0 ]
check "... and leaves nothing" nothing_left
forget_everything

echo "== 4. the welcome page as a user first sees it"
# The installer is ended before it installs anything.
"$WINE64" "$setup" </dev/null &
first=$!
trap 'release; kill $first 2>/dev/null || true' EXIT
id=$(timeout 60 xdotool search --sync --name "^$title\$" | head -n 1) || die "no installer window"
shown=
for _ in $(seq 10); do
  sleep 2
  import -window "$id" "$work/welcome-page.png"
  shown=$(python3 "$CLACKMOOR_SOURCE/tests/release/find_picture.py" "$work/welcome-page.png" \
    "$work/art/welcome.bmp") && break
done
check "the welcome page shows the scene's picture ${shown:-(see $work/welcome-page.png)}" [ -n "$shown" ]
kill "$first"
wait "$first" 2>/dev/null || true
finish
