// The configuration dialog: check boxes and radio buttons that mirror CradleSettings.
#include "settings/dialog.h"
#include "settings/settings.h"
#include "resources/resource.h"

namespace {

// The three touching radios; Always and Never show TouchBox1 and TouchBox2.
constexpr int alwaysRadioId = IDC_ALWAYS;
constexpr int sometimesRadioId = IDC_SOMETIMES;
constexpr int neverRadioId = IDC_NEVER;
constexpr int alwaysField = patternCount;
constexpr int neverField = patternCount + 1;

UINT checkState(uint32_t field) {
    return field ? BST_CHECKED : BST_UNCHECKED;
}

// Every control from its field; Sometimes when neither touching flag is set. Both flags set
// (only from an outside edit) marks Always and Never together.
// NOTE: the template gives Cancel the default-button style too, and the dialog manager makes
// the last such button the default, so Enter would cancel once the focus left OK. OK is made
// the default here so that Enter always means OK.
void initConfigDialog(HWND dialog) {
    SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
    loadSettings();
    for (int i = 0; i < settingsFieldCount; ++i)
        CheckDlgButton(dialog, settingsFields[i].dialogId,
                       checkState(settingsField(cradleSettings, i)));
    CheckDlgButton(dialog, sometimesRadioId,
                   checkState(!cradleSettings.touchAlways && !cradleSettings.touchNever));
}

void setTouching(uint32_t always, uint32_t never) {
    cradleSettings.touchAlways = always;
    cradleSettings.touchNever = never;
}

// Check boxes flip their field in step with the automatic box; radios set the touching pair.
void toggleFieldOf(int controlId) {
    for (int i = 0; i < settingsFieldCount; ++i) {
        if (settingsFields[i].dialogId != controlId || i == alwaysField || i == neverField)
            continue;
        uint32_t& field = settingsField(cradleSettings, i);
        field = field ? 0 : 1;
    }
}

constexpr char notSavedText[] =
    "Clackmoor could not save these settings: Windows did not let it write them to the "
    "registry.\n\nYour choices are still in the dialog. Choose OK to try again, or Cancel to "
    "keep the settings saved before.";

// OK closes only once the settings are stored: a dialog that closed as if it had saved would
// leave the user believing in choices the saver never sees.
void onOk(HWND dialog) {
    if (saveSettings()) {
        EndDialog(dialog, 1);
        return;
    }
    MessageBoxA(dialog, notSavedText, "Clackmoor Screen Saver", MB_OK | MB_ICONWARNING);
}

void configDialogCommand(HWND dialog, int controlId) {
    switch (controlId) {
    case IDOK:
        onOk(dialog);
        return;
    case IDCANCEL:
        EndDialog(dialog, 1);
        return;
    case alwaysRadioId:
        setTouching(1, 0);
        return;
    case sometimesRadioId:
        setTouching(0, 0);
        return;
    case neverRadioId:
        setTouching(0, 1);
        return;
    default:
        toggleFieldOf(controlId);
    }
}

} // namespace

bool prepareConfigDialog(HINSTANCE) {
    return true;
}

INT_PTR showConfigDialog(HWND owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    prepareConfigDialog(instance);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(configDialogId), owner, configDialogProc, 0);
}

// TRUE from WM_INITDIALOG gives the focus to the first tab stop (OK); everything else is
// left to the platform's dialog handling (Enter is OK, Escape and the close box are Cancel).
INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        initConfigDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND)
        configDialogCommand(dialog, LOWORD(wParam));
    return FALSE;
}
