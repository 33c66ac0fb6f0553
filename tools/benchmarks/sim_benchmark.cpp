// The simulation's share of a frame, natively: one swing step, and the frame clock's count.
#include "sim/sim.h"
#include <benchmark/benchmark.h>

namespace {

// One ball raised on the left and swinging into the resting four: every step then runs the
// contact checks with a moving run, the common case of a running saver.
void raiseLeftBall() {
    clearBallTable();
    ballTable.balls[0].time = 45.0; // seconds; hangs raised on the left
    ballTable.balls[0].angle = 1.0;
}

void stepSwingBenchmark(benchmark::State& state) {
    raiseLeftBall();
    const double frameTime = 1.0 / 60.0; // seconds
    for (auto _ : state) {
        stepSwing(frameTime);
        benchmark::DoNotOptimize(ballTable);
    }
}
BENCHMARK(stepSwingBenchmark)->Name("stepSwing");

void countFrameBenchmark(benchmark::State& state) {
    restartFrameClock();
    for (auto _ : state) {
        countFrame();
        benchmark::DoNotOptimize(frameClock);
    }
}
BENCHMARK(countFrameBenchmark)->Name("countFrame");

} // namespace

BENCHMARK_MAIN();
