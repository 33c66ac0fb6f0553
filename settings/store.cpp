// The options in the per-user registry: thirteen REG_DWORD values under one key.
#include "settings/settings.h"
#include <windows.h>

// Opens the key read-only and never creates it; no key means the defaults. A value that is
// missing or longer than 4 bytes keeps its field. The stored type is not checked.
void loadSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        applyDefaultSettings(cradleSettings);
        return;
    }
    for (int i = 0; i < settingsFieldCount; ++i) {
        // NOTE: a fresh buffer per query: on ERROR_MORE_DATA the buffer's contents are
        // undefined, and a short value must not pick up bytes of the previous one.
        unsigned char data[4] = {};
        DWORD size = sizeof data;
        if (RegQueryValueExA(key, settingsFields[i].valueName, nullptr, nullptr, data, &size) ==
            ERROR_SUCCESS)
            decodeSettingsValue(data, size, settingsField(cradleSettings, i));
    }
    RegCloseKey(key);
}

// Writes every field, changed or not; a key that cannot be created leaves the store as it was
// and single failed writes are ignored.
void saveSettings() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const uint32_t value = settingsField(cradleSettings, i);
        unsigned char data[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                 uint8_t(value >> 24)};
        RegSetValueExA(key, settingsFields[i].valueName, 0, REG_DWORD, data, sizeof data);
    }
    RegCloseKey(key);
}
