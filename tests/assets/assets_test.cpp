// The embedded meshes and textures against what the scene needs: where the stand's parts are,
// how thick, which way they face, and described statistics of each picture with tolerances.
#include "assets/assets.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

using Vec = std::array<double, 3>;

// Vertex i's position (a stand vertex holds it after its normal and texture coordinate).
Vec at(const MeshView& mesh, int i) {
    const float* f = reinterpret_cast<const float*>(static_cast<const char*>(mesh.records) +
                                                    i * mesh.stride + (mesh.stride == 32 ? 20 : 0));
    return {f[0], f[1], f[2]};
}

// Posts 3.2 high with their foot at the corner (-2.5, -3.2, -1.5), rails along x at z = +-1.5,
// both 0.065 thick; the lug a block 0.04 across from 0.35 to 0.5 above the ball's centre.
TEST(Meshes, PartsSitWhereTheStandNeedsThem) {
    const struct {
        const char* name;
        MeshView mesh;
        Vec low, high;
    } parts[] = {{"post", postMesh(), {-2.565, -3.2, -1.565}, {-2.435, 0.0, -1.435}},
                 {"rails", railMesh(), {-2.5, -0.065, -1.565}, {2.5, 0.065, 1.565}},
                 {"lug", lugMesh(), {-0.02, 0.35, -0.02}, {0.02, 0.5, 0.02}}};
    for (const auto& part : parts) {
        for (int c = 0; c < 3; ++c) {
            double low = 1e9, high = -1e9;
            for (int i = 0; i < part.mesh.count; ++i) {
                low = std::min(low, at(part.mesh, i)[c]);
                high = std::max(high, at(part.mesh, i)[c]);
            }
            EXPECT_NEAR(low, part.low[c], 1e-5) << part.name << " axis " << c;
            EXPECT_NEAR(high, part.high[c], 1e-5) << part.name << " axis " << c;
        }
    }
}

// Post and rail vertices lie on radius 0.065 or on the axis; facets' normals face outwards.
TEST(Meshes, CylindersAreRoundAndFaceOutwards) {
    for (int which = 0; which < 2; ++which) {
        const MeshView mesh = which == 0 ? postMesh() : railMesh();
        for (int i = 0; i < mesh.count; ++i) {
            const StandVertex& v = static_cast<const StandVertex*>(mesh.records)[i];
            const Vec out = which == 0 ? Vec{v.x + 2.5, 0.0, v.z + 1.5}
                                       : Vec{0.0, v.y, v.z - (i < 84 ? 1.5 : -1.5)};
            const double r = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
            EXPECT_TRUE(std::fabs(r - 0.065) < 1e-5 || r < 1e-5) << "mesh " << which << " " << i;
            if (r > 1e-5 && i % 84 < 80) { // facets; the closing strips lie inside
                EXPECT_GT(v.nx * out[0] + v.ny * out[1] + v.nz * out[2], 0.05) << which << " " << i;
            }
        }
    }
}

// Channel 0 to 2 of texture `t` at a texel, or with channel -1 the mean of the three.
double texel(const TextureView& t, int channel, int column, int row) {
    const uint8_t* p = t.texels + (row * t.width + column) * (t.format == TexelFormat::rgb ? 3 : 1);
    return channel >= 0 ? p[channel] : (p[0] + p[1] + p[2]) / 3.0;
}

enum Statistic { meanOf, maxOf, zeroShare };

// Over columns c0..c1, rows r0..r1, centres [radiusFrom, radiusTo) from the image's middle.
double measure(const TextureView& t, int channel, Statistic s, int c0, int c1, int r0, int r1,
               double radiusFrom, double radiusTo) {
    double sum = 0.0, best = 0.0, n = 0.0;
    for (int row = r0; row <= r1; ++row) {
        for (int column = c0; column <= c1; ++column) {
            const double dx = column + 0.5 - t.width / 2.0, dy = row + 0.5 - t.height / 2.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r < radiusFrom || r >= radiusTo)
                continue;
            const double value = texel(t, channel, column, row);
            sum += s == zeroShare ? (value == 0.0) : value;
            best = std::max(best, value);
            n += 1;
        }
    }
    return s == maxOf ? best : sum / n;
}

TEST(Textures, DescribedStatistics) {
    const struct {
        const char* what;
        int name, channel;
        Statistic statistic;
        int c0, c1, r0, r1;
        double radiusFrom, radiusTo, low, high;
    } rows[] = {
        {"backdrop: mean", 1, 0, meanOf, 0, 1023, 0, 127, 0, 1e9, 25.7, 27.7},
        {"backdrop: black share", 1, 0, zeroShare, 0, 1023, 0, 127, 0, 1e9, 0.384, 0.394},
        {"backdrop: bright patch, top right", 1, 0, meanOf, 959, 990, 112, 127, 0, 1e9, 140, 172},
        {"backdrop: dark stretch at columns 64-319", 1, 0, meanOf, 64, 319, 0, 127, 0, 1e9, 5, 21},
        {"lattice: nothing from radius 62 out", 2, 0, maxOf, 0, 127, 0, 127, 62, 1e9, 0, 0},
        {"lattice: mean inside radius 50", 2, 0, meanOf, 0, 127, 0, 127, 0, 50, 92, 108},
        {"lattice: soft edge at radius 52", 2, 0, meanOf, 0, 127, 0, 127, 51.5, 52.5, 41, 71},
        {"ring: mean inside radius 50", 3, 0, meanOf, 0, 127, 0, 127, 0, 50, 196, 208},
        {"ring: dark band at radius 8", 3, 0, meanOf, 0, 127, 0, 127, 7.5, 8.5, 148, 178},
        {"stand: red mean", 4, 0, meanOf, 0, 127, 0, 127, 0, 1e9, 135, 151},
        {"stand: blue mean", 4, 2, meanOf, 0, 127, 0, 127, 0, 1e9, 38, 52},
        {"stand: middle columns' brightness", 4, -1, meanOf, 48, 79, 0, 127, 0, 1e9, 107, 127},
        {"stand: brightness of the left edge", 4, -1, meanOf, 0, 7, 0, 127, 0, 1e9, 66, 88},
        {"ball: disc mean, blue", 5, 2, meanOf, 0, 63, 0, 63, 0, 32, 58, 66},
        {"ball: outside the disc", 5, -1, maxOf, 0, 63, 0, 63, 32, 1e9, 0, 13},
        {"ball: sun glint, red peak", 5, 0, maxOf, 38, 43, 20, 25, 0, 1e9, 209, 239},
        {"ball: spot at 40-45, 49-52", 5, -1, maxOf, 40, 45, 49, 52, 0, 1e9, 151, 181},
    };
    for (const auto& r : rows) {
        const double got = measure(embeddedTexture(r.name), r.channel, r.statistic, r.c0, r.c1,
                                   r.r0, r.r1, r.radiusFrom, r.radiusTo);
        std::printf("  %-44s %9.3f   [%g, %g]\n", r.what, got, r.low, r.high);
        EXPECT_GE(got, r.low) << r.what;
        EXPECT_LE(got, r.high) << r.what;
    }
}

// The backdrop scrolls for ever: its last column runs on into its first as smoothly as any
// column into the next, and unlike unrelated columns, so the wrap shows no seam.
TEST(Textures, BackdropWrapsAcrossItsWidth) {
    const TextureView t = embeddedTexture(1);
    auto difference = [&](int a, int b) {
        double sum = 0.0;
        for (int row = 0; row < t.height; ++row)
            sum += std::fabs(texel(t, 0, a, row) - texel(t, 0, b, row));
        return sum / t.height;
    };
    double neighbours = 0.0, far = 0.0;
    for (int c = 0; c + 1 < t.width; ++c)
        neighbours += difference(c, c + 1) / (t.width - 1);
    for (int c = 0; c < 512; c += 8)
        far += difference(c, c + 512) / 64;
    std::printf("  wrap %.2f, neighbouring columns %.2f, far columns %.2f\n",
                difference(t.width - 1, 0), neighbours, far);
    EXPECT_LE(difference(t.width - 1, 0), 1.5 * neighbours);
    EXPECT_GT(far, 28);
}

} // namespace
