// The settings store on Wine's real registry, in this process and in fresh probe processes.
#include "tests/settings/option_key.h"
#include <cstring>

namespace {

std::string recordText(const CradleSettings& s) {
    std::string text;
    for (int i = 0; i < settingsFieldCount; ++i)
        text += (i ? " " : "") + std::to_string(settingsField(const_cast<CradleSettings&>(s), i));
    return text;
}

void scramble(CradleSettings& s) {
    std::memset(&s, 0x5A, sizeof s);
}

using StoreTest = OptionKeyTest;

TEST_F(StoreTest, AbsentKeyGivesDefaultsAndStaysAbsent) {
    scramble(cradleSettings);
    loadSettings();
    EXPECT_EQ(recordText(cradleSettings), "1 1 1 1 1 1 1 1 1 1 1 0 1");
    EXPECT_FALSE(optionKeyExists());
    EXPECT_EQ(loadInFreshProcess(), "1 1 1 1 1 1 1 1 1 1 1 0 1");
    EXPECT_FALSE(optionKeyExists());
}

TEST_F(StoreTest, FreshProcessLoadsOnlyWhatTheKeyHolds) {
    putDword("Type3", 1);
    EXPECT_EQ(loadInFreshProcess(), "0 0 1 0 0 0 0 0 0 0 0 0 0");
    // An empty key: no pattern enabled, touching Sometimes, no work-around.
    deleteValue("Type3");
    EXPECT_EQ(loadInFreshProcess(), "0 0 0 0 0 0 0 0 0 0 0 0 0");
}

TEST_F(StoreTest, NumbersOtherThanZeroAndOneLoadAsStored) {
    putDword("Type1", 5);
    putDword("TouchBox1", 1);
    putDword("TouchBox2", 1);
    putDword("ATI fix", 0xFFFFFFFFu);
    EXPECT_EQ(loadInFreshProcess(), "5 0 0 0 0 0 0 0 0 0 1 1 4294967295");
}

TEST_F(StoreTest, ValuesOfOtherTypesAndSizes) {
    applyDefaultSettings(cradleSettings);
    cradleSettings.patternEnabled[3] = 0xAABBCCDDu;
    putValue("Type1", REG_SZ, "hello", 6); // longer than 4: keeps the field
    const unsigned char four[4] = {0x02, 0x01, 0x00, 0x00};
    putValue("Type2", REG_BINARY, four, 4); // exactly 4: read as is
    putValue("Type3", REG_SZ, "ab", 3);     // short: zero-extended
    const unsigned char one[1] = {0x07};
    putValue("Type4", REG_BINARY, one, 1);     // no byte of 0xAABBCCDD survives
    putValue("Type5", REG_BINARY, nullptr, 0); // empty reads as 0
    const unsigned char eight[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    putValue("Type6", REG_QWORD, eight, 8);
    loadSettings();
    EXPECT_EQ(cradleSettings.patternEnabled[0], 1u);
    EXPECT_EQ(cradleSettings.patternEnabled[1], 0x0102u);
    EXPECT_EQ(cradleSettings.patternEnabled[2], 0x006261u);
    EXPECT_EQ(cradleSettings.patternEnabled[3], 7u);
    EXPECT_EQ(cradleSettings.patternEnabled[4], 0u);
    EXPECT_EQ(cradleSettings.patternEnabled[5], 1u);
    // Loading never rewrites what it could not use.
    StoredValue v;
    ASSERT_TRUE(readValue("Type1", v));
    EXPECT_EQ(v.type, DWORD(REG_SZ));
    EXPECT_EQ(optionValueCount(), 6u);
}

TEST_F(StoreTest, SaveWritesThirteenDwordsThatAFreshProcessReadsBack) {
    for (int i = 0; i < settingsFieldCount; ++i)
        settingsField(cradleSettings, i) = uint32_t(i * 7);
    cradleSettings.patternEnabled[9] = 0xFFFFFFFFu;
    cradleSettings.atiFix = 0x80000001u;
    const CradleSettings before = cradleSettings;
    saveSettings();
    EXPECT_EQ(std::memcmp(&before, &cradleSettings, sizeof before), 0) << "save changed the record";
    EXPECT_EQ(optionValueCount(), size_t(settingsFieldCount));
    for (int i = 0; i < settingsFieldCount; ++i) {
        StoredValue v;
        ASSERT_TRUE(readValue(settingsFields[i].valueName, v)) << settingsFields[i].valueName;
        EXPECT_EQ(v.type, DWORD(REG_DWORD)) << v.name;
        ASSERT_EQ(v.data.size(), 4u) << v.name;
        uint32_t stored;
        std::memcpy(&stored, v.data.data(), 4);
        EXPECT_EQ(stored, settingsField(cradleSettings, i)) << v.name;
    }
    EXPECT_EQ(loadInFreshProcess(), recordText(before));
}

TEST_F(StoreTest, SaveOverwritesEveryValueOfAnyType) {
    putValue("Type7", REG_SZ, "a long string", 14);
    putDword("Type8", 0);
    applyDefaultSettings(cradleSettings);
    saveSettings();
    StoredValue v;
    ASSERT_TRUE(readValue("Type7", v));
    EXPECT_EQ(v.type, DWORD(REG_DWORD));
    EXPECT_EQ(loadInFreshProcess(), "1 1 1 1 1 1 1 1 1 1 1 0 1");
}

TEST_F(StoreTest, ASecondLoadKeepsFieldsWhoseValuesWereDeleted) {
    for (int i = 0; i < settingsFieldCount; ++i)
        putDword(settingsFields[i].valueName, 3);
    loadSettings();
    deleteValue("Type2");
    deleteValue("ATI fix");
    putDword("Type1", 4);
    loadSettings();
    EXPECT_EQ(recordText(cradleSettings), "4 3 3 3 3 3 3 3 3 3 3 3 3");
}

TEST_F(StoreTest, SaveThatCannotCreateTheKeyWritesNothing) {
    // A volatile parent cannot hold the non-volatile option key.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orbweave", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    applyDefaultSettings(cradleSettings);
    saveSettings();
    EXPECT_FALSE(optionKeyExists());
    loadSettings();
    EXPECT_EQ(recordText(cradleSettings), "1 1 1 1 1 1 1 1 1 1 1 0 1");
}

// One process saves two different records in turn while another loads at full speed: each
// load sees, value by value, one record or the other, never a default or a torn number.
TEST_F(StoreTest, ConcurrentSaveAndLoadInTwoProcesses) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "ClackmoorChurnLoaderReady");
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, "ClackmoorChurnSaverDone");
    ResetEvent(ready);
    ResetEvent(done);
    const std::string probe = "\"" + besideTestProgram("settings_probe.exe") + "\"";
    // The key starts as record A so that the loader never meets a missing key.
    std::string startAsA = probe + " save";
    for (int i = 0; i < settingsFieldCount; ++i)
        startAsA += " " + std::to_string(1000 + i);
    ASSERT_EQ(runProcess(startAsA), 0u);

    HANDLE saver = startProcess(probe + " churn-save 1501"); // ends on record A
    ASSERT_NE(saver, nullptr);
    std::string loaderOutput;
    const DWORD loaderCode = runProcess(probe + " churn-load", &loaderOutput);
    WaitForSingleObject(saver, INFINITE);
    DWORD saverCode = 1;
    GetExitCodeProcess(saver, &saverCode);
    CloseHandle(saver);
    CloseHandle(ready);
    CloseHandle(done);

    EXPECT_EQ(saverCode, 0u);
    EXPECT_EQ(loaderCode, 0u) << loaderOutput;
    EXPECT_NE(loaderOutput.find(" bad 0 final A"), std::string::npos) << loaderOutput;
    std::printf("[ concurrency ] %s\n", loaderOutput.c_str());
}

} // namespace
