// The embedded arrays are exactly what the generators make, and the generators are repeatable.
// Native only: the build machine ran the same generator code to write the arrays.
#include <cstring>
#include <vector>
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "assets/generate.h"

namespace {

TEST(Generators, MeshesEqualTheEmbeddedTables) {
    StandVertex post[postVertexCount];
    StandVertex rail[railVertexCount];
    float lug[lugVertexCount * 3];
    buildPostMesh(post);
    buildRailMesh(rail);
    buildLugMesh(lug);
    EXPECT_EQ(std::memcmp(post, postMesh().records, sizeof post), 0);
    EXPECT_EQ(std::memcmp(rail, railMesh().records, sizeof rail), 0);
    EXPECT_EQ(std::memcmp(lug, lugMesh().records, sizeof lug), 0);
}

TEST(Generators, TexturesEqualTheEmbeddedImages) {
    for (int name = 1; name <= textureCount; ++name) {
        TextureShape shape = textureShape(name);
        TextureView view = embeddedTexture(name);
        ASSERT_EQ(view.width, shape.width) << "texture " << name;
        ASSERT_EQ(view.height, shape.height) << "texture " << name;
        ASSERT_EQ(view.format, shape.format) << "texture " << name;
        std::vector<uint8_t> first(shape.bytes), second(shape.bytes, 0xA5);
        buildTexture(name, first.data());
        buildTexture(name, second.data());
        EXPECT_EQ(first, second) << "texture " << name << " is not repeatable";
        EXPECT_EQ(std::memcmp(first.data(), view.texels, shape.bytes), 0) << "texture " << name;
    }
}

TEST(Generators, ShapesAndByteCounts) {
    const int bytes[textureCount] = {131072, 16384, 16384, 49152, 12288};
    const int channels[textureCount] = {1, 1, 1, 3, 3};
    for (int name = 1; name <= textureCount; ++name) {
        TextureShape shape = textureShape(name);
        EXPECT_EQ(shape.bytes, bytes[name - 1]) << "texture " << name;
        EXPECT_EQ(shape.width * shape.height * channels[name - 1], shape.bytes);
        EXPECT_EQ(shape.format == TexelFormat::rgb ? 3 : 1, channels[name - 1]);
    }
    EXPECT_EQ(textureShape(0).bytes, 0);
    EXPECT_EQ(textureShape(6).bytes, 0);
    EXPECT_EQ(embeddedTexture(0).texels, nullptr);
    EXPECT_EQ(embeddedTexture(6).texels, nullptr);
}

} // namespace
