// The constant arrays that embed-assets writes into the build tree (embedded.cpp there).
// Private to the assets library: the rest of the program reads them through assets/assets.h.
#pragma once
#include <cstdint>
#include "assets/assets.h"

extern const StandVertex embeddedPost[84];
extern const StandVertex embeddedRail[168];
extern const float embeddedLug[60];
// The texels of each texture by name - 1, textureBytes(name) bytes each.
extern const uint8_t* const embeddedTexels[textureCount];
