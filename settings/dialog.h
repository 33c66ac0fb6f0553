// The configuration dialog (template 2003 in the program's resources): edits CradleSettings
// and saves it on OK.
#pragma once
#include <windows.h>

constexpr int configDialogId = 2003;

// Shows dialog 2003 of the program modally for `owner` (may be null). Returns 1 after OK or
// Cancel, -1 when the dialog cannot be created.
INT_PTR showConfigDialog(HWND owner);
// The hook for registering extra control classes before the dialog opens; registers none.
bool prepareConfigDialog(HINSTANCE instance);
INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
