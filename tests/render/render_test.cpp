// The frame drawing on Wine's real OpenGL, through the saver's own event procedure: where
// things land on screen, what is fogged, the strings in both modes, the drifting backdrop,
// the floor discs, and the settings followed from one paint event to the next.
#include <gtest/gtest.h>

#include "assets/assets.h"
#include "render/render.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int viewWidth = 1024; // pixels, the virtual screen
constexpr int viewHeight = 768;
const char* const optionKey = "Software\\Orbweave\\Zeride";

// --- The saver window under test ------------------------------------------------------------

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return saverEventProc(window, message, wParam, lParam);
}

void storeAtiFix(DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, optionKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "ATI fix", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    RegCloseKey(key);
}

// One saver window for the whole program, created through the real creation event, with
// the options stored as: every pattern, touching Always, strings as lines.
class SaverWindow : public testing::Environment {
  public:
    static HWND window;
    // GL state straight after the creation event, before any frame.
    struct AfterSetUp {
        GLfloat colour[4];
        GLint environment, boundTexture, matrixMode, unpackAlignment;
        GLboolean vertexArray, normalArray, texCoordArray, texturing, fog, blending, culling;
    };
    static AfterSetUp afterSetUp;

    void SetUp() override {
        HKEY key = nullptr;
        keyExisted = RegOpenKeyExA(HKEY_CURRENT_USER, optionKey, 0, KEY_READ, &key) == 0;
        if (keyExisted) {
            RegCloseKey(key);
            loadSettings();
            saved = cradleSettings;
        }
        for (uint32_t& enabled : cradleSettings.patternEnabled)
            enabled = 1;
        cradleSettings.touchAlways = 1;
        cradleSettings.touchNever = 0;
        cradleSettings.atiFix = 0;
        saveSettings();

        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = testWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RenderTestClass";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "render test", WS_POPUP | WS_VISIBLE, 0, 0,
                                 viewWidth, viewHeight, nullptr, nullptr, wc.hInstance, nullptr);
        AfterSetUp& a = afterSetUp;
        glGetFloatv(GL_CURRENT_COLOR, a.colour);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &a.environment);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &a.boundTexture);
        glGetIntegerv(GL_MATRIX_MODE, &a.matrixMode);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &a.unpackAlignment);
        a.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
        a.normalArray = glIsEnabled(GL_NORMAL_ARRAY);
        a.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        a.texturing = glIsEnabled(GL_TEXTURE_2D);
        a.fog = glIsEnabled(GL_FOG);
        a.blending = glIsEnabled(GL_BLEND);
        a.culling = glIsEnabled(GL_CULL_FACE);
    }

    void TearDown() override {
        if (window != nullptr)
            DestroyWindow(window);
        if (keyExisted) {
            cradleSettings = saved;
            saveSettings();
        } else {
            RegDeleteKeyA(HKEY_CURRENT_USER, optionKey);
        }
    }

  private:
    bool keyExisted = false;
    CradleSettings saved = {};
};
HWND SaverWindow::window = nullptr;
SaverWindow::AfterSetUp SaverWindow::afterSetUp = {};

// --- Expected positions ----------------------------------------------------------------------

struct Point3 {
    double x, y, z;
};

struct ScreenPoint {
    double x, y; // window pixels, origin bottom left as glReadPixels counts
};

// Rotation about +y by degrees, as glRotate does.
Point3 turnY(Point3 p, double degrees) {
    const double a = degrees * 3.14159265358979323846 / 180.0;
    return {std::cos(a) * p.x + std::sin(a) * p.z, p.y, -std::sin(a) * p.x + std::cos(a) * p.z};
}

Point3 add(Point3 a, Point3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// The stand frame: translated by (0, 0.5, -12), then turned.
Point3 standToEye(Point3 p, double turn) {
    return add(turnY(p, turn), {0.0, 0.5, -12.0});
}

// gluPerspective(45, aspect, 0.1, 100) and the full-window viewport.
ScreenPoint project(Point3 eye) {
    const double f = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
    const double aspect = static_cast<double>(viewWidth) / viewHeight;
    return {(f / aspect * eye.x / -eye.z + 1.0) * 0.5 * viewWidth,
            (f * eye.y / -eye.z + 1.0) * 0.5 * viewHeight};
}

double pixelsPerUnit(double depth) {
    return 0.5 * viewHeight / std::tan(22.5 * 3.14159265358979323846 / 180.0) / depth;
}

// Where drawFrame puts ball i's centre, in the stand frame.
Point3 ballCentre(int ball) {
    const BallState& b = ballTable.balls[ball];
    const float topX = static_cast<float>(0.8 * ball);
    const float endX = static_cast<float>(static_cast<double>(topX) + b.x);
    return {-1.6f + static_cast<double>(endX), -b.y, 0.0};
}

// --- Pixels ----------------------------------------------------------------------------------

struct Rgb {
    int r, g, b;
};

struct Picture {
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const {
        x = std::clamp(x, 0, viewWidth - 1);
        y = std::clamp(y, 0, viewHeight - 1);
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * viewWidth + x) * 3];
        return {p[0], p[1], p[2]};
    }
    Rgb at(ScreenPoint p) const {
        return at(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
    }
};

Picture readBack() {
    glFinish();
    Picture p;
    p.rgb.resize(static_cast<size_t>(viewWidth) * viewHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewWidth, viewHeight, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
    return p;
}

// The ball reflection texture is the only blue-dominant thing in the scene: the fog, the
// backdrop and the floor lean green, the stand and its caps red.
bool isBall(Rgb c) {
    return c.b > c.g && c.b > c.r + 8;
}

// --- Feedback: what drawFrame hands to the rasteriser --------------------------------------

struct FeedbackVertex {
    float x, y, z;          // window coordinates
    float r, g, b, a;       // colour before fog
    float s, t, texR, texQ; // texture coordinate after the texture matrix
};

struct FeedbackPolygon {
    std::vector<FeedbackVertex> vertices;
};

struct Feedback {
    std::vector<FeedbackPolygon> polygons;
    std::vector<FeedbackVertex> lineVertices; // two per line
};

// Runs one frame (or one paint event) in feedback mode and sorts out the tokens.
template <typename Draw> Feedback captureFeedback(Draw draw) {
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    Feedback fb;
    EXPECT_GT(used, 0) << "feedback buffer overflow";
    auto vertexAt = [&](GLint& i) {
        FeedbackVertex v;
        std::copy(&buffer[i], &buffer[i] + 11, &v.x);
        i += 11;
        return v;
    };
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const GLint count = static_cast<GLint>(buffer[i++]);
            FeedbackPolygon polygon;
            for (GLint k = 0; k < count; ++k)
                polygon.vertices.push_back(vertexAt(i));
            fb.polygons.push_back(polygon);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            fb.lineVertices.push_back(vertexAt(i));
            fb.lineVertices.push_back(vertexAt(i));
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
                   token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
            vertexAt(i);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        } else {
            ADD_FAILURE() << "unknown feedback token " << token;
            break;
        }
    }
    return fb;
}

bool isStringColour(const FeedbackVertex& v) {
    return v.r == 1.0f && v.g == 1.0f && v.b == 1.0f && std::fabs(v.a - 0.4f) < 1e-6f;
}

// Quads reach the rasteriser as two triangles each.
int countStringTriangles(const Feedback& fb) {
    int n = 0;
    for (const FeedbackPolygon& p : fb.polygons)
        if (isStringColour(p.vertices[0]))
            ++n;
    return n;
}

class RenderTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(SaverWindow::window, nullptr);
        ASSERT_TRUE(glContext.sceneReady) << "the creation event did not finish its set-up";
        cradleSettings.atiFix = 0;
        frameClock.frameTime = 0.0;
    }

    // A launched swing, then `frames` frames of 0.02 s from the given counter.
    static void runFrames(int32_t turnCounterBefore, int frames) {
        sceneryCounters = SceneryCounters{turnCounterBefore, 0.0f};
        clearBallTable();
        seedRandom(7);
        launchFirstPattern();
        frameClock.frameTime = 0.02;
        for (int i = 0; i < frames; ++i)
            drawFrame();
    }
};

// Whether some vertex of polygons [first, last) lies at the projection of `eye`.
bool hasVertexAt(const Feedback& fb, size_t first, size_t last, Point3 eye) {
    const ScreenPoint p = project(eye);
    for (size_t i = first; i < last && i < fb.polygons.size(); ++i)
        for (const FeedbackVertex& v : fb.polygons[i].vertices)
            if (std::fabs(v.x - p.x) < 0.01 && std::fabs(v.y - p.y) < 0.01)
                return true;
    return false;
}

// The rasteriser gets the quads as triangles: the posts' 4 x 21 quads come first, then the
// rails' 42. A turn off by a tenth of a degree moves these vertices by more than 0.1 pixel.
void expectStandAt(const Feedback& fb, double turn) {
    ASSERT_GE(fb.polygons.size(), 252u);
    const StandVertex* post = static_cast<const StandVertex*>(postMesh().records);
    const StandVertex* rail = static_cast<const StandVertex*>(railMesh().records);
    const Point3 corners[4] = {
        {-2.5, -3.2, -1.5}, {2.5, -3.2, -1.5}, {-2.5, -3.2, 1.5}, {2.5, -3.2, 1.5}};
    for (int corner = 0; corner < 4; ++corner) {
        for (int k : {0, 13, 26, 41, 55, 83}) {
            const StandVertex& v = post[k];
            const Point3 spun = turnY({v.x + 2.5, v.y + 3.2, v.z + 1.5}, -turn);
            EXPECT_TRUE(hasVertexAt(fb, corner * 42, corner * 42 + 42,
                                    standToEye(add(spun, corners[corner]), turn)))
                << "post " << corner << " vertex " << k;
        }
    }
    for (int k : {0, 5, 47, 90, 131, 167}) {
        const StandVertex& v = rail[k];
        EXPECT_TRUE(hasVertexAt(fb, 168, 252, standToEye({v.x, v.y, v.z}, turn)))
            << "rail vertex " << k;
    }
}

// The backdrop reaches past every edge of the view, so its corners are clipped away. It
// faces the viewer 18 units away, so s and t stay linear across the screen: at every
// vertex they must be what the shifted quarter of the texture gives there. Returns the
// index of its last polygon.
size_t expectBackdropAt(const Feedback& fb, float shift) {
    const double unitsPerPixel = 1.0 / pixelsPerUnit(18.0);
    size_t last = 0;
    int checked = 0;
    for (size_t i = 0; i < fb.polygons.size(); ++i) {
        const auto& vertices = fb.polygons[i].vertices;
        if (vertices[0].r != 0.1f || vertices[0].g != 0.4f || vertices[0].b != 0.2f)
            continue;
        last = i;
        for (const FeedbackVertex& v : vertices) {
            const double x = (v.x - 0.5 * viewWidth) * unitsPerPixel; // eye units at z = -18
            const double y = (v.y - 0.5 * viewHeight) * unitsPerPixel;
            EXPECT_NEAR(v.s, shift + 0.25 * (x + 11.0) / 22.0, 2e-5);
            EXPECT_NEAR(v.t, (y + 8.0) / 16.0, 2e-4);
            ++checked;
        }
    }
    EXPECT_GE(checked, 4) << "backdrop vertices";
    return last;
}

// The floor squares come last. Their vertices that survive clipping keep whole texture
// coordinates, and each must sit where one floor's height and turn put that corner.
void expectFloorsAt(const Feedback& fb, size_t first, double lowerTurn, double upperTurn) {
    int lower = 0, upper = 0;
    for (size_t i = first; i < fb.polygons.size(); ++i) {
        for (const FeedbackVertex& v : fb.polygons[i].vertices) {
            if ((v.s != 0.0f && v.s != 1.0f) || (v.t != 0.0f && v.t != 1.0f))
                continue;
            const Point3 square = {v.s * 12.0 - 6.0, 0.0, v.t * 12.0 - 6.0};
            const ScreenPoint l = project(add(turnY(square, lowerTurn), {0.0, -2.55, -12.0}));
            const ScreenPoint u = project(add(turnY(square, upperTurn), {0.0, -2.5, -12.0}));
            if (std::fabs(v.x - l.x) < 0.01 && std::fabs(v.y - l.y) < 0.01)
                ++lower;
            else if (std::fabs(v.x - u.x) < 0.01 && std::fabs(v.y - u.y) < 0.01)
                ++upper;
            else
                ADD_FAILURE() << "floor corner (" << v.s << ", " << v.t << ") at " << v.x << ", "
                              << v.y << " fits neither floor";
        }
    }
    EXPECT_GE(lower, 1);
    EXPECT_GE(upper, 1);
    EXPECT_GE(lower + upper, 3);
}

// Recording the lists stores their commands without running them: after set-up the colour
// is still the initial white, the environment modulate, texture 5 bound from the upload.
TEST_F(RenderTest, SetUpRecordsListsWithoutRunningThem) {
    const SaverWindow::AfterSetUp& a = SaverWindow::afterSetUp;
    EXPECT_EQ(a.colour[0], 1.0f);
    EXPECT_EQ(a.colour[1], 1.0f);
    EXPECT_EQ(a.colour[2], 1.0f);
    EXPECT_EQ(a.colour[3], 1.0f);
    EXPECT_EQ(a.environment, GL_MODULATE);
    EXPECT_EQ(a.boundTexture, static_cast<GLint>(ballTexture));
    EXPECT_EQ(a.matrixMode, GL_MODELVIEW);
    EXPECT_EQ(a.unpackAlignment, 1);
    EXPECT_FALSE(a.vertexArray);
    EXPECT_FALSE(a.normalArray);
    EXPECT_FALSE(a.texCoordArray);
    EXPECT_TRUE(a.texturing);
    EXPECT_TRUE(a.fog);
    EXPECT_FALSE(a.blending);
    EXPECT_FALSE(a.culling);
    for (GLuint list = postList; list <= upperFloorList; ++list)
        EXPECT_TRUE(glIsList(list)) << list;
    EXPECT_FALSE(glIsList(1));
}

TEST_F(RenderTest, FirstFrameTurnsAndShiftsByOneStep) {
    sceneryCounters = SceneryCounters{};
    clearBallTable();
    const Feedback fb = captureFeedback([] { drawFrame(); });
    EXPECT_EQ(sceneryCounters.turnCounter, 1);
    expectStandAt(fb, 0.1f); // posts spun back by -0.1 degree about their own axes
    const float firstShift = static_cast<float>(static_cast<double>(-0.02f) * 0.02);
    EXPECT_NEAR(firstShift, -0.0004f, 1e-9f);
    const size_t backdrop = expectBackdropAt(fb, firstShift);
    expectFloorsAt(fb, backdrop + 1, 0.31f, -0.23f);
}

TEST_F(RenderTest, StandPostsAndFloorsTurnWithTheCounter) {
    sceneryCounters = SceneryCounters{449, -9.0f}; // the next frame is number 450
    clearBallTable();
    const Feedback fb = captureFeedback([] { drawFrame(); });
    expectStandAt(fb, 45.0);
    const size_t backdrop = expectBackdropAt(fb, backdropShift());
    expectFloorsAt(fb, backdrop + 1, static_cast<float>(450 * 0.31),
                   static_cast<float>(450 * -0.23));
}

TEST_F(RenderTest, AtiFixStoredBetweenTwoPaintEventsIsInForceInTheSecond) {
    const HWND window = SaverWindow::window;
    auto paint = [window] { saverEventProc(window, WM_PAINT, 0, 0); };

    storeAtiFix(0);
    Feedback fb = captureFeedback(paint);
    EXPECT_EQ(fb.lineVertices.size(), 2u * 2 * ballCount) << "two lines per ball";
    EXPECT_EQ(countStringTriangles(fb), 0);

    storeAtiFix(1);
    fb = captureFeedback(paint);
    EXPECT_EQ(cradleSettings.atiFix, 1u);
    EXPECT_EQ(fb.lineVertices.size(), 0u);
    EXPECT_EQ(countStringTriangles(fb), 2 * 5 * ballCount) << "five quads per ball";

    storeAtiFix(0);
    fb = captureFeedback(paint);
    EXPECT_EQ(fb.lineVertices.size(), 2u * 2 * ballCount);
}

TEST_F(RenderTest, OtherEventsGoToTheDefaultHandlerAfterTheSettingsLoad) {
    const HWND window = SaverWindow::window;
    storeAtiFix(1);
    // WM_GETTEXTLENGTH (14) is answered by DefWindowProcA at the end of the chain.
    EXPECT_EQ(saverEventProc(window, WM_GETTEXTLENGTH, 0, 0), 11) << "\"render test\"";
    EXPECT_EQ(cradleSettings.atiFix, 1u);
    storeAtiFix(0);
    EXPECT_EQ(saverEventProc(window, WM_USER + 7, 1, 2), 0);
    EXPECT_EQ(cradleSettings.atiFix, 0u);
}

TEST_F(RenderTest, EraseBackgroundReseedsFromTheSecondAndKeepsTheFrameCount) {
    const HWND window = SaverWindow::window;
    frameClock.frameCount = 42;
    uint32_t expected = 0;
    for (int tries = 0; tries < 5; ++tries) {
        // The seed is the calendar second, stirred once: u x 10 000 000 of its first draw.
        const time_t second = time(nullptr);
        seedRandom(static_cast<uint32_t>(second));
        expected = static_cast<uint32_t>(unitRandom() * 10000000.0);
        unitRandom();
        EXPECT_EQ(saverEventProc(window, WM_ERASEBKGND, 0, 0), 0);
        if (time(nullptr) == second)
            break; // else a second went by: try again
    }
    EXPECT_EQ(randomGenerator.state, expected);
    EXPECT_EQ(frameClock.frameCount, 42);
}

TEST_F(RenderTest, BallsSitWhereTheTransformsPutThem) {
    runFrames(199, 40);
    const Picture picture = readBack();
    const double turn = sceneryTurn(standTurnRate);
    ScreenPoint centre[ballCount];
    double radius[ballCount];
    bool anyRaised = false;
    for (int i = 0; i < ballCount; ++i) {
        const Point3 eye = standToEye(ballCentre(i), turn);
        centre[i] = project(eye);
        radius[i] = 0.4 * pixelsPerUnit(-eye.z);
        anyRaised = anyRaised || std::fabs(ballTable.balls[i].x) > 0.3;
    }
    EXPECT_TRUE(anyRaised) << "seed 7 should leave a ball swinging";
    for (int i = 0; i < ballCount; ++i) {
        SCOPED_TRACE(testing::Message() << "ball " << i);
        const int cx = static_cast<int>(centre[i].x);
        const int cy = static_cast<int>(centre[i].y);
        ASSERT_TRUE(isBall(picture.at(cx, cy)));
        int up = 0, down = 0;
        while (isBall(picture.at(cx, cy + up + 1)) && up < 200)
            ++up;
        while (isBall(picture.at(cx, cy - down - 1)) && down < 200)
            ++down;
        EXPECT_NEAR(cy + (up - down) / 2.0, centre[i].y, 2.0);
        EXPECT_NEAR((up + down + 1) / 2.0, radius[i], 2.0);
        // Sideways only where no other ball's disc comes near.
        int left = 0, right = 0;
        while (isBall(picture.at(cx - left - 1, cy)) && left < 200)
            ++left;
        while (isBall(picture.at(cx + right + 1, cy)) && right < 200)
            ++right;
        bool crowdedLeft = false, crowdedRight = false;
        for (int j = 0; j < ballCount; ++j) {
            if (j == i || std::hypot(centre[j].x - centre[i].x, centre[j].y - centre[i].y) >
                              radius[i] + radius[j] + 3)
                continue;
            (centre[j].x < centre[i].x ? crowdedLeft : crowdedRight) = true;
        }
        if (!crowdedLeft) {
            EXPECT_NEAR(cx - left, centre[i].x - radius[i], 2.0);
        }
        if (!crowdedRight) {
            EXPECT_NEAR(cx + right + 1, centre[i].x + radius[i], 2.0);
        }
    }
}

// Linear fog from 1 to 19 units towards (0.2, 0.5, 0.3), in 0..255.
Rgb fogged(double r, double g, double b, double distance) {
    const double f = std::clamp((19.0 - distance) / 18.0, 0.0, 1.0);
    return {static_cast<int>(std::lround(255 * (f * r + (1 - f) * 0.2))),
            static_cast<int>(std::lround(255 * (f * g + (1 - f) * 0.5))),
            static_cast<int>(std::lround(255 * (f * b + (1 - f) * 0.3)))};
}

TEST_F(RenderTest, StandIsFoggedAndBallsAreNot) {
    runFrames(199, 1);
    const Picture picture = readBack();
    const double turn = sceneryTurn(standTurnRate);
    // A point on each front cap, outside the rail's end and above the post's top.
    for (double side : {-1.0, 1.0}) {
        const Point3 eye = standToEye({side * (2.5 + 0.035), 0.035, 1.5 + 0.02}, turn);
        const Rgb got = picture.at(project(eye));
        const Rgb want = fogged(0.6, 0.45, 0.0, -eye.z);
        SCOPED_TRACE(testing::Message() << "cap at x " << side * 2.5);
        EXPECT_NEAR(got.r, want.r, 10);
        EXPECT_NEAR(got.g, want.g, 10);
        EXPECT_NEAR(got.b, want.b, 10);
    }
    // Fogged at this depth, even a black ball would come out at least 0.6 x the fog
    // colour: green 78 and above. The reflection texture is dark steel blue.
    for (int i = 0; i < ballCount; ++i) {
        const Rgb got = picture.at(project(standToEye(ballCentre(i), turn)));
        SCOPED_TRACE(testing::Message() << "ball " << i);
        EXPECT_TRUE(isBall(got));
        EXPECT_LT(got.g, 70);
    }
}

TEST_F(RenderTest, StringsShowInBothModes) {
    for (uint32_t ati : {0u, 1u}) {
        SCOPED_TRACE(testing::Message() << "atiFix " << ati);
        cradleSettings.atiFix = ati;
        runFrames(3599, 1); // frame 3600: the stand has turned exactly once
        const Picture picture = readBack();
        for (int i = 0; i < ballCount; ++i) {
            const BallState& b = ballTable.balls[i];
            const double topX = -1.6 + static_cast<float>(0.8 * i);
            const double endX = -1.6 + static_cast<float>(static_cast<float>(0.8 * i) + b.x);
            int seen = 0;
            for (double t : {0.3, 0.4, 0.5, 0.6, 0.7}) {
                const Point3 onString = {topX + t * (endX - topX), t * (0.45 - b.y),
                                         1.45 + t * (0.02 - 1.45)};
                const ScreenPoint p = project(standToEye(onString, 0.0));
                int red = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        red = std::max(
                            red,
                            picture.at(static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy).r);
                // Fogged white at alpha 0.4 adds about 53 in red; the clouds reach 38.
                seen += red >= 45;
            }
            EXPECT_GE(seen, 4) << "front string of ball " << i;
        }
    }
}

TEST_F(RenderTest, BackdropDriftsBetweenFrames) {
    runFrames(0, 1);
    const Picture before = readBack();
    for (int i = 0; i < 30; ++i)
        drawFrame();
    const Picture after = readBack();
    // The backdrop quad is 22 units wide, 18 units away, showing a quarter of the texture;
    // its texture moves by -0.0004 a frame, so the picture moves right.
    const double quadWidth = 22.0 * pixelsPerUnit(18.0);
    const double expected = 30 * 0.0004 / 0.25 * quadWidth;
    // It covers the whole screen; above the rails it shows alone.
    const int top = viewHeight - 2;
    const int bottom = static_cast<int>(project({0, 0.6, -10.0}).y) + 10;
    ASSERT_LT(bottom + 40, top);
    int bestShift = 0;
    double bestDifference = 1e300;
    for (int shift = -60; shift <= 60; ++shift) {
        double difference = 0;
        for (int y = bottom; y < top; y += 2)
            for (int x = 100; x < viewWidth - 100; ++x)
                difference += std::abs(after.at(x, y).g - before.at(x - shift, y).g);
        if (difference < bestDifference) {
            bestDifference = difference;
            bestShift = shift;
        }
    }
    EXPECT_NEAR(bestShift, expected, 2.0);
}

TEST_F(RenderTest, TwoFloorDiscsAddUpBelowTheStand) {
    runFrames(99, 1);
    const Picture frame = readBack();
    // Each translucent layer alone, drawn as the frame draws it, on a cleared screen.
    auto drawLayer = [](auto draw) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glLoadIdentity();
        draw();
        glDisable(GL_BLEND);
        return readBack();
    };
    const Picture backdrop = drawLayer([] {
        glMatrixMode(GL_TEXTURE);
        glBindTexture(GL_TEXTURE_2D, backdropTexture);
        glTranslatef(backdropShift(), 0.0f, 0.0f);
        glMatrixMode(GL_MODELVIEW);
        glCallList(backdropList);
        glCallList(textureResetList);
    });
    auto disc = [](GLuint list, double height, double rate) {
        return [=] {
            glColor3f(0.1f, 0.1f, 0.1f);
            glTranslated(0.0, height, -12.0);
            glRotatef(sceneryTurn(rate), 0.0f, 1.0f, 0.0f);
            glCallList(list);
        };
    };
    const Picture lower = drawLayer(disc(lowerFloorList, -2.55f, lowerFloorTurnRate));
    const Picture upper = drawLayer(disc(upperFloorList, -2.5f, upperFloorTurnRate));
    // Below the feet of the posts nothing but these layers is drawn.
    const int top = static_cast<int>(project({0, -2.7, -10.4}).y) - 8;
    int lowerBright = 0, upperBright = 0, mismatches = 0, compared = 0, differing = 0;
    for (int y = 4; y < top; y += 2) {
        for (int x = 150; x < viewWidth - 150; x += 2) {
            const Rgb f = frame.at(x, y), b = backdrop.at(x, y);
            const Rgb l = lower.at(x, y), u = upper.at(x, y);
            lowerBright += l.g > 30;
            upperBright += u.g > 30;
            differing += std::abs(l.g - u.g) > 10;
            const int sums[3] = {std::min(255, b.r + l.r + u.r), std::min(255, b.g + l.g + u.g),
                                 std::min(255, b.b + l.b + u.b)};
            mismatches += std::abs(f.r - sums[0]) > 3 || std::abs(f.g - sums[1]) > 3 ||
                          std::abs(f.b - sums[2]) > 3;
            ++compared;
        }
    }
    EXPECT_GT(lowerBright, compared / 10) << "the lattice disc shows";
    EXPECT_GT(upperBright, compared / 10) << "the ring disc shows";
    EXPECT_GT(differing, compared / 20) << "the two discs are different pictures";
    EXPECT_LT(mismatches, compared / 200) << "the frame's floor is the layers added";
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new SaverWindow);
    return RUN_ALL_TESTS();
}
