// Snowfall: creation, motion and drawing of the snowflakes.
#include "scene/snowfall.h"

#include "platform/platform.h"
#include "common/random_source.h"

#include <cmath>

std::vector<Snowflake> snowflakes;

Snowflake::Snowflake(float xPos, float zPos)
    : x(xPos), y(static_cast<float>(nextRandom() % 300)), z(zPos), rotX(0.0f), rotY(0.0f), rotZ(0.0f)
{ }

float reduceAngle(float degrees)
{
    if (!(degrees > 360.0f)) return degrees;
    // fmod is exact, so this matches subtracting 360 one step at a time wherever those steps
    // are exact, and it takes constant time when a huge frame time makes the step count enormous.
    const float rest = std::fmod(degrees, 360.0f);
    return rest == 0.0f ? 360.0f : rest;
}

void Snowflake::update(float frameMs)
{
    y -= frameMs * 0.033333335f;
    const float spin = frameMs * 10.0f;
    rotX = reduceAngle(rotX + spin);
    rotY = reduceAngle(rotY + spin);
    rotZ = reduceAngle(rotZ + spin);
    if (y < 0.0f) y = static_cast<float>(nextRandom() % 300);
}

void Snowflake::draw() const
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(rotX, 1.0f, 0.0f, 0.0f);
    glRotatef(rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(-1.0f, -1.0f);
    glVertex3i(-1, 0, -1);
    glTexCoord2f(1.0f, -1.0f);
    glVertex3i(1, 0, -1);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3i(1, 0, 1);
    glTexCoord2f(-1.0f, 1.0f);
    glVertex3i(-1, 0, 1);
    glEnd();
    glPopMatrix();
}

void fillSnowfall(int count)
{
    for (int i = 0; i < count; ++i) {
        // z is drawn before x; the constructor then draws y.
        const int zPos = nextRandom() % 200 - 100;
        const int xPos = nextRandom() % 200 - 100;
        snowflakes.push_back(Snowflake(static_cast<float>(xPos), static_cast<float>(zPos)));
    }
}
