// Times loadSettings under Wine with the option key present, as the running saver meets it at
// every event. Google Benchmark is not built for MinGW, so this is a small harness of its own:
// batches of calls timed with the performance counter, median and spread of the batches.
// Prints one line: "loadSettings <median ns> <min ns> <max ns> <batches> <calls per batch>".
#include "settings/settings.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int batchCount = 9;
constexpr double batchSeconds = 0.2; // long enough to dwarf the counter's resolution

// The timer's state and results, one instance.
struct Timing {
    double ticksPerSecond;
    int callsPerBatch;
    double nsPerCall[batchCount];
};
Timing timing;

double secondsNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / timing.ticksPerSecond;
}

// Seconds taken by `calls` loads in a row.
double timeLoads(int calls) {
    const double start = secondsNow();
    for (int i = 0; i < calls; ++i)
        loadSettings();
    return secondsNow() - start;
}

} // namespace

int main() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    timing.ticksPerSecond = double(frequency.QuadPart);

    // A load without the key gives the defaults; saving them makes the key with all thirteen
    // values, so every timed load opens the key and finds each value.
    loadSettings();
    saveSettings();

    const double probe = timeLoads(200); // also the warm-up
    timing.callsPerBatch = std::max(100, int(batchSeconds / (probe / 200)));
    for (int b = 0; b < batchCount; ++b)
        timing.nsPerCall[b] = timeLoads(timing.callsPerBatch) * 1e9 / timing.callsPerBatch;

    double sorted[batchCount];
    std::copy(timing.nsPerCall, timing.nsPerCall + batchCount, sorted);
    std::sort(sorted, sorted + batchCount);
    std::printf("loadSettings %.0f %.0f %.0f %d %d\n", sorted[batchCount / 2], sorted[0],
                sorted[batchCount - 1], batchCount, timing.callsPerBatch);
    return 0;
}
