// The scenery counters: what turns the stand and the floor discs and drifts the backdrop.
// Portable: no Windows or GL header, so the long-run behaviour is tested natively.
#pragma once
#include <cstdint>

// Turn rates in degrees a frame. After turnPeriod frames all of them are back at whole
// turns (3600, 11160 and -8280 degrees).
constexpr double standTurnRate = 0.1;
constexpr double lowerFloorTurnRate = 0.31;
constexpr double upperFloorTurnRate = -0.23;
constexpr int32_t turnPeriod = 36000; // frames

constexpr double backdropScrollStep = -0.02; // scroll units a frame
constexpr double backdropShiftScale = 0.02;  // texture s per scroll unit
// The backdrop texture repeats every whole unit of s, i.e. every 50 scroll units.
constexpr float backdropScrollPeriod = 50.0f;

// One instance per process, zero at start; never reset, not even by a new window.
struct SceneryCounters {
    int32_t turnCounter;  // frames, 1 to turnPeriod once a frame has been drawn
    float backdropScroll; // scroll units, -0.02 a frame
};
extern SceneryCounters sceneryCounters;

// Once at the start of every frame.
void advanceScenery();
// turnCounter x rate in degrees, computed in double, handed to GL in single precision.
float sceneryTurn(double rate);
// The backdrop's texture shift along s.
float backdropShift();
