// The field table and the decoding of queried registry data.
#include "settings/settings.h"
#include <gtest/gtest.h>
#include <cstring>
#include <set>
#include <string>

TEST(SettingsTable, PersistedNamesInOrder) {
    const char* expected[settingsFieldCount] = {
        "Type1", "Type2", "Type3",  "Type4",     "Type5",     "Type6",  "Type7",
        "Type8", "Type9", "Type10", "TouchBox1", "TouchBox2", "ATI fix"};
    for (int i = 0; i < settingsFieldCount; ++i)
        EXPECT_STREQ(settingsFields[i].valueName, expected[i]) << "entry " << i;
}

TEST(SettingsTable, EachEntryOwnsOneFieldAndOneControl) {
    CradleSettings s = {};
    std::set<uint32_t*> fields;
    std::set<int> ids;
    for (int i = 0; i < settingsFieldCount; ++i) {
        fields.insert(&settingsField(s, i));
        ids.insert(settingsFields[i].dialogId);
    }
    EXPECT_EQ(fields.size(), size_t(settingsFieldCount));
    EXPECT_EQ(ids.size(), size_t(settingsFieldCount));
    EXPECT_EQ(&settingsField(s, 0), &s.patternEnabled[0]);
    EXPECT_EQ(&settingsField(s, 9), &s.patternEnabled[9]);
    EXPECT_EQ(&settingsField(s, 10), &s.touchAlways);
    EXPECT_EQ(&settingsField(s, 11), &s.touchNever);
    EXPECT_EQ(&settingsField(s, 12), &s.atiFix);
    for (int k = 0; k < patternCount; ++k)
        EXPECT_EQ(settingsFields[k].dialogId, 1012 + k);
    EXPECT_EQ(settingsFields[10].dialogId, 1023); // Always
    EXPECT_EQ(settingsFields[11].dialogId, 1025); // Never
    EXPECT_EQ(settingsFields[12].dialogId, 1026);
    EXPECT_EQ(ids.count(1022), 0u);
}

TEST(SettingsTable, DefaultsAllowEveryPatternTouchAlwaysAndAtiFix) {
    CradleSettings s;
    std::memset(&s, 0xA5, sizeof s);
    applyDefaultSettings(s);
    for (int k = 0; k < patternCount; ++k)
        EXPECT_EQ(s.patternEnabled[k], 1u);
    EXPECT_EQ(s.touchAlways, 1u);
    EXPECT_EQ(s.touchNever, 0u);
    EXPECT_EQ(s.atiFix, 1u);
}

TEST(SettingsDecode, FourBytesAreLittleEndian) {
    const unsigned char data[4] = {0x78, 0x56, 0x34, 0x12};
    uint32_t field = 0;
    EXPECT_TRUE(decodeSettingsValue(data, 4, field));
    EXPECT_EQ(field, 0x12345678u);
}

TEST(SettingsDecode, ShortDataIsZeroExtendedNotMergedWithTheOldValue) {
    const unsigned char data[4] = {0x07, 0x01, 0xEE, 0xEE}; // bytes past `size` must be ignored
    uint32_t field = 0xAABBCCDDu;
    EXPECT_TRUE(decodeSettingsValue(data, 1, field));
    EXPECT_EQ(field, 0x07u);
    field = 0xAABBCCDDu;
    EXPECT_TRUE(decodeSettingsValue(data, 2, field));
    EXPECT_EQ(field, 0x0107u);
    field = 0xAABBCCDDu;
    EXPECT_TRUE(decodeSettingsValue(data, 0, field));
    EXPECT_EQ(field, 0u);
}

TEST(SettingsDecode, LongerDataKeepsTheField) {
    const unsigned char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint32_t field = 42;
    EXPECT_FALSE(decodeSettingsValue(data, 5, field));
    EXPECT_EQ(field, 42u);
}
