// The render harness: a stage folder per test, the real window and scene, pixels read back from GL.
#include "tests/render/render_stage.h"

#include "platform/platform.h"
#include "app/window.h"
#include "assets/mesh_model.h"
#include "assets/texture_cache.h"
#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/scene.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"
#include "tests/render/pinned_tick.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string describe(Rgb c)
{
    std::ostringstream s;
    s << "(" << c.r << ", " << c.g << ", " << c.b << ")";
    return s.str();
}

std::string describe(ScreenPoint p)
{
    std::ostringstream s;
    s << "pixel (" << static_cast<int>(std::floor(p.x)) << ", " << static_cast<int>(std::floor(p.y)) << ")";
    return s.str();
}

// Everything the scene keeps in globals goes back to how a fresh process has it, so tests run
// in one process behave as they do one per process.
void resetSceneGlobals()
{
    textureCache.clear();
    snowflakes.clear();
    sparkles.clear();
    delete treeModel;
    treeModel = nullptr;
    std::memset(keyDown, 0, sizeof keyDown);
    windowActive = true;
    frameClock = FrameClock{};
}

}  // namespace

Rgb Picture::at(int x, int y) const
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

::testing::AssertionResult colourNear(const Picture &picture, ScreenPoint p, Rgb expected, int tolerance)
{
    const int x = static_cast<int>(std::floor(p.x)), y = static_cast<int>(std::floor(p.y));
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return ::testing::AssertionFailure() << describe(p) << " is outside the view";
    const Rgb got = picture.at(x, y);
    if (std::abs(got.r - expected.r) <= tolerance && std::abs(got.g - expected.g) <= tolerance &&
        std::abs(got.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << describe(p) << " is " << describe(got) << ", expected "
                                         << describe(expected);
}

::testing::AssertionResult colourFar(const Picture &picture, ScreenPoint p, Rgb colour, int difference)
{
    const int x = static_cast<int>(std::floor(p.x)), y = static_cast<int>(std::floor(p.y));
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return ::testing::AssertionFailure() << describe(p) << " is outside the view";
    const Rgb got = picture.at(x, y);
    if (std::abs(got.r - colour.r) >= difference || std::abs(got.g - colour.g) >= difference ||
        std::abs(got.b - colour.b) >= difference)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << describe(p) << " is " << describe(got) << ", too close to "
                                         << describe(colour);
}

Rgb blend(Rgb source, int alpha, Rgb destination)
{
    const double a = alpha / 255.0;
    auto mix = [a](int s, int d) { return static_cast<int>(std::lround(s * a + d * (1.0 - a))); };
    return {mix(source.r, destination.r), mix(source.g, destination.g), mix(source.b, destination.b)};
}

void RenderStage::SetUp()
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
    // A missing X server must fail, not fall back to SDL's invisible offscreen driver.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    stage_ =
        fs::temp_directory_path() / ("frostel-render-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(stage_);
    fs::create_directories(stage_ / "data");
    previousDir_ = fs::current_path();
    fs::current_path(stage_);
    resetSceneGlobals();
}

void RenderStage::TearDown()
{
    if (open_) closeWindow();
    open_ = false;
    resetSceneGlobals();
    if (!previousDir_.empty()) fs::current_path(previousDir_);
    if (!stage_.empty()) fs::remove_all(stage_);
}

::testing::AssertionResult RenderStage::openScene()
{
    pinTick(startTick);
    frameClock.lastTick = GetTickCount();
    frameClock.startTick = GetTickCount();
    seedRandom(frameClock.lastTick);
    if (!openWindow("Frostel - Tarvik", 512, 512, 32, false))
        return ::testing::AssertionFailure() << "openWindow failed";
    open_ = true;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] != 512 || viewport[3] != 512)
        return ::testing::AssertionFailure() << "viewport " << viewport[2] << " x " << viewport[3];
    return ::testing::AssertionSuccess();
}

void RenderStage::drawFrame(uint32_t elapsedMs, float frameMs)
{
    frameClock.frameMs = frameMs;
    pinTick(startTick + elapsedMs);
    drawScene();
    glFinish();
}

Picture RenderStage::readBack() const
{
    Picture p;
    p.width = 512;
    p.height = 512;
    p.rgb.resize(512 * 512 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
    return p;
}

void RenderStage::resizeWindow() { windowProc(hWnd, WM_SIZE, 0, MAKELPARAM(512, 512)); }
