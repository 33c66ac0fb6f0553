// Whole numbers given on a command line: the one parser the hack and the tools share.
#pragma once

// `text` is digits in `base` and nothing else (no sign, space or trailing character) and
// stands for a number from low to high: true, and the number in `value`.
bool parseWhole(const char* text, unsigned long low, unsigned long high, int base,
                unsigned long& value);
