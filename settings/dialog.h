// The configuration dialog (template IDD_CONFIG in the program's resources): edits CradleSettings
// and saves it on OK.
#pragma once
#include <windows.h>
#include "resources/resource.h"

constexpr int configDialogId = IDD_CONFIG;

// Shows dialog IDD_CONFIG of the program modally for `owner` (may be null). Returns 1 after OK or
// Cancel, -1 when the dialog cannot be created.
INT_PTR showConfigDialog(HWND owner);
// The hook for registering extra control classes before the dialog opens; registers none.
bool prepareConfigDialog(HINSTANCE instance);
INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
