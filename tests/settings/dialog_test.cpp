// The configuration dialog in a real process under Wine: opened by the settings probe
// (showConfigDialog alone), by the saver's /c mode and by the saver with no arguments, driven
// from here as a user would drive it, with its check states and the registry checked after.
#include "tests/settings/option_key.h"

namespace {

constexpr int firstPatternId = 1012, alwaysId = 1023, sometimesId = 1024, neverId = 1025;
constexpr int atiId = 1026;

struct Dialog {
    HANDLE process;
    HWND window;
};

// Starts the program and waits up to a minute for its dialog to be on screen.
Dialog openDialog(const std::string& commandLine) {
    Dialog d = {startProcess(commandLine), nullptr};
    for (int tries = 0; d.process && tries < 1200 && !d.window; ++tries) {
        for (HWND w = FindWindowA("#32770", "Clackmoor Screen Saver"); w && !d.window;
             w = FindWindowExA(nullptr, w, "#32770", "Clackmoor Screen Saver")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            d.window = pid == GetProcessId(d.process) && IsWindowVisible(w) ? w : nullptr;
        }
        if (!d.window && WaitForSingleObject(d.process, 50) == WAIT_OBJECT_0)
            break; // ended without a dialog
    }
    EXPECT_NE(d.window, nullptr) << "no dialog from " << commandLine;
    return d;
}

// Waits for the dialog's process to end: its exit code.
DWORD finish(Dialog& d) {
    if (WaitForSingleObject(d.process, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(d.process, 99);
        ADD_FAILURE() << "the dialog did not close";
    }
    DWORD code = 0;
    GetExitCodeProcess(d.process, &code);
    CloseHandle(d.process);
    return code;
}

void click(const Dialog& d, int id) {
    SendMessageA(GetDlgItem(d.window, id), BM_CLICK, 0, 0);
}

// A key pressed on whichever control has the focus, through the dialog's own message loop.
void pressKey(const Dialog& d, WORD key) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(d.window, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : d.window;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

// The thirteen fields' controls (ten patterns, Always, Never, ATI), then Sometimes, as 1/0.
std::string shownStates(const Dialog& d) {
    std::string states;
    for (int i = 0; i < settingsFieldCount; ++i)
        states += IsDlgButtonChecked(d.window, settingsFields[i].dialogId) ? '1' : '0';
    return states + (IsDlgButtonChecked(d.window, sometimesId) ? '1' : '0');
}

std::string launcher(const std::string& which) {
    if (which == "probe")
        return besideTestProgram("settings_probe.exe") + " dialog";
    return besideTestProgram("..\\..\\clackmoor.scr") + (which == "saver" ? " /c" : "");
}

class ConfigDialogTest : public OptionKeyTest, public ::testing::WithParamInterface<const char*> {};

// Without a key the defaults show; Cancel throws clicks away and leaves no key; Enter (on
// OK, where the focus starts) stores all thirteen values.
TEST_P(ConfigDialogTest, DefaultsCancelAndEnter) {
    Dialog d = openDialog(launcher(GetParam()));
    ASSERT_NE(d.window, nullptr);
    EXPECT_EQ(shownStates(d), "11111111111010");
    click(d, firstPatternId + 2);
    click(d, atiId);
    click(d, IDCANCEL);
    EXPECT_EQ(finish(d), 1u);
    EXPECT_EQ(storedRecord(), "absent");
    d = openDialog(launcher(GetParam()));
    ASSERT_NE(d.window, nullptr);
    pressKey(d, VK_RETURN);
    EXPECT_EQ(finish(d), 1u);
    EXPECT_EQ(storedRecord(), "1 1 1 1 1 1 1 1 1 1 1 0 1");
}

INSTANTIATE_TEST_SUITE_P(Launchers, ConfigDialogTest, ::testing::Values("probe", "saver", "bare"));

using DialogClicksTest = OptionKeyTest;

// Both touching flags stored by an outside edit; each radio then stores one valid pair and
// shows alone.
TEST_F(DialogClicksTest, EachTouchingRadioStoresItsPair) {
    const struct {
        int radio;
        const char* stored;
    } cases[] = {{alwaysId, "1 0"}, {sometimesId, "0 0"}, {neverId, "0 1"}};
    for (const auto& c : cases) {
        putDword("TouchBox1", 1);
        putDword("TouchBox2", 1);
        Dialog d = openDialog(launcher("probe"));
        ASSERT_NE(d.window, nullptr);
        // NOTE: Wine's BM_SETCHECK on an automatic radio clears the others of its group, so
        // Always, marked before Never, does not stay marked here as it does on Windows.
        EXPECT_FALSE(IsDlgButtonChecked(d.window, sometimesId));
        click(d, c.radio);
        for (int radio : {alwaysId, sometimesId, neverId})
            EXPECT_EQ(IsDlgButtonChecked(d.window, radio) != 0, radio == c.radio) << radio;
        click(d, IDOK);
        EXPECT_EQ(finish(d), 1u);
        EXPECT_EQ(storedRecord(), std::string("0 0 0 0 0 0 0 0 0 0 ") + c.stored + " 0");
    }
}

// Boxes and fields flip together: a box clicked twice is back where it started, and a number
// other than 0 or 1 shows ticked and is cleared by one click.
TEST_F(DialogClicksTest, BoxesAndFieldsStayInStep) {
    for (int i = 0; i < settingsFieldCount; ++i)
        putDword(settingsFields[i].valueName, 1);
    putDword("Type5", 7);
    putDword("TouchBox1", 0);
    Dialog d = openDialog(launcher("probe"));
    ASSERT_NE(d.window, nullptr);
    EXPECT_EQ(shownStates(d), "11111111110110");
    for (int id : {firstPatternId + 4, firstPatternId, firstPatternId, firstPatternId + 9, atiId,
                   sometimesId})
        click(d, id);
    EXPECT_EQ(shownStates(d), "11110111100001");
    click(d, IDOK);
    EXPECT_EQ(finish(d), 1u);
    EXPECT_EQ(storedRecord(), "1 1 1 1 0 1 1 1 1 0 0 0 0");
}

// Escape and the close box act as Cancel: result 1, the key untouched.
TEST_F(DialogClicksTest, EscapeAndTheCloseBoxSaveNothing) {
    putDword("Type7", 1);
    for (int way = 0; way < 2; ++way) {
        Dialog d = openDialog(launcher("probe"));
        ASSERT_NE(d.window, nullptr);
        click(d, firstPatternId + 6);
        click(d, neverId);
        if (way == 0)
            pressKey(d, VK_ESCAPE);
        else
            PostMessageA(d.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(finish(d), 1u) << (way ? "close box" : "Escape");
        const KeySnapshot s = snapshotOptionKey();
        ASSERT_EQ(s.values.size(), 1u);
        EXPECT_EQ(s.values[0].data[0], 1);
    }
}

} // namespace
