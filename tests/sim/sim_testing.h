// Helpers shared by the simulation tests: the launch settings and the generator run backwards.
#pragma once
#include "settings/settings.h"
#include "sim/sim.h"

#include <cstdint>

enum class TouchMode { always, sometimes, never };

// Enables only the patterns in `mask` (bit n-1 for pattern n) and sets the touching mode.
inline void setLaunchSettings(unsigned mask, TouchMode mode) {
    for (int n = 1; n <= patternCount; ++n)
        cradleSettings.patternEnabled[n - 1] = (mask >> (n - 1)) & 1u;
    cradleSettings.touchAlways = mode == TouchMode::always;
    cradleSettings.touchNever = mode == TouchMode::never;
}

inline unsigned onlyPattern(LaunchPattern n) {
    return 1u << (n - 1);
}

// The generator state from which the next draw is `value` (0 to 32767): the C runtime's step
// x' = 214013 x + 2531011 (mod 2^32) run backwards, with Newton's inverse of the multiplier.
inline uint32_t seedForDraw(int value) {
    uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 214013u * inverse;
    return ((uint32_t(value) << 16) - 2531011u) * inverse;
}
