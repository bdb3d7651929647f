// The Debian package as a user gets it: unpacked into a scratch root, its command started from elsewhere.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char *const kTitle = "Frostel - Tarvik";
const std::vector<std::string> environment = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"};

// What the default data shows: a dark night sky, a white snowy ground and frame, a green fir. Without its
// data the program paints the whole view white, so these shares tell that it found share/games/frostel/data.
struct Shares {
    double dark = 0, bright = 0, green = 0;
};

Shares shares(const RgbImage &img)
{
    Shares s;
    const double n = double(img.width) * img.height;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char *p = img.at(x, y);
            if (p[0] < 80 && p[1] < 80 && p[2] < 110) s.dark += 1 / n;
            if (p[0] > 150 && p[1] > 150 && p[2] > 150) s.bright += 1 / n;
            if (p[1] > p[0] + 12 && p[1] >= p[2]) s.green += 1 / n;
        }
    return s;
}

class Package : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *deb = std::getenv("FROSTEL_DEB");
        if (!deb || !*deb) GTEST_SKIP() << "configure with -DFROSTEL_DEB=<build-deb>/frostel_<version>_<arch>.deb";
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
        // An X server starts afresh when its last client leaves, and refuses connections meanwhile:
        // after a case whose program never connected, this one may come too early.
        for (int tries = 0; tries < 50; ++tries) {
            session = std::make_unique<XSession>();
            if (session->connected()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(session->connected());
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = fs::temp_directory_path() / ("frostel-package-" + name + "-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch / "elsewhere");
        const std::string extract = "dpkg-deb -x '" + std::string(deb) + "' '" + (scratch / "root").string() + "'";
        ASSERT_EQ(std::system(extract.c_str()), 0) << extract;
        launcher = (scratch / "root/usr/games/frostel").string();
    }
    void TearDown() override
    {
        if (!scratch.empty()) fs::remove_all(scratch);
    }

    // The first frames are drawn over whatever the window held; a second later the view is the scene's.
    Shares sceneShares(Window w)
    {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const RgbImage view = x().grab(w);
        EXPECT_EQ(view.width, 512);
        EXPECT_EQ(view.height, 512);
        return shares(view);
    }

    std::unique_ptr<XSession> session;
    XSession &x() { return *session; }
    fs::path scratch;
    std::string launcher;
};

void expectTheDefaultScene(const Shares &s)
{
    EXPECT_GT(s.dark, 0.15) << "the night sky";
    EXPECT_GT(s.bright, 0.1) << "the snowy ground and the frosty frame";
    EXPECT_LT(s.bright, 0.6) << "an all-white view means the data was not found";
    EXPECT_GT(s.green, 0.02) << "the fir";
}

}  // namespace

TEST_F(Package, CommandStartedElsewhereDrawsTheSceneAndEscapeEndsWithZero)
{
    ASSERT_TRUE(x().start(launcher, (scratch / "elsewhere").string(), environment));
    const Window w = x().waitForWindow(kTitle, 30);
    ASSERT_NE(w, 0u) << "no window titled \"" << kTitle << "\"";
    expectTheDefaultScene(sceneShares(w));
    x().sendKey(w, "Escape");
    EXPECT_EQ(x().waitExit(20), 0);
}

TEST_F(Package, CommandReachedThroughALinkFindsItsFolderAndAClosedWindowEndsWithZero)
{
    const fs::path link = scratch / "elsewhere/frostel-link";
    fs::create_symlink(launcher, link);
    ASSERT_TRUE(x().start(link.string(), (scratch / "elsewhere").string(), environment));
    const Window w = x().waitForWindow(kTitle, 30);
    ASSERT_NE(w, 0u);
    expectTheDefaultScene(sceneShares(w));
    x().requestClose(w);
    EXPECT_EQ(x().waitExit(20), 0);
}

// With no X server to open the window on, the program ends with 1, and the command must say so too.
TEST_F(Package, CommandPassesTheProgramsFailureStatusOn)
{
    std::vector<std::string> env = environment;
    env.push_back("DISPLAY=:9999");
    ASSERT_TRUE(x().start(launcher, (scratch / "elsewhere").string(), env));
    EXPECT_EQ(x().waitExit(60), 1);
}

// A folder the command cannot enter is reported, with a failure status, and the program is not run.
TEST_F(Package, CommandWithoutItsFolderFailsWithoutRunningTheProgram)
{
    fs::remove_all(scratch / "root/usr/share/games/frostel");
    ASSERT_TRUE(x().start(launcher, (scratch / "elsewhere").string(), environment));
    EXPECT_GT(x().waitExit(20), 0);
    EXPECT_EQ(x().waitForWindow(kTitle, 1), 0u) << "the program ran without its folder";
}

// The screen-saver hack as XScreenSaver runs it from the package, given an 800 × 600 window: the scene as the
// centred 600 × 600 square found through its own folder, black beside it over the window's red, SIGTERM ending it.
TEST_F(Package, ScreenSaverHackDrawsTheSquareIntoTheWindowItIsGivenAndEndsWithZeroOnSigterm)
{
    const Window w = x().createWindow(800, 600, 0xff0000);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(w));
    ChildProcess hack;
    const std::string output = (scratch / "hack.txt").string();
    ASSERT_TRUE(hack.start({(scratch / "root/usr/libexec/xscreensaver/frostel").string(), "-window-id", id},
                           (scratch / "elsewhere").string(), environment, output));
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ASSERT_TRUE(hack.running()) << readWholeFile(output);
    const RgbImage view = x().grab(w);
    ASSERT_EQ(view.width, 800);
    ASSERT_EQ(view.height, 600);
    RgbImage square;
    square.width = square.height = 600;
    size_t litBeside = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const unsigned char *p = view.at(x, y);
            if (x >= 100 && x < 700)
                square.rgb.insert(square.rgb.end(), p, p + 3);
            else
                litBeside += p[0] > 8 || p[1] > 8 || p[2] > 8 ? 1 : 0;
        }
    EXPECT_EQ(litBeside, 0u) << "the strips beside the square";
    expectTheDefaultScene(shares(square));
    kill(hack.pid(), SIGTERM);
    EXPECT_EQ(hack.waitExit(1.0), 0) << readWholeFile(output);
    XDestroyWindow(x().display(), w);
}
