#!/usr/bin/env bash
# Hostile command lines through the real clackmoor.scr: 200 lines made of program-name forms,
# separators, mode letters, handles with overflow and garbage tails (high bytes, up to 30,000
# bytes), chosen so every outcome of the mode table comes up. saverprobe starts the saver with
# each exact line, closes any window it opens as a user would, and checks the exit code
# (-1, 0 for a saver run, 1 for the dialog) and that no crash report came up.
. "$(dirname "$0")/lib.sh"

python3 - "$WORK/lines.txt" <<'EOF'
import random, sys
r = random.Random(20261207)
names = ['clackmoor.scr ', '"C:\\Program Files\\clack moor.scr" ', '"C:\\a b\\c s.scr"',
         'C:\\Savers\\saver.scr\t\x01 ', ' ', '']
def garbage(n, first=None):
    s = bytes(r.choice([r.randrange(1, 256), 32, 45, 47, 58, 34]) for _ in range(n))
    return (first or b'') + s
# (outcome, tail): {P} is a live window of the probe's.
rows = {
  '0': [b's', b'/s', b'-S', b'--/ /s', b'/s anything', b'/S\xff\xfe', b' - /s:{P}'],
  'dialog': [b'', b'-', b'/ -', b'/c', b'/c:0', b'/C:{P}', b'/c:4294967296{P}', b'/c {P}',
             b'/c:99999999999999999999', b'/c:+5', b'-c:{P}xyz'],
  'preview': [b'/p {P}', b'-p{P}', b'/l   {P}', b'/P 4294967296{P}', b'-L{P} /s'],
  '-1': [b'/x', b'/?', b'/1', b'/\ts', b'/p', b'/p 0', b'/p:{P}', b'/p\t{P}', b'/p -{P}',
         b'/p 4294967296', b'/a {P}', b'/a', b'\x81s', b'/\xe0', b'+s', b'"s', b'/p 99999999999'],
}
weights = {'0': 24, 'dialog': 30, 'preview': 26, '-1': 120}
def encode(b):
    return ''.join(chr(c) if 32 < c < 127 and c != 92 else '\\x%02X' % c for c in b)
out = []
for outcome, count in weights.items():
    for i in range(count):
        tail = rows[outcome][i % len(rows[outcome])]
        name = r.choice(names)
        if name == '' and not tail[:1].isspace():
            name = ' '  # with no program name the tail itself would be cut off as the name
        if outcome == 'dialog' and tail in (b'', b'-', b'/ -'):
            pass  # nothing may follow: the empty tail is the row
        elif r.random() < 0.7:
            n = 30000 if i % 40 == 7 else r.choice([r.randrange(0, 40), 4000, 8000])
            tail += garbage(n, b' ' if outcome != '-1' else b'x')
        out.append('%s %s' % (outcome, encode(name.encode('latin-1') + tail)))
r.shuffle(out)
open(sys.argv[1], 'w').write('\n'.join(out) + '\n')
EOF
check "200 lines made" [ "$(wc -l <"$WORK/lines.txt")" = 200 ]

"$WINE64" "$HOSTDIR/saverprobe.exe" lines "$(winepath_of "$SCR")" "$(winepath_of "$WORK/lines.txt")" \
  </dev/null 2>/dev/null | tr -d '\r' >"$WORK/outcomes.txt"
grep -v '^ok ' "$WORK/outcomes.txt" | cut -c1-160
echo "  outcomes: $(grep '^ok ' "$WORK/outcomes.txt" | awk '{print $2}' | sort | uniq -c | paste -sd,)"
check "every line gave its outcome, no crash report" grep -qx 'lines 200 wrong 0 crash-dialogs 0' "$WORK/outcomes.txt"
check "no saver process is left" [ -z "$(pgrep -f "${SCR//\//.}" || true)" ]
finish
