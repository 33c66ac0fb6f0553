#!/usr/bin/env bash
# The saver and cradle-shot import nothing beyond the system's own GL, GDI, USER, registry,
# kernel and C runtime DLLs; freeglut's WINMM references are filled in by render/shapes.cpp.
set -euo pipefail
objdump=$1
shift
for exe in "$@"; do
  dlls=$("$objdump" -p "$CLACKMOOR_BUILD/$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  echo "$exe:" $dlls
  others=$(grep -vxE '(opengl32|glu32|gdi32|user32|advapi32|kernel32|msvcrt)\.dll' <<<"$dlls" || true)
  [ -z "$others" ] || { echo "$exe imports" $others >&2; exit 1; }
done
