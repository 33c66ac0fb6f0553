// Helpers shared by the simulation tests: settings set-up and a generator to check against.
#pragma once
#include "settings/settings.h"
#include "sim/sim.h"

#include <cstdint>

enum class TouchMode { always, sometimes, never, both };

// Enables only the patterns in `mask` (bit n-1 for pattern n) and sets the touching mode.
inline void setLaunchSettings(unsigned mask, TouchMode mode) {
    for (int n = 1; n <= patternCount; ++n) {
        cradleSettings.patternEnabled[n - 1] = (mask >> (n - 1)) & 1u;
    }
    cradleSettings.touchAlways = mode == TouchMode::always || mode == TouchMode::both ? 1 : 0;
    cradleSettings.touchNever = mode == TouchMode::never || mode == TouchMode::both ? 1 : 0;
}

inline unsigned onlyPattern(LaunchPattern n) {
    return 1u << (n - 1);
}

constexpr uint32_t randMultiplier = 214013u;
constexpr uint32_t randIncrement = 2531011u;

// The generator state from which the next draw yields `value` (0 to 32767).
inline uint32_t seedForDraw(int value) {
    // The multiplier's inverse modulo 2^32: each step doubles the number of low bits in which
    // multiplier x inverse is already 1, so five steps from 3 right bits cover all 32.
    uint32_t inverse = randMultiplier;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - randMultiplier * inverse;
    }
    const uint32_t next = uint32_t(value) << 16;
    return (next - randIncrement) * inverse;
}

// An independent copy of the sequence, to predict what the launch draws.
struct ReferenceDraws {
    uint32_t state;
    double next() {
        state = state * randMultiplier + randIncrement;
        return double((state >> 16) & 0x7fffu) / 32768.0;
    }
};
