// The options record: its defaults, and the decoding of queried registry data.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>

// Without a key: every pattern enabled, touching Always, the ATI work-around on.
TEST(SettingsRecord, Defaults) {
    CradleSettings s;
    std::memset(&s, 0xA5, sizeof s);
    applyDefaultSettings(s);
    for (uint32_t enabled : s.patternEnabled)
        EXPECT_EQ(enabled, 1u);
    EXPECT_EQ(s.touchAlways, 1u);
    EXPECT_EQ(s.touchNever, 0u);
    EXPECT_EQ(s.atiFix, 1u);
}

// Little-endian, shorter data zero-extended (nothing of the old value survives), and data
// longer than 4 bytes refused with the field kept.
TEST(SettingsRecord, DecodesUpToFourBytes) {
    const unsigned char data[8] = {0x78, 0x56, 0x34, 0x12, 5, 6, 7, 8};
    const struct {
        uint32_t size;
        bool taken;
        uint32_t field;
    } cases[] = {{4, true, 0x12345678u}, {2, true, 0x5678u}, {1, true, 0x78u},
                 {0, true, 0u},          {5, false, 42u},    {8, false, 42u}};
    for (const auto& c : cases) {
        uint32_t field = 42;
        EXPECT_EQ(decodeSettingsValue(data, c.size, field), c.taken) << "size " << c.size;
        EXPECT_EQ(field, c.field) << "size " << c.size;
    }
}
