// The per-user options: the record in memory, its persisted form, and the store.
// The record and the field table are portable; loadSettings/saveSettings are built
// only for Windows (the registry).
#pragma once
#include <cstdint>

constexpr int patternCount = 10;

// One process-wide instance; every field 0 at process start.
struct CradleSettings {
    uint32_t patternEnabled[patternCount]; // entry n-1 enables launch pattern n when exactly 1
    uint32_t touchAlways;                  // nonzero: raised balls start pressed together
    uint32_t touchNever;                   // nonzero: raised balls always start apart (wins)
    uint32_t atiFix;                       // nonzero: strings drawn as quads
};
extern CradleSettings cradleSettings;

void loadSettings();
void saveSettings();
