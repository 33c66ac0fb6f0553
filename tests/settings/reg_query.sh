#!/usr/bin/env bash
# After saveSettings, Wine's own `reg query` lists the thirteen values as REG_DWORD with the
# record's numbers (Wine lists them sorted by name).
set -euo pipefail
. "$CLACKMOOR_HARNESS/env.sh"
clackmoor_env "$CLACKMOOR_BUILD"
key='HKCU\Software\Orbweave\Zeride'
probe="$CLACKMOOR_BUILD/tests/settings/settings_probe.exe"
work="$CLACKMOOR_BUILD/tests/settings/reg_query.d"
mkdir -p "$work"

# Leave the key as it was found.
had_key=0
if "$WINE64" reg export "$key" "$work/saved.reg" /y >/dev/null 2>&1; then had_key=1; fi
restore() {
  "$WINE64" reg delete "$key" /f >/dev/null 2>&1 || true
  if [ "$had_key" = 1 ]; then "$WINE64" reg import "$work/saved.reg" >/dev/null 2>&1; fi
}
trap restore EXIT
"$WINE64" reg delete "$key" /f >/dev/null 2>&1 || true

numbers=(1 0 1 0 5 1 0 1 0 1 0 1 4294967295)
"$WINE64" "$probe" save "${numbers[@]}"
"$WINE64" reg query "$key" | tr -d '\r' | tee "$work/query.txt"

names=(Type1 Type2 Type3 Type4 Type5 Type6 Type7 Type8 Type9 Type10 TouchBox1 TouchBox2 "ATI fix")
mapfile -t rows < <(grep -E 'REG_' "$work/query.txt")
[ "${#rows[@]}" = 13 ] || { echo "expected 13 values, got ${#rows[@]}"; exit 1; }
for i in "${!names[@]}"; do
  expected=$(printf '    %s    REG_DWORD    0x%x' "${names[$i]}" "${numbers[$i]}")
  grep -qxF "$expected" "$work/query.txt" || { echo "missing: '$expected'"; exit 1; }
done
echo "13 REG_DWORD values with the saved numbers"
