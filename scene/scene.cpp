// Scene set-up and the per-frame draw order with its clock readings.
#include "scene/scene.h"

#include "platform/platform.h"
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "common/frame_clock.h"
#include "scene/ground_overlay.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"

#include <cstddef>
#include <new>

MeshModel *treeModel = nullptr;

bool initScene()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glAlphaFunc(GL_GREATER, 0.1f);

    treeModel = new (std::nothrow) Ms3dModel;
    if (!treeModel) return false;
    // A missing or refused model leaves it empty; the scene runs on without a tree.
    treeModel->loadFromFile("data/tree.ms3d");
    treeModel->resolveTextures();
    return true;
}

bool drawScene()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_ALPHA_TEST);
    gluLookAt(175.0, 275.0, 175.0, 0.0, 50.0, 0.0, 0.0, 1.0, 0.0);

    glPushMatrix();
    glRotatef(worldAngle(GetTickCount()), 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, -50.0f, 0.0f);
    drawGround();
    glBindTexture(GL_TEXTURE_2D, loadTexture("data/snowflake.tga"));
    for (size_t i = 0; i < snowflakes.size(); ++i) {
        snowflakes[i].update(frameClock.frameMs);
        snowflakes[i].draw();
    }
    if (treeModel) treeModel->draw();
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);

    drawSparkles();
    drawOverlay();

    // Sparkles are born only on frames within the first 5 ms of a whole second since start.
    if ((GetTickCount() - frameClock.startTick) % 1000u < 5u) spawnSparkle();

    // This frame's length moves everything in the next one.
    frameClock.frameMs = static_cast<float>(GetTickCount() - frameClock.lastTick);
    frameClock.lastTick = GetTickCount();
    return true;
}
