// The stand and lug meshes: twenty-facet cylinders of radius 0.065 scene units, closed by a
// strip inside each, and the small block on top of every ball.
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include "assets/generate.h"

namespace {

constexpr double standRadius = 0.065; // scene units, also the post caps' radius
constexpr double postFootY = -3.2;
constexpr double cornerX = 2.5;
constexpr double cornerZ = 1.5;
constexpr double pi = 3.14159265358979323846;

// NOTE: sin 360° is stored as -2.44921e-16, the x87 FSIN result for the double nearest 2π
// (FSIN reduces by a 66-bit π). A libm sine gives -2.44929e-16 and an exact one 0; pinning the
// value keeps the stored bits the same on every build machine. It is never visible.
constexpr double sine360 = -2.4492127076447545e-16;

// A component as the tables hold it: six significant digits, then single precision.
float stored(double value) {
    if (value == 0.0) {
        return 0.0f; // never -0
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return std::strtof(text, nullptr);
}

// Sine of a whole number of degrees, exact at the quadrant angles.
double sineDegrees(int degrees) {
    degrees %= 360;
    double sign = 1.0;
    if (degrees >= 180) {
        degrees -= 180;
        sign = -1.0;
    }
    if (degrees > 90) {
        degrees = 180 - degrees;
    }
    if (degrees == 0) {
        return 0.0;
    }
    if (degrees == 90) {
        return sign;
    }
    return sign * std::sin(degrees * pi / 180.0);
}

// Sine and cosine of the facet angle 18°·k, k = 0 to 20.
double stepSine(int k) {
    return k == 20 ? sine360 : sineDegrees(18 * k);
}
double stepCosine(int k) {
    return sineDegrees(18 * k + 90);
}

StandVertex vertex(double nx, double ny, double nz, double s, double t, double x, double y,
                   double z) {
    return StandVertex{stored(nx), stored(ny), stored(nz), stored(s),
                       stored(t),  stored(x),  stored(y),  stored(z)};
}

// Post at the corner (-2.5, -1.5): angles from +z towards +x; a facet starts at its later
// angle, at the foot. s runs foot (0) to top (1), t around the girth.
void postFacet(StandVertex* out, int k, double t0, double t1) {
    double nx = stepSine(k);
    double nz = stepCosine(k);
    double x0 = -cornerX + standRadius * stepSine(k);
    double z0 = -cornerZ + standRadius * stepCosine(k);
    double x1 = -cornerX + standRadius * stepSine(k + 1);
    double z1 = -cornerZ + standRadius * stepCosine(k + 1);
    out[0] = vertex(nx, 0, nz, 0, t1, x1, postFootY, z1);
    out[1] = vertex(nx, 0, nz, 1, t1, x1, 0, z1);
    out[2] = vertex(nx, 0, nz, 1, t0, x0, 0, z0);
    out[3] = vertex(nx, 0, nz, 0, t0, x0, postFootY, z0);
}

// Rail at z = +1.5 shifted by zShift: angles from +z towards +y; a facet starts at its earlier
// angle, at x = -2.5. s runs from x = -2.5 (0) to x = 2.5 (1).
void railFacet(StandVertex* out, int k, double zShift) {
    double ny = stepSine(k);
    double nz = stepCosine(k);
    double y0 = standRadius * stepSine(k);
    double z0 = cornerZ + standRadius * stepCosine(k) + zShift;
    double y1 = standRadius * stepSine(k + 1);
    double z1 = cornerZ + standRadius * stepCosine(k + 1) + zShift;
    double t0 = 0.05 * k;
    double t1 = 0.05 * (k + 1);
    out[0] = vertex(0, ny, nz, 0, t0, -cornerX, y0, z0);
    out[1] = vertex(0, ny, nz, 1, t0, cornerX, y0, z0);
    out[2] = vertex(0, ny, nz, 1, t1, cornerX, y1, z1);
    out[3] = vertex(0, ny, nz, 0, t1, -cornerX, y1, z1);
}

// The closing strip: the plane at angle 360° (= 0°) from the surface in to the axis, t 1 to 1.05.
void railClosingStrip(StandVertex* out, double zShift) {
    double ny = stepSine(20);
    double nz = stepCosine(20);
    double y = standRadius * stepSine(20);
    double zSurface = cornerZ + standRadius * stepCosine(20) + zShift;
    double zAxis = cornerZ + zShift;
    out[0] = vertex(0, ny, nz, 0, 1, -cornerX, y, zSurface);
    out[1] = vertex(0, ny, nz, 1, 1, cornerX, y, zSurface);
    out[2] = vertex(0, ny, nz, 1, 1.05, cornerX, 0, zAxis);
    out[3] = vertex(0, ny, nz, 0, 1.05, -cornerX, 0, zAxis);
}

void buildRail(StandVertex* out, double zShift) {
    for (int k = 0; k < 20; ++k) {
        railFacet(out + 4 * k, k, zShift);
    }
    railClosingStrip(out + 80, zShift);
}

} // namespace

void buildPostMesh(StandVertex out[postVertexCount]) {
    for (int k = 0; k < 20; ++k) {
        postFacet(out + 4 * k, k, 0.05 * k, 0.05 * (k + 1));
    }
    double nx = stepSine(20);
    double nz = stepCosine(20);
    double xSurface = -cornerX + standRadius * stepSine(20);
    double zSurface = -cornerZ + standRadius * stepCosine(20);
    out[80] = vertex(nx, 0, nz, 0, 1.05, -cornerX, postFootY, -cornerZ);
    out[81] = vertex(nx, 0, nz, 1, 1.05, -cornerX, 0, -cornerZ);
    out[82] = vertex(nx, 0, nz, 1, 1, xSurface, 0, zSurface);
    out[83] = vertex(nx, 0, nz, 0, 1, xSurface, postFootY, zSurface);
}

// Both rails: the one at z = +1.5, then the same records with z 3 less.
void buildRailMesh(StandVertex out[railVertexCount]) {
    buildRail(out, 0.0);
    buildRail(out + 84, -3.0);
}

// A block 0.04 × 0.15 × 0.04 standing 0.35 to 0.5 above the ball's centre, open at the bottom.
void buildLugMesh(float out[lugVertexCount * 3]) {
    constexpr float h = 0.02f, lo = 0.35f, hi = 0.5f;
    const float corners[lugVertexCount][3] = {
        {-h, hi, -h}, {-h, hi, h},  {h, hi, h},  {h, hi, -h}, // top
        {-h, hi, -h}, {-h, lo, -h}, {h, lo, -h}, {h, hi, -h}, // z = -0.02
        {-h, hi, h},  {-h, lo, h},  {h, lo, h},  {h, hi, h},  // z = +0.02
        {-h, hi, -h}, {-h, lo, -h}, {-h, lo, h}, {-h, hi, h}, // x = -0.02
        {h, hi, -h},  {h, hi, h},   {h, lo, h},  {h, lo, -h}, // x = +0.02
    };
    for (int i = 0; i < lugVertexCount; ++i) {
        for (int c = 0; c < 3; ++c) {
            out[3 * i + c] = corners[i][c];
        }
    }
}
