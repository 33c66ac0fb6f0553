// The X11 front end's command line: what each accepted line sets, in XScreenSaver's
// spellings. The refusals are checked on the real program (hack_test.sh options).
#include <gtest/gtest.h>

#include "xhack/options.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Expected values written out from the options' meaning, not from the parser's tables.
struct OptionCase {
    std::vector<const char*> args;
    const char* patterns; // '1' per enabled pattern 1..10
    uint32_t touchAlways, touchNever, atiFix;
    HackTarget target;
    unsigned long windowId;
    bool seedGiven;
    uint32_t seed;
    long frames;
    double frameTime;
    int32_t width, height;
};

// One case a row.
// clang-format off
const OptionCase optionCases[] = {
    {{}, "1111111111", 1, 0, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"-patterns", "3,1,10"}, "1010000001", 1, 0, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"--patterns", "2", "-touch", "never"}, "0100000000", 0, 1, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"-touch", "sometimes", "-no-ati"}, "1111111111", 0, 0, 0, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"-no-ati", "-ati", "-touch", "always"}, "1111111111", 1, 0, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    // The config file's check boxes: each unticked one adds its --no-patternN.
    {{"--no-pattern1", "--no-pattern10", "--no-pattern5"}, "0111011110", 1, 0, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"-no-pattern1", "-no-pattern2", "-no-pattern3", "-no-pattern4", "-no-pattern5", "-no-pattern6",
      "-no-pattern7", "-no-pattern8", "-no-pattern9", "-no-pattern10"}, "0000000000", 1, 0, 1, ownWindow, 0, false, 0, 0, -1.0, 960, 540},
    {{"-window-id", "0x2a00007"}, "1111111111", 1, 0, 1, givenWindow, 0x2a00007, false, 0, 0, -1.0, 960, 540},
    {{"-root", "-window-id", "44040199"}, "1111111111", 1, 0, 1, givenWindow, 44040199, false, 0, 0, -1.0, 960, 540},
    {{"-window-id", "5", "-root"}, "1111111111", 1, 0, 1, rootWindow, 5, false, 0, 0, -1.0, 960, 540},
    {{"-seed", "4294967295", "-frames", "300", "-frame-time", "0.02", "-geometry", "1280x720", "-shot", "x.png"},
     "1111111111", 1, 0, 1, ownWindow, 0, true, 4294967295u, 300, 0.02, 1280, 720},
    {{"-seed", "0", "-frame-time", "0"}, "1111111111", 1, 0, 1, ownWindow, 0, true, 0, 0, 0.0, 960, 540},
};
// clang-format on

TEST(HackOptions, EachLineSetsWhatItSays) {
    for (const OptionCase& c : optionCases) {
        std::vector<char*> argv = {const_cast<char*>("clackmoor")};
        std::string line;
        for (const char* a : c.args) {
            argv.push_back(const_cast<char*>(a));
            line += std::string(" ") + a;
        }
        HackOptions o;
        OptionProblem problem;
        ASSERT_TRUE(parseHackOptions(static_cast<int>(argv.size()), argv.data(), o, problem))
            << line << ": " << problem.text;
        std::string enabled;
        for (uint32_t flag : o.settings.patternEnabled)
            enabled += flag == 1 ? '1' : '0';
        EXPECT_EQ(enabled, c.patterns) << line;
        EXPECT_EQ(o.settings.touchAlways, c.touchAlways) << line;
        EXPECT_EQ(o.settings.touchNever, c.touchNever) << line;
        EXPECT_EQ(o.settings.atiFix, c.atiFix) << line;
        EXPECT_EQ(o.target, c.target) << line;
        EXPECT_EQ(o.windowId, c.windowId) << line;
        EXPECT_EQ(o.seedGiven, c.seedGiven) << line;
        EXPECT_EQ(o.seed, c.seed) << line;
        EXPECT_EQ(o.frames, c.frames) << line;
        EXPECT_EQ(o.frameTime, c.frameTime) << line;
        EXPECT_EQ(o.width, c.width) << line;
        EXPECT_EQ(o.height, c.height) << line;
    }
}

} // namespace
