// The real program under Xvfb: its window, white snowflakes on a dark ground, and clean exits.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> environment = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"};

// A data folder where everything but the snowflakes is invisible or black: a black ground, a clear
// sparkle image, no snowflake image (so plain white quads), and an overlay of black at alpha 0.15 that
// fades what earlier frames left behind, since only the depth buffer is cleared between frames.
std::string darkStage(const char *name)
{
    const fs::path dir =
        fs::temp_directory_path() / (std::string("frostel-smoke-") + name + "-" + std::to_string(::getpid()));
    fs::create_directories(dir / "data");
    writeSolidTga((dir / "data/overlay.tga").string(), 4, 4, 0, 0, 0, 38);
    writeSolidTga((dir / "data/shine.tga").string(), 4, 4, 0, 0, 0, 0);
    writeSolidTga((dir / "data/snow.tga").string(), 4, 4, 0, 0, 0, 255);
    return dir.string();
}

struct Census {
    int white = 0;
    int dark = 0;
};

Census census(const RgbImage &img)
{
    Census c;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char *p = img.at(x, y);
            if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++c.white;
            if (p[0] < 30 && p[1] < 30 && p[2] < 30) ++c.dark;
        }
    return c;
}

class Smoke : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
        ASSERT_TRUE(x.connected());
    }
    XSession x;
};

}  // namespace

TEST_F(Smoke, WindowShowsFallingWhiteSnowflakesAndEscapeEndsWithZero)
{
    ASSERT_TRUE(x.start(FROSTEL_EXE, darkStage("escape"), environment));
    const Window w = x.waitForWindow("Frostel - Tarvik", 30);
    ASSERT_NE(w, 0u) << "no window titled \"Frostel - Tarvik\"";

    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(x.display(), w, &attrs));
    EXPECT_EQ(attrs.width, 512);
    EXPECT_EQ(attrs.height, 512);

    std::this_thread::sleep_for(std::chrono::seconds(2));
    const RgbImage first = x.grab(w);
    ASSERT_EQ(first.width, 512);
    const Census c = census(first);
    // 1500 flakes of 2 x 2 units, a few pixels each, over a black ground and background.
    EXPECT_GT(c.white, 300) << "snowflakes should show white";
    EXPECT_LT(c.white, 512 * 512 / 3) << "most of the view stays dark";
    EXPECT_GT(c.dark, 512 * 512 / 2);

    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const RgbImage second = x.grab(w);
    EXPECT_NE(first.rgb, second.rgb) << "the snow falls and the world turns";

    x.sendKey(w, "Escape");
    EXPECT_EQ(x.waitExit(20), 0);
}

TEST_F(Smoke, CloseRequestEndsWithZero)
{
    ASSERT_TRUE(x.start(FROSTEL_EXE, darkStage("close"), environment));
    const Window w = x.waitForWindow("Frostel - Tarvik", 30);
    ASSERT_NE(w, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    x.requestClose(w);
    EXPECT_EQ(x.waitExit(20), 0);
}

TEST_F(Smoke, WithoutDataTheOverlayPaintsTheViewWhite)
{
    const fs::path empty = fs::temp_directory_path() / ("frostel-smoke-empty-" + std::to_string(::getpid()));
    fs::create_directories(empty);
    ASSERT_TRUE(x.start(FROSTEL_EXE, empty.string(), environment));
    const Window w = x.waitForWindow("Frostel - Tarvik", 30);
    ASSERT_NE(w, 0u);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Census c = census(x.grab(w));
    EXPECT_EQ(c.white, 512 * 512);
    x.sendKey(w, "Escape");
    EXPECT_EQ(x.waitExit(20), 0);
}
