#!/usr/bin/env bash
# The installer's round trip in the tree's Wine prefix: a silent install puts this tree's
# saver into C:\windows, makes it the current saver and registers the uninstaller; the
# installed saver runs full screen and ends on a key; a silent uninstall takes all of it away.
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
work="$CLACKMOOR_BUILD/release-test"
mkdir -p "$work"

scr="$CLACKMOOR_BUILD/clackmoor.scr"
installed="$WINEPREFIX/drive_c/windows/clackmoor.scr"
uninstaller_dir="$WINEPREFIX/drive_c/Program Files/Clackmoor"
desktop='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor'
settings='HKCU\Software\Orbweave\Zeride'

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $* ($(date +%T))"; }

# reg_value KEY NAME: the value's data, or nothing and status 1.
reg_value() {
  "$WINE64" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" 'BEGIN { IGNORECASE = 1; s = 1 }
      { line = $0; sub(/^ +/, "", line) }
      tolower(substr(line, 1, length(name))) == tolower(name) {
        sub(/^[^ ]+ +REG_[A-Z_]+ +/, "", line); print line; s = 0 }
      END { exit s }'
}
key_exists() { "$WINE64" reg query "$1" >/dev/null 2>&1; }

# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 2
  done
}

# A previous failed run may have left its traces in the prefix.
rm -rf "$installed" "$uninstaller_dir"
"$WINE64" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
"$WINE64" reg delete 'HKCU\Software\Orbweave' /f >/dev/null 2>&1 || true
"$WINE64" reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1 || true

step "packaging"
# This tree has only the 64-bit saver; a marker stands in for the 32-bit one, so the test
# also shows which of the two the installer picks on 64-bit Windows.
echo "the 32-bit saver would be here" >"$work/x86-stand-in.scr"
version=$(sed -n "s/^CMAKE_PROJECT_VERSION:STATIC=//p" "$CLACKMOOR_BUILD/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || version=0.0.0
"$CLACKMOOR_SOURCE/tools/installer/package" "$version" "$work/x86-stand-in.scr" "$scr" "$work/out"
setup="$work/out/clackmoor-$version-setup.exe"
listing=$(unzip -Z1 "$work/out/clackmoor-$version.zip")
for f in read-me.txt x86/clackmoor.scr x64/clackmoor.scr; do
  grep -qx "$f" <<<"$listing" || fail "the zip lacks $f"
done

step "silent install (32-bit installer, slow where i386 is emulated)"
"$WINE64" "$setup" /S </dev/null || fail "the installer exited with $?"
[ -f "$installed" ] || fail "no C:\\windows\\clackmoor.scr after the install"
cmp -s "$scr" "$installed" || fail "C:\\windows\\clackmoor.scr is not the 64-bit saver"
current=$(reg_value "$desktop" SCRNSAVE.EXE) || fail "SCRNSAVE.EXE is not set"
[ "${current,,}" = 'c:\windows\clackmoor.scr' ] || fail "SCRNSAVE.EXE is '$current'"
for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString QuietUninstallString; do
  value=$(reg_value "$uninstall_key" "$name") || fail "the uninstall entry lacks $name"
  echo "   $name = $value"
done
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ -f "$uninstaller_dir/uninstall.exe" ] || fail "no uninstaller in C:\\Program Files\\Clackmoor"
# The entry belongs in the native view, not the 32-bit one.
! key_exists 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Clackmoor' ||
  fail "the uninstall entry went to the 32-bit registry view"

step "the installed saver, full screen, ended by a key"
"$WINE64" 'C:\windows\clackmoor.scr' /s </dev/null >"$work/saver.log" 2>&1 &
saver=$!
sleep 3
kill -0 "$saver" 2>/dev/null || { wait "$saver" || true; fail "the saver ended before any input"; }
# A key pressed before the window has the focus goes nowhere; press until it ends.
for _ in $(seq 15); do
  xdotool key Escape
  sleep 1
  kill -0 "$saver" 2>/dev/null || break
done
if kill -0 "$saver" 2>/dev/null; then
  kill "$saver" 2>/dev/null || true
  fail "the saver did not end on a key"
fi
rc=0
wait "$saver" || rc=$?
[ "$rc" -eq 0 ] || fail "the saver exited with $rc"

step "silent uninstall, in place (another 32-bit program)"
# Settings the dialog would have saved, and a neighbour of ours that must survive.
"$WINE64" reg add "$settings" /v Type1 /t REG_DWORD /d 1 /f >/dev/null
"$WINE64" reg add 'HKCU\Software\Orbweave\Neighbour' /v Kept /t REG_DWORD /d 1 /f >/dev/null
# NOTE: run plainly, an NSIS uninstaller copies itself to TEMP, starts the copy and returns;
# _?= runs it in place and waits, which spares one more minutes-long emulated start. It then
# cannot delete itself on Windows (Wine lets it), so at most uninstall.exe may be left.
"$WINE64" 'C:\Program Files\Clackmoor\uninstall.exe' /S '_?=C:\Program Files\Clackmoor' </dev/null ||
  fail "the uninstaller exited with $?"
gone() { ! key_exists "$uninstall_key" && [ ! -e "$installed" ]; }
wait_for 600 gone || fail "the uninstaller did not finish in 10 minutes"
left=$(ls -A "$uninstaller_dir" 2>/dev/null || true)
[ -z "$left" ] || [ "$left" = uninstall.exe ] || fail "the uninstaller left '$left' in its folder"
rm -rf "$uninstaller_dir"
[ ! -e "$installed" ] || fail "C:\\windows\\clackmoor.scr is still there"
! reg_value "$desktop" SCRNSAVE.EXE >/dev/null || fail "SCRNSAVE.EXE is still set"
! key_exists "$settings" || fail "the settings key is still there"
key_exists 'HKCU\Software\Orbweave\Neighbour' || fail "the uninstaller removed a key that was not its own"
"$WINE64" reg delete 'HKCU\Software\Orbweave' /f >/dev/null 2>&1 || true
step "installed, ran and removed cleanly"
