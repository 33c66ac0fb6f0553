// cradle-sim: runs the cradle simulation without a window and prints the launch and the
// ball table after every step, for tests, for checking a launch by hand and for plots.
#include "settings/settings.h"
#include "sim/sim.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char usage[] =
    "usage: cradle-sim [--seed N] [--patterns LIST|none] [--touch always|sometimes|never|both]\n"
    "                  [--frames N] [--frame-time SECONDS]\n";

struct SimToolOptions {
    bool seeded;
    uint32_t seed;
    uint32_t patternEnabled[patternCount];
    uint32_t touchAlways;
    uint32_t touchNever;
    long frames;
    double frameTime; // seconds
};

static int badArguments(const char* what, const char* value) {
    std::fprintf(stderr, "cradle-sim: %s: '%s'\n%s", what, value, usage);
    return 2;
}

// A plain decimal number from 0 to max, nothing before or after it.
static bool parseCount(const char* text, unsigned long long max, unsigned long long* out) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > max) {
        return false;
    }
    *out = value;
    return true;
}

// A finite, non-negative number of seconds.
static bool parseSeconds(const char* text, double* out) {
    if (*text == '\0' || std::strchr(" \t\n\v\f\r", *text) != nullptr) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || !(value >= 0.0)) {
        return false;
    }
    *out = value;
    return true;
}

// "none", or pattern numbers 1 to 10 separated by single commas.
static bool parsePatterns(const char* text, uint32_t* enabled) {
    for (int n = 0; n < patternCount; ++n) {
        enabled[n] = 0;
    }
    if (std::strcmp(text, "none") == 0) {
        return true;
    }
    char item[8];
    const char* p = text;
    for (;;) {
        const size_t length = std::strcspn(p, ",");
        if (length == 0 || length >= sizeof item) {
            return false;
        }
        std::memcpy(item, p, length);
        item[length] = '\0';
        unsigned long long n = 0;
        if (!parseCount(item, patternCount, &n) || n < 1) {
            return false;
        }
        enabled[n - 1] = 1;
        if (p[length] == '\0') {
            return true;
        }
        p += length + 1;
    }
}

static bool parseTouch(const char* text, SimToolOptions* options) {
    const char* names[4] = {"always", "sometimes", "never", "both"};
    const uint32_t always[4] = {1, 0, 0, 1};
    const uint32_t never[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        if (std::strcmp(text, names[i]) == 0) {
            options->touchAlways = always[i];
            options->touchNever = never[i];
            return true;
        }
    }
    return false;
}

// Fills options from argv; returns 0, or the exit status after reporting the fault.
static int parseArguments(int argc, char** argv, SimToolOptions* options) {
    *options = SimToolOptions{};
    for (int n = 0; n < patternCount; ++n) {
        options->patternEnabled[n] = 1;
    }
    options->touchAlways = 1;
    options->frameTime = 0.02;
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (std::strcmp(name, "--help") == 0) {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        const bool known =
            std::strcmp(name, "--seed") == 0 || std::strcmp(name, "--patterns") == 0 ||
            std::strcmp(name, "--touch") == 0 || std::strcmp(name, "--frames") == 0 ||
            std::strcmp(name, "--frame-time") == 0;
        if (!known) {
            return badArguments("unknown argument", name);
        }
        if (i + 1 >= argc) {
            return badArguments("missing value after", name);
        }
        const char* value = argv[++i];
        unsigned long long number = 0;
        if (std::strcmp(name, "--seed") == 0) {
            if (!parseCount(value, UINT32_MAX, &number)) {
                return badArguments("--seed wants a number from 0 to 4294967295", value);
            }
            options->seeded = true;
            options->seed = uint32_t(number);
        } else if (std::strcmp(name, "--patterns") == 0) {
            if (!parsePatterns(value, options->patternEnabled)) {
                return badArguments("--patterns wants numbers 1 to 10 joined by commas, or none",
                                    value);
            }
        } else if (std::strcmp(name, "--touch") == 0) {
            if (!parseTouch(value, options)) {
                return badArguments("--touch wants always, sometimes, never or both", value);
            }
        } else if (std::strcmp(name, "--frames") == 0) {
            if (!parseCount(value, 1000000000, &number)) {
                return badArguments("--frames wants a number from 0 to 1000000000", value);
            }
            options->frames = long(number);
        } else if (!parseSeconds(value, &options->frameTime)) {
            return badArguments("--frame-time wants a finite number of seconds, 0 or more", value);
        }
    }
    return 0;
}

static void printFrame(long frame) {
    std::printf("%ld", frame);
    for (int i = 0; i < ballCount; ++i) {
        const BallState& ball = ballTable.balls[i];
        std::printf(" %.17g %.17g %.17g %.17g", ball.time, ball.angle, ball.x, ball.y);
    }
    std::printf("\n");
}

int main(int argc, char** argv) {
    SimToolOptions options;
    const int status = parseArguments(argc, argv, &options);
    if (status != 0) {
        return status;
    }
    for (int n = 0; n < patternCount; ++n) {
        cradleSettings.patternEnabled[n] = options.patternEnabled[n];
    }
    cradleSettings.touchAlways = options.touchAlways;
    cradleSettings.touchNever = options.touchNever;

    clearBallTable();
    if (options.seeded) {
        seedRandom(options.seed);
    }
    const uint32_t drawsBefore = randomGenerator.drawCount;
    launchFirstPattern();
    std::printf("pattern %d draws %u\n", ballTable.launchedPattern,
                randomGenerator.drawCount - drawsBefore);

    printFrame(0);
    for (long f = 1; f <= options.frames; ++f) {
        stepSwing(options.frameTime);
        printFrame(f);
    }
    return 0;
}
