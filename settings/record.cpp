// The process-wide options record and the one table of its persisted fields.
#include "settings/settings.h"
#include "resources/resource.h"

CradleSettings cradleSettings;

// Persisted order: the ten pattern flags, the two touching flags, the ATI work-around.
// TouchBox1/2 are shown by the Always and Never radio buttons.
const SettingsField settingsFields[settingsFieldCount] = {
    {"Type1", 1, IDC_PATTERN1},   {"Type2", 1, IDC_PATTERN2},   {"Type3", 1, IDC_PATTERN3},
    {"Type4", 1, IDC_PATTERN4},   {"Type5", 1, IDC_PATTERN5},   {"Type6", 1, IDC_PATTERN6},
    {"Type7", 1, IDC_PATTERN7},   {"Type8", 1, IDC_PATTERN8},   {"Type9", 1, IDC_PATTERN9},
    {"Type10", 1, IDC_PATTERN10}, {"TouchBox1", 1, IDC_ALWAYS}, {"TouchBox2", 0, IDC_NEVER},
    {"ATI fix", 1, IDC_ATI_FIX},
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
