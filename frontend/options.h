// The Linux front ends' command line, in XScreenSaver's style. Portable: no X11 or Wayland
// header, so the native tests check the parser on its own.
#pragma once
#include <cstdint>

#include "settings/settings.h"

// Where the hack draws.
enum HackTarget : int {
    ownWindow,   // -window: a window of its own (the default)
    givenWindow, // -window-id ID, or $XSCREENSAVER_WINDOW
    rootWindow,  // -root
};

struct HackOptions {
    CradleSettings settings; // what the Windows saver would load from its option key
    HackTarget target;
    bool targetGiven;       // -window, -window-id or -root on the command line
    unsigned long windowId; // givenWindow
    const char* display;    // -display NAME, or nullptr for $DISPLAY
    int32_t width, height;  // -geometry WxH of the own window
    bool seedGiven;
    uint32_t seed;    // -seed: the generator's seed just before the launch
    bool showFps;     // -fps
    long frames;      // -frames N: draw N frames, then end; 0 for no end
    double frameTime; // -frame-time T: seconds per step; negative for the clock
    const char* shot; // -shot FILE.png: the last frame's picture (needs -frames)
    bool help;        // -help
};

constexpr int32_t defaultWindowWidth = 960;
constexpr int32_t defaultWindowHeight = 540;

// The one-line reason of a refusal.
struct OptionProblem {
    char text[160];
};

// Fills `options` from argv (defaults where absent). Returns false, with the reason in
// `problem`, on the first option that is unknown, lacks its value or has a bad one.
bool parseHackOptions(int argc, char** argv, HackOptions& options, OptionProblem& problem);
// The Wayland front end's: the same options and defaults, without those that name an X window,
// display or size (-window, -root, -window-id, -display, -geometry), which it refuses.
bool parseWaylandOptions(int argc, char** argv, HackOptions& options, OptionProblem& problem);
// A window id as XScreenSaver hands it: decimal or 0x hex, nonzero. False when it is not one.
bool parseWindowId(const char* text, unsigned long& id);

extern const char hackUsage[];
extern const char waylandUsage[];

// Which front end's command line.
enum FrontEnd : int {
    x11Front,     // clackmoor, the XScreenSaver hack
    waylandFront, // clackmoor-wayland
};

// The command line as a front end's main takes it: parsed into `options`, and its settings
// made the ones the scene core draws with. A bad one gets its reason in one line and the usage
// on stderr (status 2), -help the usage on stdout (status 0); -1 when the program goes on.
int takeCommandLine(int argc, char** argv, FrontEnd front, HackOptions& options);
