// The command-line parser against hostile lines: a table of lines and their modes, then random
// lines. Each line ends at its buffer's end (a no-access page on Windows, AddressSanitizer's
// red zone natively), so a read past it faults.
#include "host/cmdline.h"
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#ifdef _WIN32
#include "host/host.h"
#endif

namespace {

constexpr size_t longTail = 64 * 1024; // bytes

// A lead byte of code pages 932 and 936 and a non-zero byte after it are one character.
const char* dbcsStep(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return !c ? p : lead && p[1] ? p + 2 : p + 1;
}

const char* (*const cutters[])(const char*) = {
    [](const char* line) { return cutProgramName(line, nextByte); },
    [](const char* line) { return cutProgramName(line, dbcsStep); },
#ifdef _WIN32
    commandTail,
    [](const char* line) {
        return cutProgramName(line,
                              [](const char* p) -> const char* { return CharNextExA(932, p, 0); });
    },
#endif
};

// The line's terminating 0 is the buffer's last byte; null (the test crashes) without the guard.
char* bufferEnd() {
    const size_t capacity = longTail + 4096;
#ifdef _WIN32
    char* base = static_cast<char*>(
        VirtualAlloc(nullptr, capacity + 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    return base && VirtualProtect(base + capacity, 4096, PAGE_NOACCESS, &old) ? base + capacity
                                                                              : nullptr;
#else
    static std::vector<char> storage(capacity); // exactly this size: the red zone follows
    return storage.data() + capacity;
#endif
}

ModeRequest run(const char* (*cut)(const char*), const std::string& line) {
    static char* const end = bufferEnd();
    char* start = end - (line.size() + 1);
    std::memcpy(start, line.c_str(), line.size() + 1);
    const char* tail = cut(start);
    EXPECT_TRUE(tail >= start && tail <= start + line.size()) << "the tail leaves the line";
    const ModeRequest got = parseMode(tail);
    EXPECT_LT(got.mode, hostModeCount);
    const bool readsHandle =
        got.mode == modeConfig || got.mode == modePasswordChange || got.mode == modePreview;
    EXPECT_TRUE(readsHandle || got.handle == 0) << "mode " << got.mode << " carries a handle";
    return got;
}

TEST(CommandLine, HostileLinesGiveTheirRows) {
    const struct {
        const char* line;
        HostMode mode;
        uint32_t handle;
    } rows[] = {
        {"", modeConfigNoOwner, 0},
        {"a.scr \t\x01 - / -", modeConfigNoOwner, 0},
        {"clackmoor.scr \t\x01 /c:123 ", modeConfig, 123},
        {"\"C:\\un terminated.scr /s /p 5", modeConfigNoOwner, 0},
        {"\"C:\\\x81\x41 b\\c s.scr\"/S", modeFullScreen, 0},
        {"\x81\x41\xE0\x7E.scr --/ /s:12", modeFullScreen, 0},
        {" s", modeFullScreen, 0},
        {"a.scr /c:0079x", modeConfig, 79},
        {"a.scr -C:4294967306", modeConfig, 10}, // modulo 2^32
        {"a.scr /c 12", modeConfig, 0},          // the colon must follow the letter
        {"a.scr /p   12;", modePreview, 12},
        {"a.scr -L4294967295", modePreview, 4294967295u},
        {"a.scr /p\t12", modePreview, 0},
        {"a.scr /p:12", modePreview, 0},
        {"a.scr /p99999999", modePreview, 99999999},
        {"a.scr -l", modePreview, 0},
        {"a.scr /a 5", modePasswordChange, 5},
        {"a.scr /a", modePasswordChange, 0},
        {"a.scr /x", modeNone, 0},
        {"a.scr /\ts", modeNone, 0},
        {"a.scr +s", modeNone, 0},
        {"a.scr \xE0s", modeNone, 0},
        {"\"a.scr\"\"/s", modeNone, 0},
    };
    for (auto cut : cutters) {
        for (const auto& row : rows) {
            const ModeRequest got = run(cut, row.line);
            EXPECT_EQ(std::make_pair(got.mode, got.handle), std::make_pair(row.mode, row.handle))
                << ::testing::PrintToString(row.line);
        }
        EXPECT_EQ(run(cut, "x /p " + std::string(longTail, '0') + "77").handle, 77u);
    }
}

// Random lines, mostly of the bytes the parser looks at: every row of the table comes up.
TEST(CommandLine, RandomLinesGiveSomeRowAndNoReadLeavesTheLine) {
    static const char parsed[] = " -/\"\t:0123456789aAcCpPlLsSxX+\x81\xE0\xFF\x01";
    for (auto cut : cutters) {
        std::mt19937 random(20261207u); // fixed: a failure repeats
        long seen[hostModeCount] = {};
        std::string line;
        for (int n = 0; n < 40000 && !HasFailure(); ++n) {
            line.clear();
            const size_t length = random() % 100 ? random() % 40 : longTail;
            for (size_t i = 0; i < length; ++i)
                line += random() % 3 ? parsed[random() % (sizeof parsed - 1)]
                                     : char(1 + random() % 255);
            ++seen[run(cut, line).mode];
        }
        for (long count : seen)
            EXPECT_GT(count, 0) << "a row never came up";
    }
}

} // namespace
