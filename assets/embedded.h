// The constant arrays that embed-assets writes into the build tree (embedded.cpp there).
// Private to the assets library: the rest of the program reads them through assets/assets.h.
#pragma once
#include <cstdint>
#include "assets/assets.h"

extern const StandVertex embeddedPost[84];
extern const StandVertex embeddedRail[168];
extern const float embeddedLug[60];
extern const uint8_t embeddedBackdrop[131072];
extern const uint8_t embeddedLattice[16384];
extern const uint8_t embeddedRing[16384];
extern const uint8_t embeddedStand[49152];
extern const uint8_t embeddedBall[12288];
