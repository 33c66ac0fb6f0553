// The settings store on Wine's real registry, in this process and in fresh probe processes.
#include "tests/settings/option_key.h"

namespace {

using StoreTest = OptionKeyTest;

TEST_F(StoreTest, AbsentKeyGivesTheDefaultsAndStaysAbsent) {
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
TEST_F(StoreTest, ValuesOfAnyTypeAndSize) {
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
    EXPECT_EQ(snapshotOptionKey().values.size(), 6u) << "loading rewrote the key";
}

TEST_F(StoreTest, SaveWritesThirteenDwordsThatAFreshProcessReads) {
    for (int i = 0; i < settingsFieldCount; ++i)
        settingsField(cradleSettings, i) = uint32_t(i * 7);
    cradleSettings.atiFix = 0x80000001u;
    putValue("Type7", REG_SZ, "a long string", 14); // overwritten whatever its type
    saveSettings();
    EXPECT_EQ(storedRecord(), "0 7 14 21 28 35 42 49 56 63 70 77 2147483649");
    EXPECT_EQ(loadInFreshProcess(), storedRecord());
}

TEST_F(StoreTest, SaveThatCannotCreateTheKeyWritesNothing) {
    // A volatile parent cannot hold the non-volatile option key.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orbweave", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    saveSettings();
    EXPECT_EQ(storedRecord(), "absent");
}

// One process saves two records in turn while another loads at full speed: every load sees,
// value by value, one record or the other, never a default or a torn number.
TEST_F(StoreTest, ConcurrentSaveAndLoadInTwoProcesses) {
    for (int i = 0; i < settingsFieldCount; ++i) // record A, so no load meets a missing key
        settingsField(cradleSettings, i) = uint32_t(1000 + i);
    saveSettings();
    const std::string probe = besideTestProgram("settings_probe.exe");
    HANDLE saver = startProcess(probe + " churn-save 1501"); // ends on record A
    ASSERT_NE(saver, nullptr);
    std::string loaded;
    EXPECT_EQ(runProcess(probe + " churn-load", &loaded), 0u) << loaded;
    WaitForSingleObject(saver, INFINITE);
    CloseHandle(saver);
    EXPECT_NE(loaded.find(" bad 0 final A"), std::string::npos) << loaded;
    std::printf("[ concurrency ] %s\n", loaded.c_str());
}

} // namespace
