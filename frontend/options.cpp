// The command line of the Linux front ends: XScreenSaver-style options (one or two leading
// dashes) into a settings record and the run's choices.
#include "frontend/options.h"
#include "frontend/wholenumber.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char hackUsage[] =
    "usage: clackmoor [-window | -root | -window-id ID] [-display NAME] [-geometry WxH]\n"
    "                 [-patterns LIST] [-no-patternN] [-touch always|sometimes|never]\n"
    "                 [-ati | -no-ati] [-seed N] [-fps]\n"
    "                 [-frames N] [-frame-time SECONDS] [-shot FILE.png] [-help]\n"
    "  LIST: launch patterns 1 to 10, comma-separated (default all)\n";

const char waylandUsage[] =
    "usage: clackmoor-wayland [-patterns LIST] [-no-patternN] [-touch always|sometimes|never]\n"
    "                         [-ati | -no-ati] [-seed N] [-fps]\n"
    "                         [-frames N] [-frame-time SECONDS] [-shot FILE.png] [-help]\n"
    "  LIST: launch patterns 1 to 10, comma-separated (default all)\n";

static bool refuse(OptionProblem& problem, const char* format, const char* what) {
    std::snprintf(problem.text, sizeof problem.text, format, what);
    return false;
}

bool parseWindowId(const char* text, unsigned long& id) {
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    // X ids are 29 bits; a stray sign or "0x" alone is no id.
    if (hex && text[2] == '\0')
        return false;
    return parseWhole(hex ? text + 2 : text, 1, 0x1FFFFFFFul, hex ? 16 : 10, id);
}

// "1,3,10": enables exactly those patterns.
static bool parsePatterns(const char* text, CradleSettings& settings) {
    uint32_t enabled[patternCount] = {};
    const char* at = text;
    for (;;) {
        char* end = nullptr;
        if (*at < '0' || *at > '9')
            return false;
        errno = 0;
        long n = std::strtol(at, &end, 10);
        if (errno != 0 || n < 1 || n > patternCount)
            return false;
        enabled[n - 1] = 1;
        at = end;
        if (*at == '\0')
            break;
        if (*at++ != ',')
            return false;
    }
    std::memcpy(settings.patternEnabled, enabled, sizeof enabled);
    return true;
}

// The dialog's three radio buttons: Always, Sometimes, Never.
static bool parseTouch(const char* text, CradleSettings& settings) {
    static const struct {
        const char* name;
        uint32_t always, never;
    } modes[] = {{"always", 1, 0}, {"sometimes", 0, 0}, {"never", 0, 1}};
    for (const auto& mode : modes) {
        if (std::strcmp(text, mode.name) == 0) {
            settings.touchAlways = mode.always;
            settings.touchNever = mode.never;
            return true;
        }
    }
    return false;
}

static bool parseGeometry(const char* text, int32_t& width, int32_t& height) {
    unsigned long w = 0, h = 0;
    const char* x = std::strchr(text, 'x');
    if (x == nullptr || x - text > 5)
        return false;
    char part[6] = {};
    std::memcpy(part, text, static_cast<size_t>(x - text));
    if (!parseWhole(part, 1, 16384, 10, w) || !parseWhole(x + 1, 1, 16384, 10, h))
        return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

static void applyHackDefaults(HackOptions& o) {
    o = HackOptions{};
    applyDefaultSettings(o.settings); // every pattern, touching always, the ATI fix on
    o.target = ownWindow;
    o.width = defaultWindowWidth;
    o.height = defaultWindowHeight;
    o.frameTime = -1.0;
}

// An option without a value. Returns false when `name` is none of them.
static bool takeFlag(const char* name, HackOptions& o) {
    unsigned long n = 0;
    if (std::strcmp(name, "window") == 0) {
        o.target = ownWindow;
    } else if (std::strcmp(name, "root") == 0) {
        o.target = rootWindow;
    } else if (std::strcmp(name, "ati") == 0) {
        o.settings.atiFix = 1;
    } else if (std::strcmp(name, "no-ati") == 0) {
        o.settings.atiFix = 0;
    } else if (std::strcmp(name, "fps") == 0) {
        o.showFps = true;
    } else if (std::strcmp(name, "help") == 0) {
        o.help = true;
    } else if (std::strncmp(name, "no-pattern", 10) == 0 && name[10] != 's' &&
               parseWhole(name + 10, 1, patternCount, 10, n)) {
        o.settings.patternEnabled[n - 1] = 0;
    } else {
        return false;
    }
    if (std::strcmp(name, "window") == 0 || std::strcmp(name, "root") == 0)
        o.targetGiven = true;
    return true;
}

// An option with a value; `known` is false when `name` is none of them. False when the value
// is refused (or missing).
static bool takeValue(const char* name, const char* value, HackOptions& o, bool& known,
                      OptionProblem& problem) {
    static const char* const valueOptions[] = {"window-id", "display",    "geometry",
                                               "patterns",  "touch",      "seed",
                                               "frames",    "frame-time", "shot"};
    known = false;
    for (const char* option : valueOptions)
        known = known || std::strcmp(name, option) == 0;
    if (!known || value == nullptr)
        return false;
    unsigned long n = 0;
    if (std::strcmp(name, "window-id") == 0) {
        if (!parseWindowId(value, o.windowId))
            return refuse(problem, "-window-id takes a window id, decimal or 0x hex, not %s",
                          value);
        o.target = givenWindow;
        o.targetGiven = true;
    } else if (std::strcmp(name, "display") == 0) {
        o.display = value;
    } else if (std::strcmp(name, "geometry") == 0) {
        if (!parseGeometry(value, o.width, o.height))
            return refuse(problem, "-geometry takes WIDTHxHEIGHT in pixels, not %s", value);
    } else if (std::strcmp(name, "patterns") == 0) {
        if (!parsePatterns(value, o.settings))
            return refuse(problem, "-patterns takes numbers 1 to 10 separated by commas, not %s",
                          value);
    } else if (std::strcmp(name, "touch") == 0) {
        if (!parseTouch(value, o.settings))
            return refuse(problem, "-touch takes always, sometimes or never, not %s", value);
    } else if (std::strcmp(name, "seed") == 0) {
        if (!parseWhole(value, 0, 0xFFFFFFFFul, 10, n))
            return refuse(problem, "-seed takes a whole number from 0 to 4294967295, not %s",
                          value);
        o.seed = static_cast<uint32_t>(n);
        o.seedGiven = true;
    } else if (std::strcmp(name, "frames") == 0) {
        if (!parseWhole(value, 1, 100000000, 10, n))
            return refuse(problem, "-frames takes a whole number of at least 1, not %s", value);
        o.frames = static_cast<long>(n);
    } else if (std::strcmp(name, "frame-time") == 0) {
        char* end = nullptr;
        double t = std::strtod(value, &end);
        if (end == value || *end != '\0' || !(t >= 0.0 && t <= 10.0))
            return refuse(problem, "-frame-time takes seconds from 0 to 10, not %s", value);
        o.frameTime = t;
    } else if (std::strcmp(name, "shot") == 0) {
        if (value[0] == '\0')
            return refuse(problem, "-shot takes a file name%s", "");
        o.shot = value;
    }
    return true;
}

// What names an X window, display or size: a Wayland compositor gives those itself.
static bool namesX11(const char* name) {
    static const char* const x11Options[] = {"window", "root", "window-id", "display", "geometry"};
    for (const char* option : x11Options) {
        if (std::strcmp(name, option) == 0)
            return true;
    }
    return false;
}

static bool parseOptions(int argc, char** argv, bool x11, HackOptions& o, OptionProblem& problem) {
    applyHackDefaults(o);
    problem.text[0] = '\0';
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-')
            return refuse(problem, "unexpected argument %s", arg);
        const char* name = arg + (arg[1] == '-' ? 2 : 1);
        if (!x11 && namesX11(name))
            return refuse(problem, "unknown option %s", arg);
        if (takeFlag(name, o))
            continue;
        bool known = false;
        if (i + 1 == argc) {
            takeValue(name, nullptr, o, known, problem);
            return refuse(problem, known ? "%s needs a value" : "unknown option %s", arg);
        }
        if (!takeValue(name, argv[i + 1], o, known, problem))
            return known ? false : refuse(problem, "unknown option %s", arg);
        ++i;
    }
    if (o.shot != nullptr && o.frames == 0)
        return refuse(problem, "-shot needs -frames%s", "");
    return true;
}

bool parseHackOptions(int argc, char** argv, HackOptions& options, OptionProblem& problem) {
    return parseOptions(argc, argv, true, options, problem);
}

bool parseWaylandOptions(int argc, char** argv, HackOptions& options, OptionProblem& problem) {
    return parseOptions(argc, argv, false, options, problem);
}

int takeCommandLine(int argc, char** argv, FrontEnd front, HackOptions& options) {
    const bool x11 = front == x11Front;
    const char* usage = x11 ? hackUsage : waylandUsage;
    OptionProblem problem;
    if (!parseOptions(argc, argv, x11, options, problem)) {
        std::fprintf(stderr, "%s: %s\n%s", x11 ? "clackmoor" : "clackmoor-wayland", problem.text,
                     usage);
        return 2;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    cradleSettings = options.settings;
    return -1;
}
