// A separate process on the option key, driven by the settings tests:
//   load              load once and print the thirteen fields in persisted order
//   churn-save COUNT  once the loader is ready, save records A and B alternately COUNT times
//   churn-load        load until the saver is done; every field must be A's or B's
//   dialog            show the configuration dialog with no owner; exit code = its result
// Exit code 0 on success (for dialog: the dialog's result), 2 on a bad command line.
#include "settings/dialog.h"
#include "settings/settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Record A (0) and record B (1): every field differs between them.
uint32_t churnValue(int record, int field) {
    return uint32_t(1000 * (record + 1) + field);
}

// Which record the loaded fields all come from: 'A', 'B', or '?' when mixed or foreign.
char loadedRecord(long& foreign) {
    int fromA = 0, fromB = 0;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const uint32_t v = settingsField(cradleSettings, i);
        fromA += v == churnValue(0, i);
        fromB += v == churnValue(1, i);
    }
    foreign += fromA + fromB != settingsFieldCount;
    return fromA == settingsFieldCount ? 'A' : fromB == settingsFieldCount ? 'B' : '?';
}

int churn(bool saving, int count) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "ClackmoorChurnLoaderReady");
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, "ClackmoorChurnSaverDone");
    if (saving) {
        if (WaitForSingleObject(ready, 60000) != WAIT_OBJECT_0)
            return 3;
        for (int n = 0; n < count; ++n) {
            for (int i = 0; i < settingsFieldCount; ++i)
                settingsField(cradleSettings, i) = churnValue(n % 2, i);
            saveSettings();
        }
        SetEvent(done);
        return 0;
    }
    SetEvent(ready);
    long loads = 0, mixed = 0, bad = 0;
    while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0) {
        loadSettings();
        ++loads;
        mixed += loadedRecord(bad) == '?';
    }
    loadSettings(); // after the last save: that record whole
    const char last = loadedRecord(bad);
    std::printf("loads %ld mixed %ld bad %ld final %c\n", loads + 1, mixed - bad, bad, last);
    return bad ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* command = argc >= 2 ? argv[1] : "";
    if (!std::strcmp(command, "load")) {
        loadSettings();
        for (int i = 0; i < settingsFieldCount; ++i)
            std::printf(i ? " %lu" : "%lu", static_cast<unsigned long>(settingsField(cradleSettings, i)));
        std::printf("\n");
        return 0;
    }
    if (!std::strcmp(command, "churn-save") && argc == 3)
        return churn(true, std::atoi(argv[2]));
    if (!std::strcmp(command, "churn-load"))
        return churn(false, 0);
    if (!std::strcmp(command, "dialog"))
        return int(showConfigDialog(nullptr));
    return 2;
}
