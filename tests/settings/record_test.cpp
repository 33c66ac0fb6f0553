// The options record: its defaults, and the decoding of queried registry data.
#include "settings/settings.h"
#include <gtest/gtest.h>
#include <cstring>

// Without a key: every pattern enabled, touching Always, the ATI work-around on.
TEST(SettingsRecord, Defaults) {
    CradleSettings s, expected = {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, 0, 1};
    std::memset(&s, 0xA5, sizeof s);
    applyDefaultSettings(s);
    EXPECT_EQ(std::memcmp(&s, &expected, sizeof s), 0);
}

// Little-endian and zero-extended (nothing of the old value survives); over 4 bytes refused.
TEST(SettingsRecord, DecodesUpToFourBytes) {
    const unsigned char data[8] = {0x78, 0x56, 0x34, 0x12, 5, 6, 7, 8};
    const uint32_t fieldAfter[9] = {0, 0x78, 0x5678, 0x345678, 0x12345678, 42, 42, 42, 42};
    for (uint32_t size = 0; size <= 8; ++size) {
        uint32_t field = 42;
        EXPECT_EQ(decodeSettingsValue(data, size, field), size <= 4) << "size " << size;
        EXPECT_EQ(field, fieldAfter[size]) << "size " << size;
    }
}
