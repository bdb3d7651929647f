// Ground and overlay: two fixed textured squares drawn every frame.
#include "scene/ground_overlay.h"

#include "platform/platform.h"
#include "assets/texture_cache.h"

void drawGround()
{
    glBindTexture(GL_TEXTURE_2D, loadTexture("data/snow.tga"));
    // Texture coordinates are x / 50 and z / 50: four repeats per side through GL_REPEAT.
    glBegin(GL_QUADS);
    glTexCoord2f(-2.0f, -2.0f);
    glVertex3i(-100, 0, -100);
    glTexCoord2f(2.0f, -2.0f);
    glVertex3i(100, 0, -100);
    glTexCoord2f(2.0f, 2.0f);
    glVertex3i(100, 0, 100);
    glTexCoord2f(-2.0f, 2.0f);
    glVertex3i(-100, 0, 100);
    glEnd();
}

void drawOverlay()
{
    glPushMatrix();
    glTranslatef(162.5f, 259.0f, 162.5f);
    // Billboard: keep the anchor's eye-space position, drop the camera's rotation.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) m[4 * c + r] = c == r ? 1.0f : 0.0f;
    glLoadMatrixf(m);
    glBindTexture(GL_TEXTURE_2D, loadTexture("data/overlay.tga"));
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3i(-10, -10, 0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3i(10, -10, 0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3i(10, 10, 0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3i(-10, 10, 0);
    glEnd();
    glPopMatrix();
}
