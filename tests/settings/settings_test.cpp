// The store on Wine's real registry and the dialog in a real process, driven as a user would,
// on hostile keys. What a load must give is read back from the registry itself.
#include "settings/settings.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr const char* parentPath = "Software\\Orbweave";
constexpr int alwaysId = 1023, sometimesId = 1024; // then Never
constexpr int alwaysField = patternCount, neverField = patternCount + 1;

HKEY createKey(const char* path, DWORD options = 0) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

// Stores one value through the ANSI or the wide entry (string data untranslated, odd sizes).
void putValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size,
              bool wide = false) {
    const std::wstring wideName(name, name + std::strlen(name));
    const BYTE* bytes = static_cast<const BYTE*>(data);
    EXPECT_EQ(wide ? RegSetValueExW(key, wideName.c_str(), 0, type, bytes, size)
                   : RegSetValueExA(key, name, 0, type, bytes, size),
              ERROR_SUCCESS);
}

// One value as a roomy ANSI query returns it; false when it is missing.
bool queryValue(HKEY key, const char* name, std::string& data, DWORD* type = nullptr) {
    char bytes[256];
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(bytes), &size))
        return false;
    data.assign(bytes, size);
    return true;
}

uint32_t below(std::mt19937& random, uint32_t n) {
    return std::uniform_int_distribution<uint32_t>(0, n - 1)(random);
}

// The record test's figures: the first 0 to 4 bytes of this data give these fields
// (little-endian, zero-extended); more bytes leave the field as it was.
const unsigned char valueData[64] = {0x78, 0x56, 0x34, 0x12, 5, 6, 7, 8};
const uint32_t fieldAfter[5] = {0, 0x78, 0x5678, 0x345678, 0x12345678};

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Fills the option key with hostile values (any type, mostly 0 to 8 bytes, some missing; both
// touching flags 5 if asked), through the ANSI or (strings aside, which it would translate)
// the wide entry. Returns what a load must leave in `record`.
CradleSettings writeHostileKey(std::mt19937& random, CradleSettings record,
                               bool bothTouching = false) {
    HKEY key = createKey(settingsKeyPath);
    for (int i = 0; i < settingsFieldCount; ++i) {
        const char* name = settingsFields[i].valueName;
        const DWORD size = below(random, 3) ? below(random, 9) : below(random, 65);
        const DWORD type = below(random, REG_QWORD + 1);
        if (bothTouching && (i == alwaysField || i == neverField)) {
            putValue(key, name, REG_BINARY, "\x05", 1);
            settingsField(record, i) = 5;
        } else if (below(random, 9) == 0) {
            RegDeleteValueA(key, name);
        } else {
            putValue(key, name, type, valueData, size, !isStringType(type) && below(random, 2));
            // NOTE: Wine can answer a string value longer than it was stored (seen with 8 bytes
            // and no terminator); over 4 bytes the field keeps its value either way.
            std::string got;
            if (size <= 4 && queryValue(key, name, got) &&
                got == std::string(reinterpret_cast<const char*>(valueData), size))
                settingsField(record, i) = fieldAfter[size];
            else if (size <= 4)
                ADD_FAILURE() << name << " reads back otherwise than stored, type " << type;
        }
    }
    RegCloseKey(key);
    return record;
}

// The key's thirteen values, "name type bytes" a line, and its value count; "absent" when it
// cannot be read. With `record`: the text of a key holding it as 4-byte REG_DWORD values.
std::string keyText(CradleSettings* record = nullptr) {
    HKEY key = nullptr;
    if (!record && RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key))
        return "absent";
    std::string text, data;
    DWORD type = REG_DWORD, values = settingsFieldCount;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const uint32_t v = record ? settingsField(*record, i) : 0;
        data = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        if (!record && !queryValue(key, settingsFields[i].valueName, data, &type))
            continue;
        text += std::string(settingsFields[i].valueName) + " " + std::to_string(type);
        for (unsigned char c : data)
            text += " " + std::to_string(c);
        text += "\n";
    }
    if (key) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return text + std::to_string(values) + " values";
}

void deleteOptionKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, parentPath); // with its values; fails when not empty
}

// Every test starts without the key and removes it at the end (the Wine prefix is the tests').
struct Settings : ::testing::Test {
    void SetUp() override { deleteOptionKey(); }
    void TearDown() override { deleteOptionKey(); }
};

TEST_F(Settings, LoadFollowsTheRulesForEveryTypeAndSize) {
    std::mt19937 random(20261207u);
    int kept = 0; // fields a load left alone: both rules must have been tried
    for (int round = 0; round < 10000; ++round) {
        CradleSettings before;
        for (int i = 0; i < settingsFieldCount; ++i)
            settingsField(before, i) = random();
        CradleSettings expected = writeHostileKey(random, before);
        cradleSettings = before;
        loadSettings();
        ASSERT_EQ(std::memcmp(&expected, &cradleSettings, sizeof expected), 0) << "round " << round;
        for (int i = 0; i < settingsFieldCount; ++i)
            kept += settingsField(expected, i) == settingsField(before, i);
    }
    EXPECT_TRUE(kept > 0 && kept < 10000 * settingsFieldCount) << kept << " fields kept";
}

// Sets the option key's access list from a description in the system's security language.
void setKeyAccess(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
}

// A key that cannot be read gives the defaults and the load creates none; a save then writes
// REG_DWORDs unless the key cannot be created. The value where the key should be is never lost.
TEST_F(Settings, KeysThatCannotBeReadGiveTheDefaults) {
    const struct {
        const char* what;
        DWORD parentOptions;
        bool unreadable, saved;
    } cases[] = {
        {"no key", 0, false, true},
        {"a volatile parent, which cannot hold the key", REG_OPTION_VOLATILE, false, false},
        {"a key that everyone may write but not read", 0, true, true}};
    const std::string beside("not a key", 10);
    CradleSettings defaults;
    applyDefaultSettings(defaults);
    std::mt19937 random(5u);
    for (const auto& c : cases) {
        deleteOptionKey();
        HKEY parent = createKey(parentPath, c.parentOptions);
        putValue(parent, "Zeride", REG_SZ, beside.data(), DWORD(beside.size()));
        RegCloseKey(parent);
        if (c.unreadable) {
            RegCloseKey(createKey(settingsKeyPath));
            setKeyAccess("D:(A;;KWSDWDRC;;;WD)");
        }
        std::memset(&cradleSettings, 0x5A, sizeof cradleSettings);
        loadSettings();
        EXPECT_EQ(std::memcmp(&cradleSettings, &defaults, sizeof defaults), 0) << c.what;
        EXPECT_EQ(keyText(), "absent") << c.what;
        for (int i = 0; i < settingsFieldCount; ++i)
            settingsField(cradleSettings, i) = random();
        saveSettings();
        setKeyAccess("D:(A;;KA;;;WD)"); // readable again
        EXPECT_EQ(keyText(), c.saved ? keyText(&cradleSettings) : "absent") << c.what;
        std::string data;
        RegOpenKeyExA(HKEY_CURRENT_USER, parentPath, 0, KEY_READ, &parent);
        EXPECT_TRUE(queryValue(parent, "Zeride", data) && data == beside) << c.what;
        RegCloseKey(parent);
    }
}

// The dialog's owner: a window of this process on a thread that answers the messages the
// dialog sends it (disable, enable, activation). With a bare /c the owner would be whatever
// window is in front, and a transient window of another process there takes the dialog down
// with it when it goes.
struct OwnerWindow {
    HWND window = nullptr;
    HANDLE ready = nullptr;
    DWORD threadId = 0;
    HANDLE thread = nullptr;
};

DWORD WINAPI ownerThread(void* context) {
    auto& owner = *static_cast<OwnerWindow*>(context);
    owner.window = CreateWindowExA(0, "STATIC", "Dialog owner", WS_OVERLAPPED, 0, 0, 200, 100,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetEvent(owner.ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    DestroyWindow(owner.window);
    return 0;
}

OwnerWindow openOwner() {
    OwnerWindow owner;
    owner.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    owner.thread = CreateThread(nullptr, 0, ownerThread, &owner, 0, &owner.threadId);
    WaitForSingleObject(owner.ready, 10000);
    return owner;
}

void closeOwner(OwnerWindow& owner) {
    PostThreadMessageA(owner.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(owner.thread, 10000);
    CloseHandle(owner.thread);
    CloseHandle(owner.ready);
}

// Starts the saver with /c:OWNER and waits up to a minute for its dialog to be on screen.
// Without one, `ended` tells how the process ended (or that it did not start).
HWND openDialog(HANDLE& process, HWND owner, std::string& ended) {
    char path[MAX_PATH];
    std::string line(path, GetModuleFileNameA(nullptr, path, sizeof path));
    line = "\"" + line.substr(0, line.find_last_of("\\/") + 1) + "..\\..\\clackmoor.scr\" /c:" +
           std::to_string(reinterpret_cast<uintptr_t>(owner) & 0xFFFFFFFFu);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        ended = "not started, error " + std::to_string(GetLastError());
        return nullptr;
    }
    CloseHandle(pi.hThread);
    process = pi.hProcess;
    HWND window = nullptr, w = nullptr;
    for (int tries = 0; tries < 1200 && !window; ++tries) {
        while (!window && (w = FindWindowExA(nullptr, w, "#32770", "Clackmoor Screen Saver"))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            window = pid == pi.dwProcessId && IsWindowVisible(w) ? w : nullptr;
        }
        if (!window && WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            break; // ended without a dialog
    }
    DWORD code = 0;
    if (!window && GetExitCodeProcess(process, &code))
        ended = "ended with exit code " + std::to_string(code) + " and no dialog";
    return window;
}

// A key pressed on whichever control has the focus, through the dialog's own message loop.
void pressKey(HWND dialog, WORD key) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

// The thirteen fields' boxes (ten patterns, Always, Never, ATI), then Sometimes, as shown.
std::string shownStates(HWND dialog) {
    std::string states;
    for (int i = 0; i < settingsFieldCount; ++i)
        states += char('0' + IsDlgButtonChecked(dialog, settingsFields[i].dialogId));
    return states + char('0' + IsDlgButtonChecked(dialog, sometimesId));
}

// The same boxes as the dialog must show `record`.
std::string statesOf(CradleSettings& record) {
    std::string states;
    for (int i = 0; i < settingsFieldCount; ++i)
        states += settingsField(record, i) ? '1' : '0';
    return states + (record.touchAlways || record.touchNever ? '0' : '1');
}

// Each round the dialog the saver opens shows the key (hostile, or none); after clicks, OK and
// Enter store the record as shown, the other three ways to close leave the key as it was.
TEST_F(Settings, TheDialogShowsAndStoresWhatTheUserSees) {
    const char* ways[] = {"OK", "Enter", "Cancel", "Escape", "the close box"};
    std::mt19937 random(7u);
    OwnerWindow owner = openOwner();
    ASSERT_NE(owner.window, nullptr);
    for (int round = 0; round < 15; ++round) {
        const int way = round % 5;
        SCOPED_TRACE("round " + std::to_string(round) + ", closed by " + ways[way]);
        deleteOptionKey();
        CradleSettings expected = {}; // a fresh process starts with every field 0
        if (round % 4 == 3)
            applyDefaultSettings(expected);
        else
            expected = writeHostileKey(random, expected, round < 3);
        const std::string before = keyText();
        HANDLE process = nullptr;
        std::string ended;
        const HWND d = openDialog(process, owner.window, ended);
        ASSERT_NE(d, nullptr) << ended;
        std::string shown = shownStates(d);
        // NOTE: Wine's BM_SETCHECK on an automatic radio clears the others of its group, so
        // with both touching flags set Always, marked before Never, may show cleared.
        if (expected.touchAlways && expected.touchNever && shown[alwaysField] == '0')
            shown[alwaysField] = '1';
        EXPECT_EQ(shown, statesOf(expected));
        const int radio = round % 3; // Always, Sometimes, Never
        SendDlgItemMessageA(d, alwaysId + radio, BM_CLICK, 0, 0);
        expected.touchAlways = radio == 0;
        expected.touchNever = radio == 2;
        for (int i = 0; i < settingsFieldCount; ++i) {
            for (int n = (i + round) % 3; i != alwaysField && i != neverField && n > 0; --n) {
                SendDlgItemMessageA(d, settingsFields[i].dialogId, BM_CLICK, 0, 0);
                settingsField(expected, i) = settingsField(expected, i) ? 0 : 1;
            }
        }
        EXPECT_EQ(shownStates(d), statesOf(expected));
        if (way == 0 || way == 2)
            SendDlgItemMessageA(d, way ? IDCANCEL : IDOK, BM_CLICK, 0, 0);
        else if (way == 4)
            PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            pressKey(d, way == 1 ? VK_RETURN : VK_ESCAPE);
        if (WaitForSingleObject(process, 60000) != WAIT_OBJECT_0)
            TerminateProcess(process, 99);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(process, &code) && code == 1) << code;
        CloseHandle(process);
        EXPECT_EQ(keyText(), way < 2 ? keyText(&expected) : before);
    }
    closeOwner(owner);
}

struct BoxSearch {
    HWND dialog, box;
};

BOOL CALLBACK findBox(HWND w, LPARAM context) {
    auto& s = *reinterpret_cast<BoxSearch*>(context);
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (w != s.dialog && GetWindow(w, GW_OWNER) == s.dialog && std::strcmp(name, "#32770") == 0 &&
        IsWindowVisible(w))
        s.box = w;
    return !s.box;
}

// A message box the dialog's thread shows over it, or none within `seconds`.
HWND boxOver(HWND dialog, int seconds) {
    BoxSearch search = {dialog, nullptr};
    for (int tries = 0; tries < seconds * 20 && !search.box; ++tries) {
        EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), findBox,
                          reinterpret_cast<LPARAM>(&search));
        if (!search.box)
            Sleep(50);
    }
    return search.box;
}

// OK on a key the saver may not write: a message box says so, the dialog stays with the
// choices in it, and the stored values stay. Once the key can be written, OK stores them.
TEST_F(Settings, OkThatCannotSaveSaysSoAndKeepsTheDialog) {
    CradleSettings stored = {{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, 0, 1, 1};
    cradleSettings = stored;
    ASSERT_TRUE(saveSettings());
    setKeyAccess("D:(A;;KR;;;WD)"); // everyone may read, nobody write
    const std::string before = keyText();
    ASSERT_EQ(before, keyText(&stored));
    OwnerWindow owner = openOwner();
    HANDLE process = nullptr;
    std::string ended;
    const HWND d = openDialog(process, owner.window, ended);
    ASSERT_NE(d, nullptr) << ended;
    SendDlgItemMessageA(d, settingsFields[1].dialogId, BM_CLICK, 0, 0); // pattern 2 on
    SendDlgItemMessageA(d, alwaysId, BM_CLICK, 0, 0);
    CradleSettings chosen = stored;
    chosen.patternEnabled[1] = 1;
    chosen.touchAlways = 1;
    chosen.touchNever = 0;
    PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); // the box is modal: not sent
    const HWND box = boxOver(d, 30);
    ASSERT_NE(box, nullptr) << "no message box after OK";
    char text[400] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text); // a message box's text control
    EXPECT_NE(std::strstr(text, "could not save"), nullptr) << text;
    EXPECT_EQ(keyText(), before) << "the stored settings are kept";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    for (int tries = 0; tries < 200 && IsWindow(box); ++tries)
        Sleep(50);
    EXPECT_TRUE(IsWindow(d) && IsWindowVisible(d)) << "the dialog stays";
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT) << "the dialog's process runs on";
    EXPECT_EQ(shownStates(d), statesOf(chosen)) << "with the choices still in it";
    setKeyAccess("D:(A;;KA;;;WD)");
    SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    if (WaitForSingleObject(process, 60000) != WAIT_OBJECT_0)
        TerminateProcess(process, 99);
    CloseHandle(process);
    EXPECT_EQ(keyText(), keyText(&chosen)) << "OK once the key is writable again";
    closeOwner(owner);
}

} // namespace
