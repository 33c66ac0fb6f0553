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

// The persisted form: one REG_DWORD per field under HKEY_CURRENT_USER\<settingsKeyPath>,
// written and read in table order. The table drives the store, the dialog and the tests.
constexpr const char* settingsKeyPath = "Software\\Orbweave\\Zeride";
constexpr int settingsFieldCount = patternCount + 3;

struct SettingsField {
    const char* valueName; // registry value name
    uint32_t defaultValue; // when the key cannot be opened
    int dialogId;          // the control of the configuration dialog that shows the field
};
extern const SettingsField settingsFields[settingsFieldCount];

// The field of `settings` that table entry `index` (0 .. settingsFieldCount-1) persists.
uint32_t& settingsField(CradleSettings& settings, int index);
void applyDefaultSettings(CradleSettings& settings);
// Turns the data of one successful 4-byte query into the field's value: `size` bytes,
// little-endian; shorter data is zero-extended (no bytes of an earlier value survive).
// Returns false, leaving the field alone, when size is over 4.
bool decodeSettingsValue(const unsigned char* data, uint32_t size, uint32_t& field);

void loadSettings();
// False when the key could not be made or a value not written.
bool saveSettings();

// The running saver's view of the key: loaded again only when the registry reports a change
// under the key's parent (the key's values, or the key made, deleted or replaced). Handles
// are kept as void* so this header stays free of Windows.
struct SettingsWatch {
    void* watchedKey; // the nearest existing ancestor of the key, open for notification
    void* changed;    // signalled by the registry after a change below watchedKey
    bool armed;       // a notification is registered; else every call loads
    bool unavailable; // the system cannot notify (no entry, or not asynchronously): not retried
};
extern SettingsWatch settingsWatch;

// Loads the settings when the key may have changed since the last call (the first call, a
// change reported, or no notification available, as on Windows 95), and watches again.
void followSettings();
// Ends the watch; the next followSettings loads and starts it again.
void stopFollowingSettings();
