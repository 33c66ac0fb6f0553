// The command line without the platform: the program name, the mode letter, the handle.
#include "host/cmdline.h"

namespace {

bool isAbove32(char c) {
    return static_cast<unsigned char>(c) > 32;
}

const char* skipSpaces(const char* p) {
    while (*p == ' ') {
        ++p;
    }
    return p;
}

} // namespace

const char* nextByte(const char* p) {
    return *p ? p + 1 : p;
}

// NOTE: the platform's step keeps a multi-byte path whole, so a trail byte that looks like a
// quote or a blank does not end the name.
const char* cutProgramName(const char* commandLine, CharStep next) {
    const char* p = commandLine;
    if (*p == '"') {
        do {
            p = next(p);
        } while (*p != '"' && *p != '\0');
        if (*p == '"') {
            p = next(p);
        }
    } else if (isAbove32(*p)) {
        while (isAbove32(*p)) {
            p = next(p);
        }
    }
    while (*p != '\0' && !isAbove32(*p)) {
        p = next(p);
    }
    return p;
}

uint32_t parseDecimal(const char* text) {
    uint32_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    return value;
}

// Only the first significant character counts; the colon after 'c' must follow it directly,
// and after 'a', 'p' and 'l' only the space character is skipped.
ModeRequest parseMode(const char* tail) {
    const char* p = tail;
    while (*p == ' ' || *p == '-' || *p == '/') {
        ++p;
    }
    switch (*p) {
    case '\0':
        return {modeConfigNoOwner, 0};
    case 'a':
    case 'A':
        return {modePasswordChange, parseDecimal(skipSpaces(p + 1))};
    case 'c':
    case 'C':
        return {modeConfig, p[1] == ':' ? parseDecimal(p + 2) : 0};
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return {modePreview, parseDecimal(skipSpaces(p + 1))};
    case 's':
    case 'S':
        return {modeFullScreen, 0};
    default:
        return {modeNone, 0};
    }
}
