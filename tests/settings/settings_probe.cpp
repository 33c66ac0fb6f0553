// A separate process on the option key, driven by the settings tests:
//   load                 load once and print the thirteen fields in persisted order
//   save N1 .. N13       set the record to the numbers given and save it
//   churn-save COUNT     wait for the loader, save records A and B alternately COUNT times
//   churn-load           load until the saver is done; every field must be A's or B's
//   dialog               show the configuration dialog with no owner; exit code = its result
//   settle-dialog        wait for another process's dialog and have it painted completely
//   close-dialog         press the close box of that dialog
// Exit code 0 on success (for dialog: the dialog's result), 2 on a bad command line.
#include "settings/dialog.h"
#include "settings/settings.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The two records of the churn: every field differs between them.
uint32_t churnValue(int record, int field) {
    return uint32_t(1000 * (record + 1) + field);
}

void printSettings() {
    for (int i = 0; i < settingsFieldCount; ++i)
        std::printf(i ? " %lu" : "%lu", (unsigned long)settingsField(cradleSettings, i));
    std::printf("\n");
}

int saveGiven(int argc, char** argv) {
    if (argc != 2 + settingsFieldCount)
        return 2;
    for (int i = 0; i < settingsFieldCount; ++i)
        settingsField(cradleSettings, i) = uint32_t(std::strtoul(argv[2 + i], nullptr, 0));
    saveSettings();
    return 0;
}

HANDLE namedEvent(const char* name) {
    return CreateEventA(nullptr, TRUE, FALSE, name);
}

int churnSave(int count) {
    HANDLE ready = namedEvent("ClackmoorChurnLoaderReady");
    HANDLE done = namedEvent("ClackmoorChurnSaverDone");
    if (WaitForSingleObject(ready, 60000) != WAIT_OBJECT_0)
        return 3;
    for (int n = 0; n < count; ++n) {
        for (int i = 0; i < settingsFieldCount; ++i)
            settingsField(cradleSettings, i) = churnValue(n % 2, i);
        saveSettings();
    }
    SetEvent(done);
    std::printf("saved %d\n", count);
    return 0;
}

// Returns the number of fields holding neither record's value; counts which record each
// field came from.
int checkChurnLoad(int& fromA, int& fromB) {
    int bad = 0;
    fromA = fromB = 0;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const uint32_t v = settingsField(cradleSettings, i);
        if (v == churnValue(0, i))
            ++fromA;
        else if (v == churnValue(1, i))
            ++fromB;
        else
            ++bad;
    }
    return bad;
}

int churnLoad() {
    HANDLE ready = namedEvent("ClackmoorChurnLoaderReady");
    HANDLE done = namedEvent("ClackmoorChurnSaverDone");
    SetEvent(ready);
    long loads = 0, mixed = 0, badLoads = 0;
    int fromA = 0, fromB = 0;
    while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0) {
        loadSettings();
        ++loads;
        if (checkChurnLoad(fromA, fromB))
            ++badLoads;
        else if (fromA && fromB)
            ++mixed;
    }
    loadSettings(); // after the last save: must be that record whole
    ++loads;
    const int finalBad = checkChurnLoad(fromA, fromB);
    std::printf("loads %ld mixed %ld bad %ld final %s\n", loads, mixed, badLoads + (finalBad != 0),
                fromA == settingsFieldCount   ? "A"
                : fromB == settingsFieldCount ? "B"
                                              : "torn");
    return badLoads || finalBad ? 1 : 0;
}

// Waits up to a minute for the dialog of another process to be on screen.
HWND findDialog() {
    for (int tries = 0; tries < 1200; ++tries) {
        HWND dialog = FindWindowA("#32770", "Clackmoor Screen Saver");
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        Sleep(50);
    }
    return nullptr;
}

int settleDialog() {
    HWND dialog = findDialog();
    if (!dialog)
        return 1;
    // Returns only once the dialog's thread is in its message loop; then paint everything now.
    SendMessageA(dialog, WM_NULL, 0, 0);
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageA(dialog, WM_NULL, 0, 0);
    return 0;
}

int closeDialog() {
    HWND dialog = findDialog();
    if (!dialog)
        return 1;
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* command = argv[1];
    if (!std::strcmp(command, "load")) {
        loadSettings();
        printSettings();
        return 0;
    }
    if (!std::strcmp(command, "save"))
        return saveGiven(argc, argv);
    if (!std::strcmp(command, "churn-save") && argc == 3)
        return churnSave(std::atoi(argv[2]));
    if (!std::strcmp(command, "churn-load"))
        return churnLoad();
    if (!std::strcmp(command, "dialog"))
        return int(showConfigDialog(nullptr));
    if (!std::strcmp(command, "settle-dialog"))
        return settleDialog();
    if (!std::strcmp(command, "close-dialog"))
        return closeDialog();
    return 2;
}
