// The settings store and the dialog on hostile keys under Wine: values of every registry
// type and of every size up to 64 bytes, a value where the key should be, a key that cannot
// be read. What a load must give is taken from the registry itself (the value as a 4-byte ANSI
// query would see it), not from the store.
#include "tests/settings/option_key.h"
#include <sddl.h>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr int rounds = 10000;
constexpr DWORD hostileTypes[] = {
    REG_SZ,       REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
    REG_MULTI_SZ, REG_QWORD,     REG_NONE};
constexpr int typeCount = sizeof hostileTypes / sizeof hostileTypes[0];

uint32_t below(std::mt19937& random, uint32_t n) {
    return std::uniform_int_distribution<uint32_t>(0, n - 1)(random);
}

// Writes one value of the given type and size with random bytes, through the ANSI or the
// wide entry (the wide one stores string data untranslated, odd sizes included).
void writeHostile(HKEY key, const char* name, DWORD type, DWORD size, std::mt19937& random) {
    unsigned char data[64];
    for (DWORD i = 0; i < size; ++i)
        data[i] = static_cast<unsigned char>(below(random, 4) ? random() : 0);
    if (below(random, 2)) {
        RegSetValueExA(key, name, 0, type, data, size);
        return;
    }
    wchar_t wide[32];
    for (int i = 0; name[i] && i < 31; ++i)
        wide[i] = wchar_t(name[i]), wide[i + 1] = 0;
    RegSetValueExW(key, wide, 0, type, data, size);
}

// What a load must leave in a field: the value as RegQueryValueExA returns it with room to
// spare; four bytes or fewer (little-endian, zero-extended) replace the field, anything
// longer or missing keeps it.
uint32_t expectedField(HKEY key, const char* name, uint32_t previous) {
    unsigned char data[256] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size > 4)
        return previous;
    uint32_t value = 0;
    for (DWORD i = size; i > 0; --i)
        value = value << 8 | data[i - 1];
    return value;
}

HKEY openForWriting() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    return key;
}

// Every value of a record: missing now and then, else any type with 0 to 64 bytes.
void writeHostileRecord(HKEY key, std::mt19937& random) {
    for (int i = 0; i < settingsFieldCount; ++i) {
        const char* name = settingsFields[i].valueName;
        if (below(random, 9) == 0)
            RegDeleteValueA(key, name);
        else
            writeHostile(key, name, hostileTypes[below(random, typeCount)],
                         below(random, 3) ? below(random, 9) : below(random, 65), random);
    }
}

using HostileSettingsTest = OptionKeyTest;

TEST_F(HostileSettingsTest, LoadFollowsTheRulesForEveryTypeAndSize) {
    std::mt19937 random(20261207u);
    HKEY key = openForWriting();
    ASSERT_NE(key, nullptr);
    long replaced = 0, kept = 0, wrong = 0;
    for (int round = 0; round < rounds && wrong < 10; ++round) {
        writeHostileRecord(key, random);
        CradleSettings expected;
        for (int i = 0; i < settingsFieldCount; ++i)
            settingsField(cradleSettings, i) = random();
        for (int i = 0; i < settingsFieldCount; ++i) {
            const uint32_t before = settingsField(cradleSettings, i);
            settingsField(expected, i) = expectedField(key, settingsFields[i].valueName, before);
            (settingsField(expected, i) == before ? kept : replaced) += 1;
        }
        loadSettings();
        if (std::memcmp(&expected, &cradleSettings, sizeof expected)) {
            ++wrong;
            ADD_FAILURE() << "round " << round << ": the load broke the store's rules";
        }
    }
    RegCloseKey(key);
    std::printf("%d rounds of %d values: %ld fields replaced, %ld kept, %ld wrong rounds\n", rounds,
                settingsFieldCount, replaced, kept, wrong);
    EXPECT_GT(replaced, 0);
    EXPECT_GT(kept, 0);
}

std::string defaultsText() {
    std::string text;
    for (int i = 0; i < settingsFieldCount; ++i)
        text += (i ? " " : "") + std::to_string(settingsFields[i].defaultValue);
    return text;
}

std::string recordText() {
    std::string text;
    for (int i = 0; i < settingsFieldCount; ++i)
        text += (i ? " " : "") + std::to_string(settingsField(cradleSettings, i));
    return text;
}

// Thirteen values, each a 4-byte REG_DWORD equal to its field.
bool keyHoldsRecord() {
    for (int i = 0; i < settingsFieldCount; ++i) {
        StoredValue v;
        uint32_t n = 0;
        if (!readValue(settingsFields[i].valueName, v) || v.type != REG_DWORD || v.data.size() != 4)
            return false;
        std::memcpy(&n, v.data.data(), 4);
        if (n != settingsField(cradleSettings, i))
            return false;
    }
    return true;
}

TEST_F(HostileSettingsTest, AValueWhereTheKeyShouldBeGivesDefaultsAndSurvivesASave) {
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orbweave", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(parent, "Zeride", 0, REG_SZ, (const BYTE*)"not a key", 10),
              ERROR_SUCCESS);
    std::memset(&cradleSettings, 0x5A, sizeof cradleSettings);
    loadSettings();
    EXPECT_EQ(recordText(), defaultsText());
    EXPECT_FALSE(optionKeyExists());
    cradleSettings.patternEnabled[3] = 0;
    saveSettings();
    EXPECT_TRUE(keyHoldsRecord());
    char text[16] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(parent, "Zeride", nullptr, nullptr, (BYTE*)text, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "not a key") << "the value beside the key was lost";
    RegDeleteValueA(parent, "Zeride");
    RegCloseKey(parent);
}

// Sets the key's access list from a description in the system's security language.
bool setKeyAccess(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, WRITE_DAC, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return status == ERROR_SUCCESS;
}

TEST_F(HostileSettingsTest, AKeyThatCannotBeReadGivesDefaultsAndTakesASave) {
    for (int i = 0; i < settingsFieldCount; ++i)
        putDword(settingsFields[i].valueName, 7);
    // Everyone may write, delete and change the access list, but not read.
    ASSERT_TRUE(setKeyAccess("D:(A;;KWSDWDRC;;;WD)"));
    HKEY probe = nullptr;
    const LONG open = RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &probe);
    if (open == ERROR_SUCCESS) {
        RegCloseKey(probe);
        setKeyAccess("D:(A;;KA;;;WD)");
        GTEST_SKIP() << "this Wine does not enforce the key's access list";
    }
    std::memset(&cradleSettings, 0x5A, sizeof cradleSettings);
    loadSettings();
    EXPECT_EQ(recordText(), defaultsText());
    cradleSettings.atiFix = 0;
    saveSettings();
    ASSERT_TRUE(setKeyAccess("D:(A;;KA;;;WD)"));
    EXPECT_TRUE(keyHoldsRecord()) << "the save into the unreadable key was lost";
}

// The dialog in a fresh process on a hostile key: every box shows a valid state that matches
// what the load gave (fields start at 0 in a fresh process), and OK writes thirteen
// well-formed REG_DWORD values of those fields.
DWORD dialogCheck(HWND dialog, int id) {
    return DWORD(SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0));
}

HWND dialogOf(DWORD processId) {
    for (int tries = 0; tries < 1200; ++tries) {
        HWND dialog = FindWindowA("#32770", "Clackmoor Screen Saver");
        DWORD pid = 0;
        GetWindowThreadProcessId(dialog, &pid);
        if (dialog && pid == processId && IsWindowVisible(dialog))
            return dialog;
        Sleep(50);
    }
    return nullptr;
}

TEST_F(HostileSettingsTest, TheDialogShowsValidStatesAndOkWritesDwords) {
    std::mt19937 random(7u);
    for (int round = 0; round < 6; ++round) {
        deleteOptionKey();
        HKEY key = openForWriting();
        ASSERT_NE(key, nullptr);
        writeHostileRecord(key, random);
        if (round == 0) { // both touching flags set, as only an outside edit can
            RegSetValueExA(key, "TouchBox1", 0, REG_BINARY, (const BYTE*)"\x05", 1);
            RegSetValueExA(key, "TouchBox2", 0, REG_SZ, (const BYTE*)"7", 2);
        }
        for (int i = 0; i < settingsFieldCount; ++i)
            settingsField(cradleSettings, i) = expectedField(key, settingsFields[i].valueName, 0);
        RegCloseKey(key);

        HANDLE process = startProcess("\"" + besideTestProgram("settings_probe.exe") + "\" dialog");
        ASSERT_NE(process, nullptr);
        HWND dialog = dialogOf(GetProcessId(process));
        ASSERT_NE(dialog, nullptr) << "round " << round;
        // NOTE: Wine's BM_SETCHECK on an automatic radio clears the others of its group, so
        // with both touching flags set Always may show either state; Never is marked.
        const bool bothTouching = cradleSettings.touchAlways && cradleSettings.touchNever;
        for (int i = 0; i < settingsFieldCount; ++i) {
            const DWORD shown = dialogCheck(dialog, settingsFields[i].dialogId);
            const DWORD expected =
                settingsField(cradleSettings, i) ? DWORD(BST_CHECKED) : DWORD(BST_UNCHECKED);
            const bool eitherState = bothTouching && settingsFields[i].dialogId == 1023;
            EXPECT_TRUE(shown == expected || (eitherState && shown == BST_UNCHECKED))
                << "round " << round << ", " << settingsFields[i].valueName << " shows " << shown;
        }
        const bool sometimes = !cradleSettings.touchAlways && !cradleSettings.touchNever;
        EXPECT_EQ(dialogCheck(dialog, 1024), sometimes ? DWORD(BST_CHECKED) : DWORD(BST_UNCHECKED));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        EXPECT_EQ(code, 1u);
        EXPECT_TRUE(keyHoldsRecord()) << "round " << round;
        EXPECT_EQ(optionValueCount(), size_t(settingsFieldCount));
    }
}

} // namespace
