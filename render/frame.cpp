// One frame: the turning stand, the strings and balls at the swing's positions, the
// drifting backdrop and the two counter-turning floor discs.
#include "render/scene.h"
#include "settings/settings.h"
#include "sim/sim.h"

#include <GL/gl.h>

// Post feet in the stand frame, scene units, in drawing order.
constexpr GLfloat postCorners[4][2] = {{-2.5f, -1.5f}, {2.5f, -1.5f}, {-2.5f, 1.5f}, {2.5f, 1.5f}};

// Where one ball's strings run, in the frame of the leftmost pivot; scene units.
struct StringEnds {
    GLfloat topX; // pivot
    GLfloat endX; // lug, straight above the ball's centre
    GLfloat endY; // 0.45 above the ball's centre
};

static StringEnds stringEnds(int ball) {
    const BallState& b = ballTable.balls[ball];
    StringEnds e;
    e.topX = static_cast<GLfloat>(0.8 * ball);
    e.endX = static_cast<GLfloat>(static_cast<double>(e.topX) + b.x);
    e.endY = static_cast<GLfloat>(0.45 - b.y);
    return e;
}

// Widens a single-precision coordinate by a double offset, rounded back to single.
static GLfloat widen(GLfloat value, double by) {
    return static_cast<GLfloat>(static_cast<double>(value) + by);
}

static void drawStringLines(const StringEnds& e) {
    glBegin(GL_LINES);
    glVertex3f(e.topX, 0.0f, -1.45f);
    glVertex3f(e.endX, e.endY, -0.02f);
    glVertex3f(e.topX, 0.0f, 1.45f);
    glVertex3f(e.endX, e.endY, 0.02f);
    glEnd();
}

// The ATI compatibility mode: each string as two crossed ribbons 0.02 units wide instead of
// a line, and the front string a third. No polygon smoothing: the quads show as the lines do.
static void drawStringQuads(const StringEnds& e) {
    glBegin(GL_QUADS);
    glVertex3f(e.topX, 0.0f, -1.44f);
    glVertex3f(e.topX, 0.0f, -1.46f);
    glVertex3f(e.endX, e.endY, -0.02f);
    glVertex3f(e.endX, e.endY, 0.0f);

    glVertex3f(widen(e.topX, -0.01), 0.0f, -1.45f);
    glVertex3f(widen(e.topX, 0.01), 0.0f, -1.45f);
    glVertex3f(widen(e.endX, 0.01), e.endY, -0.02f);
    glVertex3f(widen(e.endX, -0.01), e.endY, -0.02f);

    glVertex3f(e.topX, 0.0f, 1.44f);
    glVertex3f(e.topX, 0.0f, 1.46f);
    glVertex3f(e.endX, e.endY, 0.02f);
    glVertex3f(e.endX, e.endY, 0.0f);

    glVertex3f(widen(e.topX, -0.01), 0.0f, 1.45f);
    glVertex3f(widen(e.topX, 0.01), 0.0f, 1.45f);
    glVertex3f(widen(e.endX, 0.01), e.endY, 0.02f);
    glVertex3f(widen(e.endX, -0.01), e.endY, 0.02f);

    glVertex3f(e.topX, 0.0f, 1.445f);
    glVertex3f(e.endX, e.endY, 0.0195f);
    glVertex3f(e.topX, 0.0f, 1.455f);
    glVertex3f(e.endX, e.endY, 0.0205f);
    glEnd();
}

// Each post is spun about its own axis against the stand's turn, so it travels round with
// the stand but keeps the same side to the viewer.
static void drawPosts() {
    const GLfloat counterTurn = sceneryTurn(-standTurnRate);
    for (const auto& corner : postCorners) {
        glPushMatrix();
        glTranslatef(corner[0], -3.2f, corner[1]);
        glRotatef(counterTurn, 0.0f, 1.0f, 0.0f);
        glTranslatef(2.5f, 3.2f, 1.5f); // the mesh's foot to the origin
        glCallList(postList);
        glPopMatrix();
    }
}

static void drawBall(int ball) {
    glPushMatrix();
    glTranslatef(-1.6f, 0.0f, 0.0f); // the leftmost pivot
    glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
    glEnable(GL_BLEND);
    const StringEnds ends = stringEnds(ball);
    if (cradleSettings.atiFix != 0)
        drawStringQuads(ends);
    else
        drawStringLines(ends);
    glDisable(GL_BLEND);
    glPushMatrix();
    glTranslated(static_cast<double>(ends.endX), -ballTable.balls[ball].y, 0.0);
    glCallList(lugList);
    glCallList(ballList);
    glPopMatrix();
    glPopMatrix();
}

static void drawBackdrop() {
    glPushMatrix();
    glMatrixMode(GL_TEXTURE);
    glBindTexture(GL_TEXTURE_2D, backdropTexture);
    glTranslatef(backdropShift(), 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glCallList(backdropList);
    glPopMatrix(); // also undoes the list's own step back
}

static void drawFloorDiscs() {
    glPushMatrix();
    glColor3f(0.1f, 0.1f, 0.1f); // both discs
    glTranslatef(0.0f, -2.55f, -12.0f);
    glRotatef(sceneryTurn(lowerFloorTurnRate), 0.0f, 1.0f, 0.0f);
    glCallList(lowerFloorList);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, -2.5f, -12.0f);
    glRotatef(sceneryTurn(upperFloorTurnRate), 0.0f, 1.0f, 0.0f);
    glCallList(upperFloorList);
    glPopMatrix();
}

// The whole scene in the current view, with the counters and the swing as they stand.
static void drawScene() {
    glLoadIdentity();
    glCallList(textureResetList);
    glEnable(GL_FOG);
    glPushMatrix();
    glTranslatef(0.0f, 0.5f, -12.0f);
    glRotatef(sceneryTurn(standTurnRate), 0.0f, 1.0f, 0.0f); // the stand's turn
    drawPosts();
    glCallList(railList); // directly after the posts: it draws with their texture state
    glCallList(capList);
    for (int ball = 0; ball < ballCount; ++ball)
        drawBall(ball);
    glPopMatrix();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    drawBackdrop();
    glCallList(textureResetList);
    drawFloorDiscs();
    glDisable(GL_BLEND);
}

int drawFrame(double stepTime) {
    // The whole window, the parts on no monitor included, is cleared once.
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The world moves once a frame, however many monitors show it.
    advanceScenery();
    stepSwing(stepTime);
    glEnable(GL_SCISSOR_TEST);
    for (int32_t view = 0; view < viewLayout.count; ++view) {
        applyView(viewLayout.viewports[view]);
        drawScene();
    }
    glDisable(GL_SCISSOR_TEST);
    glFlush();
    return 1;
}
