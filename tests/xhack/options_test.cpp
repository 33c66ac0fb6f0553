// The X11 hack's accepted command lines, in XScreenSaver's spellings, and what each sets; the
// expected values are written from the options' meaning. Refusals: hack_test.sh options.
#include "frontend/options.h"
#include <gtest/gtest.h>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A parse's result: patterns 1..10, touchAlways touchNever, atiFix, target (0 own window, 1 given,
// 2 root), window id, seed (- when not given), frames, frame time, window size.
std::string summary(const HackOptions& o) {
    std::ostringstream s;
    for (uint32_t flag : o.settings.patternEnabled)
        s << (flag == 1 ? '1' : '0');
    s << ' ' << o.settings.touchAlways << o.settings.touchNever << ' ' << o.settings.atiFix << ' '
      << o.target << ' ' << o.windowId << ' ' << (o.seedGiven ? std::to_string(o.seed) : "-") << ' '
      << o.frames << ' ' << o.frameTime << ' ' << o.width << 'x' << o.height;
    return s.str();
}

const char* const cases[][2] = {
    {"", "1111111111 10 1 0 0 - 0 -1 960x540"},
    {"-patterns 3,1,10", "1010000001 10 1 0 0 - 0 -1 960x540"},
    {"--patterns 2 -touch never", "0100000000 01 1 0 0 - 0 -1 960x540"},
    {"-touch sometimes -no-ati", "1111111111 00 0 0 0 - 0 -1 960x540"},
    {"-no-ati -ati -touch always", "1111111111 10 1 0 0 - 0 -1 960x540"},
    {"--no-pattern1 --no-pattern10 --no-pattern5", "0111011110 10 1 0 0 - 0 -1 960x540"},
    {"-patterns 4 -no-pattern4", "0000000000 10 1 0 0 - 0 -1 960x540"},
    {"-window-id 0x2a00007", "1111111111 10 1 1 44040199 - 0 -1 960x540"},
    {"-root -window-id 44040199", "1111111111 10 1 1 44040199 - 0 -1 960x540"},
    {"-window-id 5 -root", "1111111111 10 1 2 5 - 0 -1 960x540"},
    {"-seed 4294967295 -frames 300 -frame-time 0.02 -geometry 1280x720 -shot x.png",
     "1111111111 10 1 0 0 4294967295 300 0.02 1280x720"},
    {"-seed 0 -frame-time 0", "1111111111 10 1 0 0 0 0 0 960x540"},
};

TEST(HackOptions, EachLineSetsWhatItSays) {
    for (const auto& c : cases) {
        std::string line = std::string("clackmoor ") + c[0];
        std::vector<char*> argv;
        for (char* word = std::strtok(&line[0], " "); word; word = std::strtok(nullptr, " "))
            argv.push_back(word);
        HackOptions o;
        OptionProblem problem;
        ASSERT_TRUE(parseHackOptions(static_cast<int>(argv.size()), argv.data(), o, problem))
            << c[0] << ": " << problem.text;
        EXPECT_EQ(summary(o), c[1]) << c[0];
    }
}

} // namespace
