// One reset for all the globals the system keeps, so a new one cannot be forgotten in one suite.
#include "tests/fakes/system_state.h"

#include "app/saver.h"
#include "app/window.h"
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/scene.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/fake_win32.h"

void resetSystemState()
{
    fakegl::reset();
    fakewin::reset();
    resetWindowState();
    resetSaverState();
    snowflakes.clear();
    sparkles.clear();
    textureCache.clear();
    delete treeModel;
    treeModel = nullptr;
    frameClock = FrameClock{};
    randomSource = RandomSource{};
}
