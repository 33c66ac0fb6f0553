// The five mipmapped textures and the nine display lists of the static scene.
#include "render/scene.h"
#include "assets/assets.h"
#include "sim/sim.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/freeglut.h>

#include <cstddef>

void uploadTextures() {
    for (unsigned name = backdropTexture; name <= ballTexture; ++name) {
        TextureView image = embeddedTexture(static_cast<int>(name));
        GLenum format = image.format == TexelFormat::alpha ? GL_ALPHA : GL_RGB;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, format, image.width, image.height, format,
                          GL_UNSIGNED_BYTE, image.texels);
    }
}

// Points the normal, texture-coordinate and vertex arrays at a StandVertex mesh. Array
// state acts at once and is not stored in the list being recorded.
static void pointAtStandMesh(MeshView mesh) {
    const char* base = static_cast<const char*>(mesh.records);
    glNormalPointer(GL_FLOAT, mesh.stride, base + offsetof(StandVertex, nx));
    glTexCoordPointer(2, GL_FLOAT, mesh.stride, base + offsetof(StandVertex, s));
    glVertexPointer(3, GL_FLOAT, mesh.stride, base + offsetof(StandVertex, x));
}

// Stores every vertex of the mesh as quads; the list keeps its own copy of the values.
static void storeQuads(MeshView mesh) {
    glBegin(GL_QUADS);
    for (int i = 0; i < mesh.count; ++i)
        glArrayElement(i);
    glEnd();
}

static void recordPostList() {
    glNewList(postList, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, standTexture);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    pointAtStandMesh(postMesh());
    storeQuads(postMesh());
    glEndList();
}

// Binds no texture: relies on the post list's texturing and texture 4 just before it.
static void recordRailList() {
    glNewList(railList, GL_COMPILE);
    pointAtStandMesh(railMesh());
    storeQuads(railMesh());
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glEndList();
}

static void recordCapList() {
    // Post tops, scene units, in drawing order.
    const GLfloat corners[4][2] = {{-2.5f, -1.5f}, {2.5f, -1.5f}, {2.5f, 1.5f}, {-2.5f, 1.5f}};
    glNewList(capList, GL_COMPILE);
    glColor3f(0.6f, 0.45f, 0.0f);
    for (const auto& corner : corners) {
        glPushMatrix();
        glTranslatef(corner[0], 0.0f, corner[1]);
        glutSolidSphere(0.065, 10, 10); // as thick as the posts and rails
        glPopMatrix();
    }
    glEndList();
}

static void recordLugList() {
    MeshView lug = lugMesh();
    glNewList(lugList, GL_COMPILE);
    glColor3f(0.2f, 0.2f, 0.2f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, lug.stride, lug.records);
    storeQuads(lug);
    glDisableClientState(GL_VERTEX_ARRAY);
    glEndList();
}

// The ball reflects texture 5 through sphere mapping, unfogged; leaves GL_REPLACE behind,
// which every later textured primitive draws with.
static void recordBallList() {
    glNewList(ballList, GL_COMPILE);
    glEnable(GL_CULL_FACE);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ballTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_FOG);
    glutSolidSphere(0.4, 24, 24); // radius 0.4: half the pivot spacing
    glEnable(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_CULL_FACE);
    glEndList();
}

// A 22 x 16 quad 18 units back showing a quarter of the backdrop's width; the caller binds
// texture 1 and undoes the translation. Beside it, a quad of the same size on each side
// carries the clouds on at the same texel density (the texture repeats along s), so views
// wider than 4:3, up to about 40:9, show no edge; at 4:3 they lie outside the view.
static void recordBackdropList() {
    glNewList(backdropList, GL_COMPILE);
    glTranslatef(0.0f, 0.0f, -18.0f);
    glColor3f(0.1f, 0.4f, 0.2f);
    glBegin(GL_QUADS);
    for (int part = -1; part <= 1; ++part) {
        const GLfloat s = 0.25f * static_cast<GLfloat>(part);
        const int x = 22 * part;
        glTexCoord2f(s, 0.0f);
        glVertex3i(x - 11, -8, 0);
        glTexCoord2f(s + 0.25f, 0.0f);
        glVertex3i(x + 11, -8, 0);
        glTexCoord2f(s + 0.25f, 1.0f);
        glVertex3i(x + 11, 8, 0);
        glTexCoord2f(s, 1.0f);
        glVertex3i(x - 11, 8, 0);
    }
    glEnd();
    glEndList();
}

static void recordTextureResetList() {
    glNewList(textureResetList, GL_COMPILE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glEndList();
}

// A 12 x 12 square in its plane y = 0, the whole texture once; no colour of its own.
static void recordFloorList(GLuint list, GLuint texture) {
    glNewList(list, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex3i(-6, 0, -6);
    glTexCoord2i(0, 1);
    glVertex3i(-6, 0, 6);
    glTexCoord2i(1, 1);
    glVertex3i(6, 0, 6);
    glTexCoord2i(1, 0);
    glVertex3i(6, 0, -6);
    glEnd();
    glEndList();
}

void buildDisplayLists() {
    startShapeLibrary();
    recordPostList();
    recordRailList();
    recordCapList();
    recordLugList();
    recordBallList();
    recordBackdropList();
    recordTextureResetList();
    recordFloorList(lowerFloorList, latticeTexture);
    recordFloorList(upperFloorList, ringTexture);
}

void setUpScene() {
    buildDisplayLists();
    clearBallTable();
    launchFirstPattern();
}
