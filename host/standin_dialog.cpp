// Stand-in until the configuration dialog lands: a box with the dialog's caption.
#include "host/host.h"

int32_t showConfigDialog(HWND owner) {
    return MessageBoxA(owner, "Settings", "Clackmoor Screen Saver", MB_OK);
}
