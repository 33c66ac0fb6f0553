// Stand-in until the dismissal rules land: everything goes to the platform.
#include "host/host.h"

LRESULT saverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
