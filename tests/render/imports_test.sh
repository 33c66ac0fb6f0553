#!/usr/bin/env bash
# The saver and cradle-shot import nothing beyond the system's own GL, GDI, USER, registry,
# kernel and C runtime DLLs; freeglut's WINMM references are filled in by render/shapes.cpp.
set -euo pipefail
objdump=$1
shift
allowed="opengl32.dll glu32.dll gdi32.dll user32.dll advapi32.dll kernel32.dll msvcrt.dll"
for exe in "$@"; do
  dlls=$("$objdump" -p "$CLACKMOOR_BUILD/$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $dlls; do
    case " $allowed " in
      *" $dll "*) ;;
      *) echo "$exe imports $dll" >&2; exit 1 ;;
    esac
  done
  echo "$exe:" $dlls
done
