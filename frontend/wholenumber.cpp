// Whole numbers given on a command line.
#include "frontend/wholenumber.h"

#include <cerrno>
#include <cstdlib>

bool parseWhole(const char* text, unsigned long low, unsigned long high, int base,
                unsigned long& value) {
    // strtoul takes a sign, leading space and an empty text: none is a number here.
    if (text[0] == '-' || text[0] == '+' || text[0] == ' ' || text[0] == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(text, &end, base);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}
