// Stand-in until the renderer lands: paints the window dark blue with GDI and hands every
// other event on.
#include "host/host.h"
#include "render/render.h"

LRESULT saverEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
    case WM_ERASEBKGND:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        HDC dc = GetDC(window);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(RGB(20, 40, 90));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
        Sleep(10);
        return 0;
    }
    default:
        return saverDefaultHandler(window, message, wParam, lParam);
    }
}
