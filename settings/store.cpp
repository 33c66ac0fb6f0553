// The options in the per-user registry: thirteen REG_DWORD values under one key.
#include "settings/settings.h"
#include <windows.h>

#include <cstring>

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
bool saveSettings() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool saved = true;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const uint32_t value = settingsField(cradleSettings, i);
        unsigned char data[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                 uint8_t(value >> 24)};
        saved &= RegSetValueExA(key, settingsFields[i].valueName, 0, REG_DWORD, data,
                                sizeof data) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return saved;
}

SettingsWatch settingsWatch;

typedef LONG(WINAPI* RegNotifyChangeKeyValueFn)(HKEY, BOOL, DWORD, HANDLE, BOOL);

// The key's parent, or further up while that does not exist either: a change below it
// (values set, keys made or deleted) signals the watch, so a key deleted or made anew is
// seen as surely as a value saved into it.
static HKEY openNearestAncestor() {
    char path[64] = {};
    for (int i = 0; settingsKeyPath[i] != '\0' && i < int(sizeof path) - 1; ++i)
        path[i] = settingsKeyPath[i];
    for (char* cut = std::strrchr(path, '\\'); cut != nullptr; cut = std::strrchr(path, '\\')) {
        *cut = '\0';
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_NOTIFY, &key) == ERROR_SUCCESS)
            return key;
    }
    return nullptr;
}

// NOTE: RegNotifyChangeKeyValue is looked up at run time, and on Windows 95, 98 and Me it
// cannot notify asynchronously: there the watch stays unarmed and every call loads.
static void armSettingsWatch() {
    SettingsWatch& w = settingsWatch;
    w.armed = false;
    if (w.unavailable)
        return; // each event loads, without asking again what cannot change
    const RegNotifyChangeKeyValueFn notify =
        reinterpret_cast<RegNotifyChangeKeyValueFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("ADVAPI32.DLL"), "RegNotifyChangeKeyValue")));
    if (notify == nullptr) {
        w.unavailable = true;
        return;
    }
    if (w.changed == nullptr)
        w.changed = CreateEventA(nullptr, FALSE, FALSE, nullptr); // auto-reset: one look each
    if (w.watchedKey != nullptr)
        RegCloseKey(static_cast<HKEY>(w.watchedKey));
    w.watchedKey = openNearestAncestor();
    if (w.changed == nullptr || w.watchedKey == nullptr)
        return;
    const LONG result = notify(static_cast<HKEY>(w.watchedKey), TRUE,
                               REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                               static_cast<HANDLE>(w.changed), TRUE);
    w.armed = result == ERROR_SUCCESS;
    w.unavailable = result == ERROR_CALL_NOT_IMPLEMENTED;
}

void followSettings() {
    SettingsWatch& w = settingsWatch;
    if (w.armed && WaitForSingleObject(static_cast<HANDLE>(w.changed), 0) == WAIT_TIMEOUT)
        return;
    armSettingsWatch(); // before the load, so a save during it is not missed
    loadSettings();
}

void stopFollowingSettings() {
    SettingsWatch& w = settingsWatch;
    if (w.watchedKey != nullptr)
        RegCloseKey(static_cast<HKEY>(w.watchedKey));
    if (w.changed != nullptr)
        CloseHandle(static_cast<HANDLE>(w.changed));
    w = SettingsWatch{};
}
