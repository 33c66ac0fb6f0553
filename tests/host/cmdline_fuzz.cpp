// The command-line parser against generated lines: every line gives a row of the mode table
// or none (-1), and no read leaves the line. A built line knows its answer from the parts it
// was built of; a random line only has to stay inside the table. Each line ends at the end
// of its buffer (a no-access page on Windows, AddressSanitizer's red zone natively), so any
// read past its terminating 0 faults.
#include "host/cmdline.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#ifdef _WIN32
#include "host/host.h"
#endif

namespace {

constexpr int casesPerStep = 120000;
constexpr size_t longTail = 64 * 1024;      // bytes of a very long tail
constexpr size_t lineCapacity = 160 * 1024; // the longest line built, with room to spare

// DBCS lead bytes that code pages 932 and 936 share, and trail bytes that are plain
// printable characters in a single-byte code page and never a quote or a blank.
bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The multi-byte step as the platform does it: a lead byte and a non-zero byte after it are
// one character.
const char* dbcsStep(const char* p) {
    if (!*p) {
        return p;
    }
    return isLeadByte(static_cast<unsigned char>(*p)) && p[1] ? p + 2 : p + 1;
}

const char* cutSingleByte(const char* line) {
    return cutProgramName(line, nextByte);
}
const char* cutDbcs(const char* line) {
    return cutProgramName(line, dbcsStep);
}

#ifdef _WIN32
const char* step932(const char* p) {
    return CharNextExA(932, p, 0);
}
const char* step936(const char* p) {
    return CharNextExA(936, p, 0);
}
const char* cut932(const char* line) {
    return cutProgramName(line, step932);
}
const char* cut936(const char* line) {
    return cutProgramName(line, step936);
}
#endif

struct Cutter {
    const char* name;
    const char* (*cut)(const char* line);
};

const Cutter cutters[] = {
    {"single-byte step", cutSingleByte},
    {"DBCS step", cutDbcs},
#ifdef _WIN32
    {"CharNextA (commandTail)", commandTail},
    {"CharNextExA 932", cut932},
    {"CharNextExA 936", cut936},
#endif
};

const char* const modeNames[hostModeCount] = {"-1",          "dialog",  "dialog /c",
                                              "password /a", "preview", "full screen"};

// The line's buffer: the line is copied so that its terminating 0 is the buffer's last byte.
struct LineBuffer {
    std::vector<char> storage; // natively: exactly lineCapacity bytes, red zone after
    char* end;
};

LineBuffer makeLineBuffer() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t size = (lineCapacity + page - 1) / page * page;
    char* base = static_cast<char*>(
        VirtualAlloc(nullptr, size + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (!base || !VirtualProtect(base + size, page, PAGE_NOACCESS, &old)) {
        return {{}, nullptr};
    }
    return {{}, base + size}; // lives as long as the process
#else
    LineBuffer buffer{std::vector<char>(lineCapacity), nullptr};
    buffer.end = buffer.storage.data() + lineCapacity;
    return buffer;
#endif
}

const char* place(const LineBuffer& buffer, const std::string& line) {
    char* start = buffer.end - (line.size() + 1);
    std::memcpy(start, line.c_str(), line.size() + 1);
    return start;
}

// The generator of lines: a fixed seed, so a failure repeats.
struct LineMaker {
    std::mt19937 random{20261207u};
    std::string line;
    bool known = false;     // the answer follows from the parts
    ModeRequest expected{}; // when known
};

uint32_t below(LineMaker& m, uint32_t n) {
    return std::uniform_int_distribution<uint32_t>(0, n - 1)(m.random);
}

char pick(LineMaker& m, const char* from) {
    return from[below(m, uint32_t(std::strlen(from)))];
}

char anyByte(LineMaker& m) {
    // Mostly bytes the parser looks at, the rest anything from 1 to 255.
    static const char interesting[] = " -/\"\t:0123456789aAcCpPlLsSxX+\x81\xE0\xFF\x01";
    return below(m, 3) ? interesting[below(m, sizeof interesting - 1)] : char(1 + below(m, 255));
}

// A program name character: printable ASCII (no quote inside quotes) or a whole DBCS pair.
void addNameCharacter(LineMaker& m, bool quoted) {
    if (below(m, 5) == 0) {
        m.line += char(0x81 + below(m, 0x1F));
        m.line += char(0x40 + below(m, 0x3F));
        return;
    }
    char c = char((quoted ? 32 : 33) + below(m, 95));
    m.line += c == '"' ? 'q' : c;
}

void addRandomBytes(LineMaker& m, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        m.line += anyByte(m);
    }
}

size_t tailLength(LineMaker& m) {
    return below(m, 100) == 0 ? longTail : below(m, 40);
}

// A decimal number after the letter: leading zeros (sometimes 64 KiB of them), then a value
// that may overflow 32 bits. Returns the value modulo 2^32 as the expected handle.
uint32_t addNumber(LineMaker& m) {
    const uint32_t form = below(m, 5);
    if (form == 0) {
        return 0; // no digits at all
    }
    m.line.append(below(m, 50) == 0 ? longTail : below(m, 3), '0');
    uint64_t value = form == 1   ? below(m, 100)
                     : form == 2 ? uint64_t(m.random())
                                 : (uint64_t(m.random()) << 32 | m.random()) >> below(m, 32);
    m.line += std::to_string(static_cast<unsigned long long>(value));
    return uint32_t(value);
}

// What may stand between the letter and the handle, and for which letters it still lets
// the handle be read: after 'a', 'p' and 'l' spaces only; after 'c' a colon only.
struct Gap {
    const char* text;
    bool readsAfterSpaceSkip; // 'a', 'p', 'l'
    bool readsAfterC;
};
const Gap gaps[] = {
    {"", true, false},    {" ", true, false},  {"   ", true, false}, {":", false, true},
    {"\t", false, false}, {"+", false, false}, {"-", false, false},  {" :", false, false},
    {": ", false, false}, {"x", false, false},
};

// A line built of parts whose meaning is known: program name, blanks, separators, the mode
// character, what follows it.
void makeBuiltLine(LineMaker& m) {
    m.line.clear();
    m.known = true;
    const uint32_t nameForm = below(m, 4); // bare, quoted, unterminated quote, none
    if (nameForm == 0 || nameForm == 1 || nameForm == 2) {
        const bool quoted = nameForm != 0;
        if (quoted) {
            m.line += '"';
        }
        for (uint32_t n = 1 + below(m, 30); n > 0; --n) {
            addNameCharacter(m, quoted);
        }
        if (nameForm == 1) {
            m.line += '"';
        }
    }
    // Blanks: at least one after a bare name or none; any control character counts.
    for (uint32_t n = (nameForm == 0 || nameForm == 3) + below(m, 3); n > 0; --n) {
        m.line += below(m, 2) ? ' ' : char(1 + below(m, 32));
    }
    bool hardSeparator = false; // a '-' or '/': blanks after it are no longer cut
    for (uint32_t n = below(m, 5); n > 0; --n) {
        m.line += pick(m, " -/");
        hardSeparator = hardSeparator || m.line.back() != ' ';
    }
    static const char letters[] = "aAcCpPlLsS";
    const uint32_t row = below(m, 7); // end of text, a letter (four weights), another character
    HostMode mode = modeNone;
    uint32_t handle = 0;
    if (row == 0) {
        mode = modeConfigNoOwner;
    } else if (row <= 4) {
        const char letter = letters[below(m, sizeof letters - 1)];
        m.line += letter;
        const char lower = char(letter | 0x20);
        mode = lower == 'a'   ? modePasswordChange
               : lower == 'c' ? modeConfig
               : lower == 's' ? modeFullScreen
                              : modePreview;
        const Gap& gap = gaps[below(m, sizeof gaps / sizeof gaps[0])];
        m.line += gap.text;
        const uint32_t number = addNumber(m);
        const bool reads = lower == 'c' ? gap.readsAfterC : gap.readsAfterSpaceSkip;
        handle = mode != modeFullScreen && reads ? number : 0;
        // What follows the number must not extend it.
        m.line += pick(m, "xX;,.\"/-\xE0\x81\t");
        addRandomBytes(m, tailLength(m));
    } else {
        // Any other character; a blank only after a '-' or '/', as it would be cut before.
        char c;
        do {
            c = char(1 + below(m, 255));
        } while (std::strchr(" -/aAcCpPlLsS", c) ||
                 (static_cast<unsigned char>(c) <= 32 && !hardSeparator));
        m.line += c;
        addRandomBytes(m, tailLength(m));
    }
    if (nameForm == 2) {
        // Everything belongs to the unterminated quoted name.
        for (size_t i = 1; i < m.line.size(); ++i) {
            if (m.line[i] == '"') {
                m.line[i] = 'q';
            }
        }
        mode = modeConfigNoOwner;
        handle = 0;
    }
    m.expected = {mode, handle};
}

void makeRandomLine(LineMaker& m) {
    m.line.clear();
    m.known = false;
    addRandomBytes(m, below(m, 100) == 0 ? longTail : below(m, 300));
}

// The start of a line for a failure message, bytes outside printable ASCII as \xNN.
std::string shown(const std::string& line) {
    std::string out;
    for (size_t i = 0; i < line.size() && i < 80; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c >= 32 && c < 127 ? std::string(1, char(c)) : std::string(hex);
    }
    return out;
}

struct Tally {
    long cases = 0;
    long built = 0;
    long dispatched = 0; // -1 results checked through the real dispatchMode (Windows)
    long outcomes[hostModeCount] = {};
};

// Runs one line; returns false (with a test failure) when the answer is wrong.
bool runLine(const Cutter& cutter, const LineBuffer& buffer, const LineMaker& m, Tally& tally) {
    const char* line = place(buffer, m.line);
    const char* tail = cutter.cut(line);
    if (tail < line || tail > line + m.line.size()) {
        ADD_FAILURE() << "the tail lies outside the line";
        return false;
    }
    const ModeRequest got = parseMode(tail);
    ++tally.cases;
    if (got.mode >= hostModeCount) {
        ADD_FAILURE() << "mode " << got.mode << " is no row of the table";
        return false;
    }
    ++tally.outcomes[got.mode];
    const bool hasHandle =
        got.mode == modeConfig || got.mode == modePasswordChange || got.mode == modePreview;
    if (!hasHandle && got.handle != 0) {
        ADD_FAILURE() << modeNames[got.mode] << " carries a handle";
        return false;
    }
    if (m.known) {
        ++tally.built;
        if (got.mode != m.expected.mode || got.handle != m.expected.handle) {
            ADD_FAILURE() << "line of " << m.line.size() << " bytes starting \"" << shown(m.line)
                          << "\": got " << modeNames[got.mode] << " " << got.handle << ", built as "
                          << modeNames[m.expected.mode] << " " << m.expected.handle;
            return false;
        }
    }
#ifdef _WIN32
    // The rows that show nothing give -1 through the real dispatch: an unknown character,
    // the password change off the 95/98/Me family, a preview handle naming no window.
    const bool showsNothing =
        got.mode == modeNone || got.mode == modePasswordChange ||
        (got.mode == modePreview &&
         !IsWindow(reinterpret_cast<HWND>(static_cast<intptr_t>(int32_t(got.handle)))));
    if (showsNothing) {
        ++tally.dispatched;
        if (dispatchMode(GetModuleHandleA(nullptr), tail) != -1) {
            ADD_FAILURE() << "dispatchMode gave a mode for " << modeNames[got.mode];
            return false;
        }
    }
#endif
    return true;
}

TEST(CommandLineFuzz, EveryLineGivesARowOfTheTableAndNoReadLeavesIt) {
    const LineBuffer buffer = makeLineBuffer();
    ASSERT_NE(buffer.end, nullptr);
    for (const Cutter& cutter : cutters) {
        LineMaker maker;
        Tally tally;
        int failures = 0;
        for (int n = 0; n < casesPerStep && failures < 10; ++n) {
            if (n % 5 < 3) {
                makeBuiltLine(maker);
            } else {
                makeRandomLine(maker);
            }
            failures += runLine(cutter, buffer, maker, tally) ? 0 : 1;
        }
        std::printf("%s: %ld lines (%ld built with a known answer, %ld dispatched)", cutter.name,
                    tally.cases, tally.built, tally.dispatched);
        for (unsigned mode = 0; mode < hostModeCount; ++mode) {
            std::printf("%s %s %ld", mode ? "," : ":", modeNames[mode], tally.outcomes[mode]);
        }
        std::printf("\n");
        EXPECT_EQ(tally.cases, casesPerStep);
        for (long count : tally.outcomes) {
            EXPECT_GT(count, 0) << "an outcome never came up";
        }
    }
}

} // namespace
