// The embedded arrays are exactly what the generators make, and the generators repeat
// themselves. Native only: the build machine ran the same generator code to write the arrays.
#include "assets/assets.h"
#include "assets/generate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(Generators, EmbeddedArraysAreTheGeneratorsOutput) {
    StandVertex post[postVertexCount], rail[railVertexCount];
    float lug[lugVertexCount * 3];
    buildPostMesh(post);
    buildRailMesh(rail);
    buildLugMesh(lug);
    EXPECT_EQ(std::memcmp(post, postMesh().records, sizeof post), 0);
    EXPECT_EQ(std::memcmp(rail, railMesh().records, sizeof rail), 0);
    EXPECT_EQ(std::memcmp(lug, lugMesh().records, sizeof lug), 0);
    for (int name = 1; name <= textureCount; ++name) {
        const TextureShape shape = textureShape(name);
        std::vector<uint8_t> first(shape.bytes), second(shape.bytes, 0xA5);
        buildTexture(name, first.data());
        buildTexture(name, second.data());
        EXPECT_EQ(first, second) << "texture " << name << " is not repeatable";
        EXPECT_EQ(std::memcmp(first.data(), embeddedTexture(name).texels, shape.bytes), 0) << name;
    }
}
