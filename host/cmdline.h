// The command line without the platform: the program name cut off, the mode letter matched
// and the handle after it read. Start-up (startup.cpp) turns the request into a running mode.
#pragma once
#include <cstdint>

// The rows of the mode table.
enum HostMode : unsigned {
    modeNone,           // an unknown character: -1
    modeConfigNoOwner,  // an empty tail: the dialog with no owner
    modeConfig,         // 'c': the dialog for `handle` or the foreground window
    modePasswordChange, // 'a': the password change for `handle` or the foreground window
    modePreview,        // 'p', 'l': the preview inside `handle`
    modeFullScreen,     // 's'
    hostModeCount
};

struct ModeRequest {
    HostMode mode;
    uint32_t handle; // decimal window handle after the letter; 0 when none was read
};

// Steps over one character of a command line and returns where the next one starts; never
// steps past the terminating 0. The platform's step knows multi-byte characters.
typedef const char* (*CharStep)(const char* p);
const char* nextByte(const char* p); // a single-byte code page

// The tail after the program name (quoted or not) and the blanks after it; may be empty.
const char* cutProgramName(const char* commandLine, CharStep next);
// Any run of ' ', '-' and '/', then the mode letter and what that mode reads after it.
ModeRequest parseMode(const char* tail);
// Digits up to the first other character, modulo 2^32; no sign, no blanks.
uint32_t parseDecimal(const char* text);
