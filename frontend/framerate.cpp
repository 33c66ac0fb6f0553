// The -fps line: "R fps, step S ms, N frames".
#include "frontend/framerate.h"
#include "sim/sim.h"

#include <cstdio>

void restartFrameRate(FrameRateReport& report, double now) {
    report.since = now;
    report.frames = 0;
}

void countFrameRate(FrameRateReport& report, double now, long framesDrawn) {
    ++report.frames;
    if (now - report.since < 1.0)
        return;
    std::printf("%.1f fps, step %.2f ms, %ld frames\n", report.frames / (now - report.since),
                frameClock.frameTime * 1000.0, framesDrawn);
    std::fflush(stdout);
    restartFrameRate(report, now);
}
