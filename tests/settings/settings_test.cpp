// The settings store on Wine's real registry, in this process and in fresh probe processes,
// and the configuration dialog in a real process, opened by the probe (showConfigDialog
// alone), by the saver's /c mode and by the saver with no arguments, driven from here as a user
// would drive it. Every test starts without the option key and removes it at the end.
#include "tests/settings/option_key.h"

#include <cstring>

namespace {

// The key's thirteen values as "v1 v2 ..." when each is a 4-byte REG_DWORD, then "/" and the
// number of values it holds; "absent" without a key, else the first value of another form.
std::string storedRecord() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "absent";
    std::string text;
    for (int i = 0; i < settingsFieldCount && text.find(':') == std::string::npos; ++i) {
        DWORD type = 0, value = 0, size = sizeof value;
        const bool dword = RegQueryValueExA(key, settingsFields[i].valueName, nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size) == 0 &&
                           type == REG_DWORD && size == 4;
        text = dword ? text + (i ? " " : "") + std::to_string(value)
                     : std::string("not a dword: ") + settingsFields[i].valueName;
    }
    RegCloseKey(key);
    return text + " /" + std::to_string(optionValueCount());
}

// A program next to this test program, quoted for a command line.
std::string beside(const char* fileName) {
    return "\"" + besideTestProgram(fileName) + "\"";
}

// The probe's "load" in a fresh process: the thirteen fields it printed.
std::string loadInFreshProcess() {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    HANDLE process = startProcess(beside("settings_probe.exe") + " load", writeEnd);
    CloseHandle(writeEnd); // the child holds the only write end now
    char text[256] = {};
    DWORD got = 0;
    ReadFile(readEnd, text, sizeof text - 1, &got, nullptr);
    CloseHandle(readEnd);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    return std::string(text, strcspn(text, "\r\n"));
}

using Store = OptionKeyTest;

TEST_F(Store, AbsentKeyGivesTheDefaultsAndStaysAbsent) {
    std::memset(&cradleSettings, 0x5A, sizeof cradleSettings);
    loadSettings();
    CradleSettings defaults;
    applyDefaultSettings(defaults);
    EXPECT_EQ(std::memcmp(&cradleSettings, &defaults, sizeof defaults), 0);
    EXPECT_EQ(loadInFreshProcess(), "1 1 1 1 1 1 1 1 1 1 1 0 1");
    EXPECT_EQ(storedRecord(), "absent");
}

// A key loads only what it holds; a value of another type or size is read by its bytes when
// it has at most four (zero-extended), else the field keeps what it had.
TEST_F(Store, ValuesOfAnyTypeAndSize) {
    const unsigned char two[2] = {0x02, 0x01}, eight[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    putValue("Type1", REG_SZ, "hello", 6);
    putValue("Type2", REG_BINARY, two, 2);
    putValue("Type3", REG_SZ, "ab", 3);
    putValue("Type4", REG_QWORD, eight, 8);
    putDword("TouchBox2", 1);
    putDword("ATI fix", 0xFFFFFFFFu);
    EXPECT_EQ(loadInFreshProcess(), "0 258 25185 0 0 0 0 0 0 0 0 1 4294967295");
    applyDefaultSettings(cradleSettings);
    loadSettings();
    EXPECT_EQ(cradleSettings.patternEnabled[0], 1u);
    EXPECT_EQ(cradleSettings.patternEnabled[3], 1u);
    EXPECT_EQ(storedRecord(), "not a dword: Type1 /6") << "loading rewrote the key";
}

TEST_F(Store, SaveWritesThirteenDwordsThatAFreshProcessReads) {
    for (int i = 0; i < settingsFieldCount; ++i)
        settingsField(cradleSettings, i) = uint32_t(i * 7);
    cradleSettings.atiFix = 0x80000001u;
    putValue("Type7", REG_SZ, "a long string", 14); // overwritten whatever its type
    saveSettings();
    EXPECT_EQ(storedRecord(), "0 7 14 21 28 35 42 49 56 63 70 77 2147483649 /13");
    EXPECT_EQ(loadInFreshProcess() + " /13", storedRecord());
}

TEST_F(Store, SaveThatCannotCreateTheKeyWritesNothing) {
    HKEY parent; // a volatile parent cannot hold the non-volatile option key
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orbweave", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &parent, nullptr),
              0);
    RegCloseKey(parent);
    saveSettings();
    EXPECT_EQ(storedRecord(), "absent");
}

// --- The dialog ------------------------------------------------------------------------------

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
        return beside("settings_probe.exe") + " dialog";
    return beside("..\\..\\clackmoor.scr") + (which == "saver" ? " /c" : "");
}

class DialogLaunchers : public OptionKeyTest, public ::testing::WithParamInterface<const char*> {};

// Without a key the defaults show; Cancel throws clicks away and leaves no key; Enter (on
// OK, where the focus starts) stores all thirteen values.
TEST_P(DialogLaunchers, DefaultsCancelAndEnter) {
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
    EXPECT_EQ(storedRecord(), "1 1 1 1 1 1 1 1 1 1 1 0 1 /13");
}

INSTANTIATE_TEST_SUITE_P(Settings, DialogLaunchers, ::testing::Values("probe", "saver", "bare"));

using DialogClicks = OptionKeyTest;

// Both touching flags stored by an outside edit; each radio then stores one valid pair and
// shows alone.
TEST_F(DialogClicks, EachTouchingRadioStoresItsPair) {
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
        EXPECT_EQ(storedRecord(), std::string("0 0 0 0 0 0 0 0 0 0 ") + c.stored + " 0 /13");
    }
}

// Boxes and fields flip together: a box clicked twice is back where it started, and a number
// other than 0 or 1 shows ticked and is cleared by one click. Escape and the close box save
// nothing.
TEST_F(DialogClicks, BoxesAndFieldsStayInStep) {
    for (int i = 0; i < settingsFieldCount; ++i)
        putDword(settingsFields[i].valueName, 1);
    putDword("Type5", 7);
    putDword("TouchBox1", 0);
    for (int way : {VK_ESCAPE, int(SC_CLOSE), IDOK}) {
        Dialog d = openDialog(launcher("probe"));
        ASSERT_NE(d.window, nullptr);
        EXPECT_EQ(shownStates(d), "11111111110110");
        for (int id : {firstPatternId + 4, firstPatternId, firstPatternId, firstPatternId + 9,
                       atiId, sometimesId})
            click(d, id);
        EXPECT_EQ(shownStates(d), "11110111100001");
        if (way == VK_ESCAPE)
            pressKey(d, VK_ESCAPE);
        else if (way == int(SC_CLOSE))
            PostMessageA(d.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            click(d, IDOK);
        EXPECT_EQ(finish(d), 1u);
    }
    EXPECT_EQ(storedRecord(), "1 1 1 1 0 1 1 1 1 0 0 0 0 /13");
}

} // namespace
