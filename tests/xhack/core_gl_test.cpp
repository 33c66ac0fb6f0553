// The scene core on Mesa through GLX, natively: the balls are drawn where the ball table puts
// them, seen through the turning stand, and nowhere a ball is not.
#include <gtest/gtest.h>

#include "render/scene.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int width = 320, height = 240;
// The saver's visual: double-buffered RGBA, 16 colour and 16 depth bits or more.
// clang-format off
const int saverVisual[] = {
    GLX_RGBA, GLX_DOUBLEBUFFER,
    GLX_RED_SIZE, 5, GLX_GREEN_SIZE, 6, GLX_BLUE_SIZE, 5,
    GLX_DEPTH_SIZE, 16,
    None};
// clang-format on

// A window and a context on the fixture's display, made once for all cases.
struct GLWindow {
    Display* display;
    Window window;
    GLXContext context;
};
GLWindow glWindow;

class CoreGLTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // freeglut, inside the core, opens $DISPLAY too.
        std::ifstream file(std::string(std::getenv("CLACKMOOR_BUILD")) + "/harness/display");
        std::string name;
        if (file >> name)
            setenv("DISPLAY", name.c_str(), 1);
        glWindow.display = XOpenDisplay(nullptr);
        ASSERT_NE(glWindow.display, nullptr);
        Display* d = glWindow.display;
        XVisualInfo* visual = glXChooseVisual(d, DefaultScreen(d), const_cast<int*>(saverVisual));
        ASSERT_NE(visual, nullptr);
        XSetWindowAttributes attributes = {};
        attributes.colormap = XCreateColormap(d, DefaultRootWindow(d), visual->visual, AllocNone);
        glWindow.window =
            XCreateWindow(d, DefaultRootWindow(d), 0, 0, width, height, 0, visual->depth,
                          InputOutput, visual->visual, CWColormap, &attributes);
        glWindow.context = glXCreateContext(d, visual, nullptr, True);
        XFree(visual);
        ASSERT_TRUE(glXMakeCurrent(d, glWindow.window, glWindow.context));
        resizeView(width, height);
        setBaseRenderState();
        setSceneRenderState();
    }
    static void TearDownTestSuite() {
        glXMakeCurrent(glWindow.display, None, nullptr);
        glXDestroyContext(glWindow.display, glWindow.context);
        XDestroyWindow(glWindow.display, glWindow.window);
    }
};

struct Pixel {
    double x, y; // window pixels, origin bottom left
};

// Where a point of the stand's frame (scene units) lands: the stand stands 12 units deep and
// 0.5 up and turns 0.1 degrees a frame; the projection is the one the frame left in force.
Pixel project(double x, double y, double standTurn) {
    GLdouble projection[16], modelView[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(0.0, 0.5, -12.0);
    glRotated(standTurn, 0.0, 1.0, 0.0);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glPopMatrix();
    Pixel p = {};
    double z = 0.0;
    gluProject(x, y, 0.0, modelView, projection, viewport, &p.x, &p.y, &z);
    return p;
}

// The share of steel-blue pixels (as the picture checks count ball pixels) within 4 pixels.
double ballShare(const std::vector<uint8_t>& rgb, Pixel at) {
    int blue = 0, all = 0;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const int x = static_cast<int>(at.x) + dx, y = static_cast<int>(at.y) + dy;
            if (x < 0 || y < 0 || x >= width || y >= height || dx * dx + dy * dy > 16)
                continue;
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            blue += p[2] > p[1] && p[2] > p[0] + 8;
            ++all;
        }
    return all > 0 ? static_cast<double>(blue) / all : 0.0;
}

struct SwingCase {
    int pattern; // the only one enabled
    int frames;  // drawn at 0.03 s each before the picture
};
const SwingCase swingCases[] = {{1, 1}, {1, 20}, {4, 8}, {8, 30}, {9, 45}, {10, 70}};

TEST_F(CoreGLTest, BallsShowWhereTheTableHasThem) {
    int framesDrawn = 0;
    std::vector<uint8_t> rgb(width * height * 3);
    for (const SwingCase& c : swingCases) {
        applyDefaultSettings(cradleSettings);
        for (int n = 1; n <= patternCount; ++n)
            cradleSettings.patternEnabled[n - 1] = n == c.pattern;
        seedRandom(7);
        setUpScene();
        ASSERT_EQ(ballTable.launchedPattern, c.pattern);
        for (int frame = 0; frame < c.frames; ++frame) {
            frameClock.frameTime = 0.03;
            drawFrame();
            ++framesDrawn;
        }
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        const double turn = std::fmod(framesDrawn * 0.1, 360.0);
        double centres[ballCount];
        for (int i = 0; i < ballCount; ++i) {
            const BallState& b = ballTable.balls[i];
            centres[i] = -1.6 + 0.8 * i + b.x;
            EXPECT_GT(ballShare(rgb, project(centres[i], -b.y, turn)), 0.5)
                << "pattern " << c.pattern << " frame " << c.frames << ": ball " << i;
        }
        // A ball's place at rest, when no ball is near it now, shows no ball.
        for (int i = 0; i < ballCount; ++i) {
            const double rest = -1.6 + 0.8 * i;
            bool near = false;
            for (double centre : centres)
                near = near || std::fabs(centre - rest) < 1.0;
            if (!near) {
                EXPECT_LT(ballShare(rgb, project(rest, -stringLength, turn)), 0.2)
                    << "pattern " << c.pattern << ": rest place of ball " << i;
            }
        }
        glXSwapBuffers(glWindow.display, glWindow.window);
    }
}

} // namespace
