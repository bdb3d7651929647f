// Sparkles: spawning, straight-line flight with recycling, and drawing.
#include "scene/sparkles.h"

#include "platform/platform.h"
#include "assets/texture_cache.h"
#include "common/frame_clock.h"
#include "common/random_source.h"

#include <cmath>
#include <cstddef>

std::vector<Sparkle> sparkles;

namespace {
const float emitX = 0.0f;
const float emitY = 150.0f;
const float emitZ = 0.0f;
const float recycledLife = 350.0f;

float randomComponent() { return static_cast<float>(nextRandom()) * 3.0518509e-05f - 0.5f; }
}  // namespace

Sparkle::Sparkle(float dx, float dy, float dz, int lifeUnits) : x(emitX), y(emitY), z(emitZ)
{
    const float k = 1.0f / std::sqrt(3.0f * dx * dx);
    dirX = dx * k;
    dirY = dy * k;
    dirZ = dz * k;
    life = static_cast<float>(lifeUnits);
}

void Sparkle::update(float frameMs)
{
    const float s = frameMs * 0.033333335f;
    x += s * dirX;
    y += s * dirY;
    z += s * dirZ;
    life -= s;
    if (life < 0.0f) {
        x = emitX;
        y = emitY;
        z = emitZ;
        life = recycledLife;
    }
}

void Sparkle::draw() const
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3i(-3, 0, -3);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3i(3, 0, -3);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3i(3, 0, 3);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3i(-3, 0, 3);
    glEnd();
    glPopMatrix();
}

void spawnSparkle()
{
    // The draws happen in this order: life, then dz, dy, dx.
    const int lifeUnits = nextRandom() % 350;
    const float dz = randomComponent();
    const float dy = randomComponent();
    const float dx = randomComponent();
    sparkles.push_back(Sparkle(dx, dy, dz, lifeUnits));
}

void drawSparkles()
{
    glPushMatrix();
    glTranslatef(0.0f, -50.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, loadTexture("data/shine.tga"));
    for (size_t i = 0; i < sparkles.size(); ++i) {
        sparkles[i].update(frameClock.frameMs);
        if (i % 3 != 0) {
            sparkles[i].draw();
        } else {
            glPushMatrix();
            glRotatef(worldAngle(GetTickCount()), 0.0f, 1.0f, 0.0f);
            sparkles[i].draw();
            glPopMatrix();
        }
    }
    glPopMatrix();
}
