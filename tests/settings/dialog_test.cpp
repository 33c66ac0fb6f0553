// The configuration dialog in a real process under Wine: opened by the settings probe
// (showConfigDialog alone) and by the saver's own /c mode, driven from here as a user would
// drive it, with its check states and the registry checked afterwards.
#include "tests/settings/option_key.h"
#include <cstring>

namespace {

constexpr int alwaysId = 1023, sometimesId = 1024, neverId = 1025, atiId = 1026;

struct DialogSession {
    HANDLE process = nullptr;
    DWORD processId = 0;
    HWND dialog = nullptr;
};

struct FindDialog {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findDialogWindow(HWND window, LPARAM param) {
    FindDialog& f = *reinterpret_cast<FindDialog*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char caption[64] = {}, className[16] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, className, sizeof className);
    if (pid == f.processId && IsWindowVisible(window) && !std::strcmp(className, "#32770") &&
        !std::strcmp(caption, "Clackmoor Screen Saver")) {
        f.found = window;
        return FALSE;
    }
    return TRUE;
}

// Starts the program and waits (up to a minute) for its dialog to be on screen.
DialogSession openDialog(const std::string& commandLine) {
    DialogSession s;
    s.process = startProcess(commandLine);
    if (!s.process) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return s;
    }
    s.processId = GetProcessId(s.process);
    for (int tries = 0; tries < 1200 && !s.dialog; ++tries) {
        FindDialog f = {s.processId, nullptr};
        EnumWindows(findDialogWindow, reinterpret_cast<LPARAM>(&f));
        s.dialog = f.found;
        if (!s.dialog) {
            if (WaitForSingleObject(s.process, 50) == WAIT_OBJECT_0)
                break; // ended without a dialog
        }
    }
    EXPECT_NE(s.dialog, nullptr) << "no dialog from " << commandLine;
    return s;
}

// Waits for the dialog's process to end and returns its exit code.
DWORD finish(DialogSession& s) {
    if (!s.process)
        return DWORD(-2);
    if (WaitForSingleObject(s.process, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(s.process, 99);
        ADD_FAILURE() << "the dialog did not close";
    }
    DWORD code = 0;
    GetExitCodeProcess(s.process, &code);
    CloseHandle(s.process);
    s.process = nullptr;
    return code;
}

bool checked(const DialogSession& s, int id) {
    return SendMessageA(GetDlgItem(s.dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void click(const DialogSession& s, int id) {
    HWND control = GetDlgItem(s.dialog, id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    SendMessageA(control, BM_CLICK, 0, 0);
}

// A key press to whichever control has the focus, through the dialog's own message loop.
void pressKey(const DialogSession& s, WORD key) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(s.dialog, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : s.dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

void closeBox(const DialogSession& s) {
    PostMessageA(s.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The check states of all thirteen fields' controls plus Sometimes, as "1"/"0" characters:
// ten pattern boxes, Always, Never, ATI, then Sometimes.
std::string shownStates(const DialogSession& s) {
    std::string states;
    for (int i = 0; i < settingsFieldCount; ++i)
        states += checked(s, settingsFields[i].dialogId) ? '1' : '0';
    return states + (checked(s, sometimesId) ? '1' : '0');
}

// The key's thirteen values as "v1 v2 ...", each required to be a 4-byte REG_DWORD; "absent"
// when there is no key, "missing NAME" / "not a dword NAME" otherwise.
std::string storedRecord() {
    if (!optionKeyExists())
        return "absent";
    std::string text;
    for (int i = 0; i < settingsFieldCount; ++i) {
        StoredValue v;
        if (!readValue(settingsFields[i].valueName, v))
            return std::string("missing ") + settingsFields[i].valueName;
        if (v.type != REG_DWORD || v.data.size() != 4)
            return std::string("not a dword ") + settingsFields[i].valueName;
        uint32_t n;
        std::memcpy(&n, v.data.data(), 4);
        text += (i ? " " : "") + std::to_string(n);
    }
    return text;
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The ways into the dialog: the probe calls showConfigDialog; the saver runs its /c mode, and
// the same dialog when started with no arguments at all.
std::string launcher(const std::string& which) {
    if (which == "probe")
        return quoted(besideTestProgram("settings_probe.exe")) + " dialog";
    const std::string saver = quoted(besideTestProgram("..\\..\\clackmoor.scr"));
    return which == "saver" ? saver + " /c" : saver;
}

class ConfigDialogTest : public OptionKeyTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ConfigDialogTest, NoKeyShowsTheDefaultsAndCancelLeavesTheKeyAbsent) {
    DialogSession s = openDialog(launcher(GetParam()));
    ASSERT_NE(s.dialog, nullptr);
    // Ten patterns, Always, not Never, ATI; not Sometimes.
    EXPECT_EQ(shownStates(s), "11111111111010");
    click(s, 1014); // clicks that Cancel must throw away
    click(s, atiId);
    click(s, IDCANCEL);
    EXPECT_EQ(finish(s), 1u);
    EXPECT_EQ(storedRecord(), "absent");
}

TEST_P(ConfigDialogTest, NoKeyAndEnterCreatesAllThirteenValues) {
    DialogSession s = openDialog(launcher(GetParam()));
    ASSERT_NE(s.dialog, nullptr);
    pressKey(s, VK_RETURN);
    EXPECT_EQ(finish(s), 1u);
    EXPECT_EQ(storedRecord(), "1 1 1 1 1 1 1 1 1 1 1 0 1");
    EXPECT_EQ(optionValueCount(), size_t(settingsFieldCount));
}

TEST_P(ConfigDialogTest, UntickingEveryPatternStoresTenZeros) {
    DialogSession s = openDialog(launcher(GetParam()));
    ASSERT_NE(s.dialog, nullptr);
    for (int k = 0; k < patternCount; ++k)
        click(s, 1012 + k);
    EXPECT_EQ(shownStates(s), "00000000001010");
    click(s, IDOK);
    EXPECT_EQ(finish(s), 1u);
    EXPECT_EQ(storedRecord(), "0 0 0 0 0 0 0 0 0 0 1 0 1");
}

TEST_P(ConfigDialogTest, OkRewritesAllThirteenEvenWithoutChanges) {
    putDword("Type3", 1);
    DialogSession s = openDialog(launcher(GetParam()));
    ASSERT_NE(s.dialog, nullptr);
    EXPECT_EQ(shownStates(s), "00100000000001"); // Sometimes, no ATI
    click(s, IDOK);
    EXPECT_EQ(finish(s), 1u);
    EXPECT_EQ(storedRecord(), "0 0 1 0 0 0 0 0 0 0 0 0 0");
}

INSTANTIATE_TEST_SUITE_P(Launchers, ConfigDialogTest, ::testing::Values("probe", "saver", "bare"));

using DialogClicksTest = OptionKeyTest;

// Stored as both 1 by an outside edit: Always and Never both marked; each radio then stores
// one of the three valid pairs and clears the other two radios.
TEST_F(DialogClicksTest, BothTouchingFlagsAndEachRadio) {
    const struct {
        int radio;
        const char* pair;
    } cases[] = {{alwaysId, "1 0"}, {sometimesId, "0 0"}, {neverId, "0 1"}};
    for (const auto& c : cases) {
        putDword("TouchBox1", 1);
        putDword("TouchBox2", 1);
        DialogSession s = openDialog(launcher("probe"));
        ASSERT_NE(s.dialog, nullptr);
        // NOTE: Wine's BM_SETCHECK on an automatic radio clears the others of its group, so
        // Always, marked before Never, does not stay marked here as it does on Windows.
        EXPECT_FALSE(checked(s, sometimesId));
        EXPECT_TRUE(checked(s, neverId));
        click(s, c.radio);
        EXPECT_EQ(checked(s, alwaysId), c.radio == alwaysId);
        EXPECT_EQ(checked(s, sometimesId), c.radio == sometimesId);
        EXPECT_EQ(checked(s, neverId), c.radio == neverId);
        click(s, IDOK);
        EXPECT_EQ(finish(s), 1u);
        EXPECT_EQ(storedRecord(), std::string("0 0 0 0 0 0 0 0 0 0 ") + c.pair + " 0")
            << "radio " << c.radio;
    }
}

// Boxes and fields flip together: a box clicked twice is back where it started, and a
// number other than 0 or 1 shows ticked and is cleared by one click.
TEST_F(DialogClicksTest, BoxesAndFieldsStayInStep) {
    for (int i = 0; i < settingsFieldCount; ++i)
        putDword(settingsFields[i].valueName, 1);
    putDword("Type5", 7);
    putDword("TouchBox1", 0);
    DialogSession s = openDialog(launcher("probe"));
    ASSERT_NE(s.dialog, nullptr);
    EXPECT_EQ(shownStates(s), "11111111110110");
    click(s, 1016); // Type5: 7 -> 0
    click(s, 1012); // Type1 twice: 1 -> 0 -> 1
    click(s, 1012);
    click(s, 1021); // Type10 -> 0
    click(s, atiId);
    click(s, sometimesId);
    EXPECT_EQ(shownStates(s), "11110111100001");
    pressKey(s, VK_RETURN);
    EXPECT_EQ(finish(s), 1u);
    EXPECT_EQ(storedRecord(), "1 1 1 1 0 1 1 1 1 0 0 0 0");
}

// Escape and the close box act as Cancel: result 1, the key untouched.
TEST_F(DialogClicksTest, EscapeAndCloseBoxSaveNothing) {
    putDword("Type7", 1);
    for (int way = 0; way < 2; ++way) {
        DialogSession s = openDialog(launcher("probe"));
        ASSERT_NE(s.dialog, nullptr);
        click(s, 1018);
        click(s, neverId);
        if (way == 0)
            pressKey(s, VK_ESCAPE);
        else
            closeBox(s);
        EXPECT_EQ(finish(s), 1u) << (way ? "close box" : "Escape");
        EXPECT_EQ(optionValueCount(), 1u);
        StoredValue v;
        ASSERT_TRUE(readValue("Type7", v));
        EXPECT_EQ(v.data.size(), 4u);
        EXPECT_EQ(v.data[0], 1);
    }
}

// The focus starts on the first tab stop, OK, so Enter and Space both mean OK.
TEST_F(DialogClicksTest, FocusStartsOnOk) {
    DialogSession s = openDialog(launcher("probe"));
    ASSERT_NE(s.dialog, nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(s.dialog, nullptr), &info));
    EXPECT_EQ(info.hwndFocus, GetDlgItem(s.dialog, IDOK));
    click(s, IDCANCEL);
    EXPECT_EQ(finish(s), 1u);
}

} // namespace
