// The process-wide options record and the one table of its persisted fields.
#include "settings/settings.h"

CradleSettings cradleSettings;

// Persisted order: the ten pattern flags, the two touching flags, the ATI work-around.
// TouchBox1/2 are shown by the Always (1023) and Never (1025) radio buttons; 1022 is unused.
const SettingsField settingsFields[settingsFieldCount] = {
    {"Type1", 1, 1012},   {"Type2", 1, 1013},  {"Type3", 1, 1014},     {"Type4", 1, 1015},
    {"Type5", 1, 1016},   {"Type6", 1, 1017},  {"Type7", 1, 1018},     {"Type8", 1, 1019},
    {"Type9", 1, 1020},   {"Type10", 1, 1021}, {"TouchBox1", 1, 1023}, {"TouchBox2", 0, 1025},
    {"ATI fix", 1, 1026},
};

uint32_t& settingsField(CradleSettings& settings, int index) {
    if (index < patternCount)
        return settings.patternEnabled[index];
    if (index == patternCount)
        return settings.touchAlways;
    if (index == patternCount + 1)
        return settings.touchNever;
    return settings.atiFix;
}

void applyDefaultSettings(CradleSettings& settings) {
    for (int i = 0; i < settingsFieldCount; ++i)
        settingsField(settings, i) = settingsFields[i].defaultValue;
}

bool decodeSettingsValue(const unsigned char* data, uint32_t size, uint32_t& field) {
    if (size > 4)
        return false;
    uint32_t value = 0;
    for (uint32_t i = 0; i < size; ++i)
        value |= uint32_t(data[i]) << (8 * i);
    field = value;
    return true;
}
