// A separate process on the option key, driven by the settings tests:
//   load    load once and print the thirteen fields in persisted order
//   dialog  show the configuration dialog with no owner; exit code = its result
#include "settings/dialog.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[1], "dialog"))
        return int(showConfigDialog(nullptr));
    if (argc != 2 || std::strcmp(argv[1], "load"))
        return 2;
    loadSettings();
    for (int i = 0; i < settingsFieldCount; ++i)
        std::printf(i ? " %lu" : "%lu",
                    static_cast<unsigned long>(settingsField(cradleSettings, i)));
    std::printf("\n");
    return 0;
}
