// The post, rail and lug meshes as embedded: counts, the stored values of the construction
// rules, planar quads, closed cylinders, the second rail, winding.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include "assets/assets.h"

namespace {

const StandVertex* records(const MeshView& mesh) {
    return static_cast<const StandVertex*>(mesh.records);
}

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec position(const StandVertex& v) {
    return {v.x, v.y, v.z};
}

// Area normal of a quad (Newell), pointing to where it is seen counter-clockwise.
Vec quadNormal(const Vec q[4]) {
    Vec n{0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        Vec a = q[i], b = q[(i + 1) % 4];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Expected record: normal, s t, position, as the six-digit tables list them.
struct Listed {
    int index;
    float nx, ny, nz, s, t, x, y, z;
};

void expectRecord(const StandVertex& v, const Listed& e) {
    SCOPED_TRACE(testing::Message() << "vertex " << e.index);
    // Components listed as 0 hold the tiny sine of 360° where the rule needs it; every other
    // stored value is the float nearest its six-digit decimal, so equality is exact.
    EXPECT_EQ(v.nx, e.nx);
    EXPECT_EQ(v.ny, e.ny);
    EXPECT_EQ(v.nz, e.nz);
    EXPECT_EQ(v.s, e.s);
    EXPECT_EQ(v.t, e.t);
    EXPECT_EQ(v.x, e.x);
    EXPECT_EQ(v.y, e.y);
    EXPECT_EQ(v.z, e.z);
}

TEST(Meshes, CountsAndStrides) {
    EXPECT_EQ(postMesh().count, 84);
    EXPECT_EQ(railMesh().count, 168);
    EXPECT_EQ(lugMesh().count, 20);
    EXPECT_EQ(postMesh().stride, 32);
    EXPECT_EQ(railMesh().stride, 32);
    EXPECT_EQ(lugMesh().stride, 12);
    EXPECT_EQ(offsetof(StandVertex, s), 12u);
    EXPECT_EQ(offsetof(StandVertex, x), 20u);
}

TEST(Meshes, PostStoredValues) {
    const Listed listed[] = {
        {0, 0, 0, 1, 0, 0.05f, -2.47991f, -3.2f, -1.43818f},
        {1, 0, 0, 1, 1, 0.05f, -2.47991f, 0, -1.43818f},
        {2, 0, 0, 1, 1, 0, -2.5f, 0, -1.435f},
        {3, 0, 0, 1, 0, 0, -2.5f, -3.2f, -1.435f},
        {4, 0.309017f, 0, 0.951057f, 0, 0.1f, -2.46179f, -3.2f, -1.44741f},
        {5, 0.309017f, 0, 0.951057f, 1, 0.1f, -2.46179f, 0, -1.44741f},
        {6, 0.309017f, 0, 0.951057f, 1, 0.05f, -2.47991f, 0, -1.43818f},
        {7, 0.309017f, 0, 0.951057f, 0, 0.05f, -2.47991f, -3.2f, -1.43818f},
        // facet 4 at 72°: z = -1.5 + 0.065 cos 72°
        {19, 0.951057f, 0, 0.309017f, 0, 0.2f, -2.43818f, -3.2f, -1.47991f},
        // the closing strip; its normal is (sin 360°, 0, cos 360°)
        {80, -2.44921e-16f, 0, 1, 0, 1.05f, -2.5f, -3.2f, -1.5f},
        {81, -2.44921e-16f, 0, 1, 1, 1.05f, -2.5f, 0, -1.5f},
        {82, -2.44921e-16f, 0, 1, 1, 1, -2.5f, 0, -1.435f},
        {83, -2.44921e-16f, 0, 1, 0, 1, -2.5f, -3.2f, -1.435f},
    };
    for (const Listed& e : listed) {
        expectRecord(records(postMesh())[e.index], e);
    }
}

TEST(Meshes, RailStoredValues) {
    const Listed listed[] = {
        {0, 0, 0, 1, 0, 0, -2.5f, 0, 1.565f},
        {1, 0, 0, 1, 1, 0, 2.5f, 0, 1.565f},
        {2, 0, 0, 1, 1, 0.05f, 2.5f, 0.0200861f, 1.56182f},
        {3, 0, 0, 1, 0, 0.05f, -2.5f, 0.0200861f, 1.56182f},
        {6, 0, 0.309017f, 0.951057f, 1, 0.1f, 2.5f, 0.038206f, 1.55259f},
        // facet 19 ends at 360°: y = 0.065 sin 360°
        {78, 0, -0.309017f, 0.951057f, 1, 1, 2.5f, -1.59199e-17f, 1.565f},
        {80, 0, -2.44921e-16f, 1, 0, 1, -2.5f, -1.59199e-17f, 1.565f},
        {81, 0, -2.44921e-16f, 1, 1, 1, 2.5f, -1.59199e-17f, 1.565f},
        {82, 0, -2.44921e-16f, 1, 1, 1.05f, 2.5f, 0, 1.5f},
        {83, 0, -2.44921e-16f, 1, 0, 1.05f, -2.5f, 0, 1.5f},
        {84, 0, 0, 1, 0, 0, -2.5f, 0, -1.435f},
        {86, 0, 0, 1, 1, 0.05f, 2.5f, 0.0200861f, -1.43818f},
        {166, 0, -2.44921e-16f, 1, 1, 1.05f, 2.5f, 0, -1.5f},
        {167, 0, -2.44921e-16f, 1, 0, 1.05f, -2.5f, 0, -1.5f},
    };
    for (const Listed& e : listed) {
        expectRecord(records(railMesh())[e.index], e);
    }
}

TEST(Meshes, LugBlockInTheListedOrder) {
    const float h = 0.02f, lo = 0.35f, hi = 0.5f;
    const float expected[20][3] = {{-h, hi, -h}, {-h, hi, h},  {h, hi, h},  {h, hi, -h},
                                   {-h, hi, -h}, {-h, lo, -h}, {h, lo, -h}, {h, hi, -h},
                                   {-h, hi, h},  {-h, lo, h},  {h, lo, h},  {h, hi, h},
                                   {-h, hi, -h}, {-h, lo, -h}, {-h, lo, h}, {-h, hi, h},
                                   {h, hi, -h},  {h, hi, h},   {h, lo, h},  {h, lo, -h}};
    const float* lug = static_cast<const float*>(lugMesh().records);
    for (int i = 0; i < 20; ++i) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(lug[3 * i + c], expected[i][c]) << "vertex " << i << " component " << c;
        }
    }
}

// Every stored value is exactly its six-significant-digit decimal; texture coordinates are
// multiples of 0.05 and normals are unit length; a quad's four vertices share its normal.
void expectWellFormed(const MeshView& mesh) {
    for (int i = 0; i < mesh.count; ++i) {
        const StandVertex& v = records(mesh)[i];
        const float fields[8] = {v.nx, v.ny, v.nz, v.s, v.t, v.x, v.y, v.z};
        for (float f : fields) {
            char text[32];
            std::snprintf(text, sizeof text, "%.6g", f);
            EXPECT_EQ(std::strtof(text, nullptr), f) << "vertex " << i;
        }
        EXPECT_NEAR(std::remainder(v.s, 0.05), 0.0, 1e-6) << "vertex " << i;
        EXPECT_NEAR(std::remainder(v.t, 0.05), 0.0, 1e-6) << "vertex " << i;
        EXPECT_NEAR(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz, 1.0, 4e-6) << "vertex " << i;
        const StandVertex& first = records(mesh)[i - i % 4];
        EXPECT_TRUE(v.nx == first.nx && v.ny == first.ny && v.nz == first.nz) << "vertex " << i;
    }
}

TEST(Meshes, StoredToSixDigitsWithUnitNormals) {
    expectWellFormed(postMesh());
    expectWellFormed(railMesh());
}

// Planar to within the six-digit rounding of the corners (1e-6 scene units).
void expectPlanar(const Vec* corners, int count) {
    for (int q = 0; q < count / 4; ++q) {
        const Vec* c = corners + 4 * q;
        Vec n = quadNormal(c);
        double length = std::sqrt(dot(n, n));
        ASSERT_GT(length, 0.0) << "quad " << q;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(dot(c[i] - c[0], n) / length, 0.0, 1e-6) << "quad " << q;
        }
    }
}

TEST(Meshes, QuadsArePlanar) {
    Vec corners[168];
    for (int i = 0; i < 84; ++i) {
        corners[i] = position(records(postMesh())[i]);
    }
    expectPlanar(corners, 84);
    for (int i = 0; i < 168; ++i) {
        corners[i] = position(records(railMesh())[i]);
    }
    expectPlanar(corners, 168);
    const float* lug = static_cast<const float*>(lugMesh().records);
    for (int i = 0; i < 20; ++i) {
        corners[i] = {lug[3 * i], lug[3 * i + 1], lug[3 * i + 2]};
    }
    expectPlanar(corners, 20);
}

// Facet k ends where facet k + 1 begins, and facet 19 ends where facet 0 begins; every facet
// corner lies on the radius 0.065 around the axis, to within the rounding of its coordinates to
// five decimals (1e-5).
TEST(Meshes, CylindersAreClosed) {
    const StandVertex* post = records(postMesh());
    for (int k = 0; k < 20; ++k) {
        const StandVertex* next = post + 4 * ((k + 1) % 20);
        // post facet: 0,1 at the later angle, 2,3 at the earlier one
        EXPECT_NEAR(post[4 * k].x, next[3].x, 1e-12) << "post facet " << k;
        EXPECT_NEAR(post[4 * k].z, next[3].z, 1e-12) << "post facet " << k;
        for (int i = 0; i < 4; ++i) {
            double dx = post[4 * k + i].x + 2.5, dz = post[4 * k + i].z + 1.5;
            EXPECT_NEAR(std::sqrt(dx * dx + dz * dz), 0.065, 1e-5) << "post facet " << k;
        }
    }
    const StandVertex* rail = records(railMesh());
    for (int k = 0; k < 20; ++k) {
        const StandVertex* next = rail + 4 * ((k + 1) % 20);
        // rail facet: 0,1 at the earlier angle, 2,3 at the later one
        EXPECT_NEAR(rail[4 * k + 3].y, next[0].y, 1e-12) << "rail facet " << k;
        EXPECT_NEAR(rail[4 * k + 3].z, next[0].z, 1e-12) << "rail facet " << k;
        for (int i = 0; i < 4; ++i) {
            double dy = rail[4 * k + i].y, dz = rail[4 * k + i].z - 1.5;
            EXPECT_NEAR(std::sqrt(dy * dy + dz * dz), 0.065, 1e-5) << "rail facet " << k;
        }
    }
}

TEST(Meshes, SecondRailIsTheFirstThreeUnitsBack) {
    const StandVertex* rail = records(railMesh());
    for (int i = 0; i < 84; ++i) {
        const StandVertex& a = rail[i];
        const StandVertex& b = rail[84 + i];
        EXPECT_TRUE(a.nx == b.nx && a.ny == b.ny && a.nz == b.nz && a.s == b.s && a.t == b.t &&
                    a.x == b.x && a.y == b.y)
            << "vertex " << i;
        EXPECT_EQ(b.z, a.z - 3.0f) << "vertex " << i;
    }
}

TEST(Meshes, BoundingBoxes) {
    auto box = [](const MeshView& mesh, float lo[3], float hi[3]) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = 1e9f;
            hi[c] = -1e9f;
        }
        for (int i = 0; i < mesh.count; ++i) {
            const float p[3] = {records(mesh)[i].x, records(mesh)[i].y, records(mesh)[i].z};
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::fmin(lo[c], p[c]);
                hi[c] = std::fmax(hi[c], p[c]);
            }
        }
    };
    float lo[3], hi[3];
    box(postMesh(), lo, hi);
    EXPECT_EQ(lo[0], -2.565f);
    EXPECT_EQ(hi[0], -2.435f);
    EXPECT_EQ(lo[1], -3.2f);
    EXPECT_EQ(hi[1], 0.0f);
    EXPECT_EQ(lo[2], -1.565f);
    EXPECT_EQ(hi[2], -1.435f);
    box(railMesh(), lo, hi);
    EXPECT_EQ(lo[0], -2.5f);
    EXPECT_EQ(hi[0], 2.5f);
    EXPECT_EQ(lo[1], -0.065f);
    EXPECT_EQ(hi[1], 0.065f);
    EXPECT_EQ(lo[2], -1.565f);
    EXPECT_EQ(hi[2], 1.565f);
}

// Seen from outside, every cylinder facet runs counter-clockwise: its area normal points away
// from the axis, the same way as its stored normal.
TEST(Meshes, FacetsWindCounterClockwiseFromOutside) {
    for (int mesh = 0; mesh < 2; ++mesh) {
        const MeshView view = mesh == 0 ? postMesh() : railMesh();
        for (int q = 0; q < view.count / 4; ++q) {
            if (q % 21 == 20) {
                continue; // closing strips lie inside
            }
            Vec c[4];
            for (int i = 0; i < 4; ++i) {
                c[i] = position(records(view)[4 * q + i]);
            }
            Vec centre = {(c[0].x + c[2].x) / 2, (c[0].y + c[2].y) / 2, (c[0].z + c[2].z) / 2};
            Vec axis =
                mesh == 0 ? Vec{-2.5, centre.y, -1.5} : Vec{centre.x, 0.0, q < 21 ? 1.5 : -1.5};
            Vec outward = centre - axis;
            const StandVertex& v = records(view)[4 * q];
            EXPECT_GT(dot(quadNormal(c), outward), 0.0) << "mesh " << mesh << " quad " << q;
            EXPECT_GT(dot(Vec{v.nx, v.ny, v.nz}, outward), 0.0) << "mesh " << mesh << " quad " << q;
        }
    }
}

TEST(Meshes, LugFacesWindAsListed) {
    const float* lug = static_cast<const float*>(lugMesh().records);
    // outward direction of each face; the face at z = -0.02 winds clockwise from outside
    const Vec outward[5] = {{0, 1, 0}, {0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}};
    const double sense[5] = {1, -1, 1, 1, 1};
    for (int q = 0; q < 5; ++q) {
        Vec c[4];
        for (int i = 0; i < 4; ++i) {
            c[i] = {lug[12 * q + 3 * i], lug[12 * q + 3 * i + 1], lug[12 * q + 3 * i + 2]};
        }
        EXPECT_GT(sense[q] * dot(quadNormal(c), outward[q]), 0.0) << "face " << q;
    }
}

} // namespace
