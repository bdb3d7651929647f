// The X11 screen-saver hack drawing into a window this test made, as a daemon hands one over: the scene in the
// centred square, black beside it whatever the window's own background, its size followed, SIGTERM and a lost
// window each ending it as daemons expect; and on the bare desktop's root window, left clear at its end.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool black(const unsigned char *p) { return p[0] < 8 && p[1] < 8 && p[2] < 8; }

// Pixels of the rectangle that are not black.
size_t litPixels(const RgbImage &image, int x0, int y0, int x1, int y1)
{
    size_t lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) lit += black(image.at(x, y)) ? 0 : 1;
    return lit;
}

bool mostlyWhite(const RgbImage &image, int x0, int x1)
{
    size_t white = 0, all = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = x0; x < x1; ++x, ++all) {
            const unsigned char *p = image.at(x, y);
            white += p[0] > 200 && p[1] > 200 && p[2] > 200 ? 1 : 0;
        }
    return white * 10 > all * 9;
}

class SaverHack : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.connected()) << "no X display";
        // Started from a folder of its own: the data must be found beside the program, not here.
        dir = fs::temp_directory_path() / ("frostel-hack-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        // A red background: black beside the square must be the hack's own doing.
        window = x.createWindow(800, 600, 0xff0000);
    }
    void TearDown() override
    {
        if (window != 0) XDestroyWindow(x.display(), window);
        XSync(x.display(), False);
        fs::remove_all(dir);
    }
    bool start(const std::vector<std::string> &arguments, const std::vector<std::string> &env = {})
    {
        std::vector<std::string> argv{FROSTEL_SAVER_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return hack.start(argv, dir.string(), env, (dir / "output.txt").string());
    }
    std::string windowId(bool hex) const
    {
        char text[32];
        std::snprintf(text, sizeof text, hex ? "0x%lx" : "%lu", static_cast<unsigned long>(window));
        return text;
    }
    // The scene square in the middle of a width × height window, black strips beside it.
    void expectSquare(int width, int height)
    {
        const RgbImage image = x.grab(window);
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        const int side = std::min(width, height);
        const int left = (width - side) / 2, top = (height - side) / 2;
        if (left > 0) {
            EXPECT_EQ(litPixels(image, 0, 0, left, height), 0u) << "left strip";
            EXPECT_EQ(litPixels(image, left + side, 0, width, height), 0u) << "right strip";
        }
        if (top > 0) {
            EXPECT_EQ(litPixels(image, 0, 0, width, top), 0u) << "top strip";
            EXPECT_EQ(litPixels(image, 0, top + side, width, height), 0u) << "bottom strip";
        }
        // The square reaches its edges (the frosty frame lies there) and holds the scene, not the white of
        // missing images.
        EXPECT_GT(litPixels(image, left, top, left + 2, top + side), size_t(side / 2)) << "the square's left edge";
        EXPECT_GT(litPixels(image, left + side - 2, top, left + side, top + side), size_t(side / 2))
            << "the square's right edge";
        EXPECT_GT(litPixels(image, left, top, left + side, top + side), size_t(side) * size_t(side) / 2);
        EXPECT_FALSE(mostlyWhite(image, left, left + side)) << "the data was not found";
    }

    // Until the middle of the window shows the scene: a loaded machine may take seconds over its first frames.
    bool waitForScene(double seconds)
    {
        for (double waited = 0; waited < seconds; waited += 0.25) {
            const RgbImage image = x.grab(window);
            // The window's own red background, or black, until the hack has drawn there.
            size_t drawn = 0;
            for (int y = image.height / 2 - 50; image.width > 0 && y < image.height / 2 + 50; ++y)
                for (int x0 = image.width / 2 - 50; x0 < image.width / 2 + 50; ++x0) {
                    const unsigned char *p = image.at(x0, y);
                    drawn += !black(p) && !(p[0] > 200 && p[1] < 40 && p[2] < 40) ? 1 : 0;
                }
            if (drawn > 5000) return true;
            if (!hack.running()) return false;
            pause(0.25);
        }
        return false;
    }

    XSession x;
    fs::path dir;
    Window window = 0;
    ChildProcess hack;
};

}  // namespace

// A daemon counts a hack that ends by its SIGTERM as a normal end, and any exit status as a fault.
TEST_F(SaverHack, DrawsIntoTheGivenWindowAndEndsBySigtermLeavingItsLastFrame)
{
    ASSERT_TRUE(start({"-window-id", windowId(true)}));
    pause(5);
    ASSERT_TRUE(hack.running()) << readWholeFile((dir / "output.txt").string());
    expectSquare(800, 600);
    kill(hack.pid(), SIGTERM);
    EXPECT_EQ(hack.waitExit(1.0), 128 + SIGTERM) << readWholeFile((dir / "output.txt").string());
    // The window is left as it was: neither cleared to its red background nor unmapped.
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(x.display(), window, &attributes));
    EXPECT_EQ(attributes.map_state, IsViewable);
    expectSquare(800, 600);
}

// A daemon may end a hack it has only just started (a cycle, then a deactivation at once): SIGTERM at any moment
// of the start-up ends it by that signal too, never with a status.
TEST_F(SaverHack, SigtermDuringTheStartEndsItBySigtermToo)
{
    for (const double delay : {0.02, 0.05, 0.08, 0.12, 0.2, 0.3}) {
        ASSERT_TRUE(start({"-window-id", windowId(true)}));
        pause(delay);
        kill(hack.pid(), SIGTERM);
        EXPECT_EQ(hack.waitExit(10.0), 128 + SIGTERM)
            << "after " << delay << " s: " << readWholeFile((dir / "output.txt").string());
    }
}

// No daemon's window named: the desktop's own root window, which nobody repaints, gets its background back.
TEST_F(SaverHack, RootOnABareDesktopDrawsThereAndLeavesItsBackgroundAtTheEnd)
{
    const Window root = DefaultRootWindow(x.display());
    const RgbImage before = x.grab(root);
    ASSERT_TRUE(start({"-root"}));
    pause(5);
    ASSERT_TRUE(hack.running()) << readWholeFile((dir / "output.txt").string());
    EXPECT_NE(x.grab(root).rgb, before.rgb) << "nothing was drawn on the root window";
    kill(hack.pid(), SIGTERM);
    EXPECT_EQ(hack.waitExit(2.0), 128 + SIGTERM) << readWholeFile((dir / "output.txt").string());
    const RgbImage after = x.grab(root);
    ASSERT_EQ(after.rgb.size(), before.rgb.size());
    size_t changed = 0;
    for (size_t i = 0; i < after.rgb.size(); i += 3)
        changed += std::equal(&after.rgb[i], &after.rgb[i] + 3, &before.rgb[i]) ? 0 : 1;
    EXPECT_EQ(changed, 0u) << "pixels of the last frame left on the root window";
}

TEST_F(SaverHack, TakesTheDaemonsWindowFromTheEnvironmentAndFollowsItsSize)
{
    ASSERT_TRUE(start({"-root"}, {"XSCREENSAVER_WINDOW=" + windowId(false)}));
    pause(4);
    ASSERT_TRUE(hack.running()) << readWholeFile((dir / "output.txt").string());
    expectSquare(800, 600);
    // Taller than wide: the strips move above and below.
    XResizeWindow(x.display(), window, 500, 700);
    XSync(x.display(), False);
    pause(3);
    expectSquare(500, 700);
    kill(hack.pid(), SIGTERM);
    EXPECT_EQ(hack.waitExit(1.0), 128 + SIGTERM) << readWholeFile((dir / "output.txt").string());
}

TEST_F(SaverHack, AWindowThatGoesAwayEndsItWithOneLine)
{
    ASSERT_TRUE(start({"-window-id", windowId(false)}));
    ASSERT_TRUE(waitForScene(30)) << readWholeFile((dir / "output.txt").string());
    XDestroyWindow(x.display(), window);
    XSync(x.display(), False);
    window = 0;
    EXPECT_EQ(hack.waitExit(30.0), 1);
    const std::string output = readWholeFile((dir / "output.txt").string());
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find("window is gone"), std::string::npos) << output;
}

// A daemon ends a hack so: SIGTERM, and its window destroyed at once, often before the hack has stopped drawing.
TEST_F(SaverHack, AWindowDestroyedRightAfterSigtermIsAQuietEndBySigterm)
{
    for (int round = 0; round < 3; ++round) {
        if (window == 0) window = x.createWindow(800, 600, 0xff0000);
        ASSERT_TRUE(start({"-window-id", windowId(true)}));
        pause(2);
        ASSERT_TRUE(hack.running());
        kill(hack.pid(), SIGTERM);
        XDestroyWindow(x.display(), window);
        XSync(x.display(), False);
        window = 0;
        EXPECT_EQ(hack.waitExit(2.0), 128 + SIGTERM) << readWholeFile((dir / "output.txt").string());
        EXPECT_EQ(readWholeFile((dir / "output.txt").string()), "");
    }
}

TEST_F(SaverHack, ArgumentsItCannotUseEndItWithOne)
{
    ASSERT_TRUE(start({"-window-id", "0x"}));
    EXPECT_EQ(hack.waitExit(5.0), 1);
    std::string output = readWholeFile((dir / "output.txt").string());
    EXPECT_NE(output.find("usage: "), std::string::npos) << output;
    // A well-formed id that names no window.
    ASSERT_TRUE(start({"-window-id", "0x1ffffff1"}));
    EXPECT_EQ(hack.waitExit(5.0), 1);
    output = readWholeFile((dir / "output.txt").string());
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    // 2^32 + 0x50d: Xlib keeps the low 32 bits, which name the root window of this server; refused, from the
    // command line and from the daemon's variable alike.
    for (const auto &env : {std::vector<std::string>{}, std::vector<std::string>{"XSCREENSAVER_WINDOW=4294968589"}}) {
        ASSERT_TRUE(env.empty() ? start({"-window-id", "4294968589"}) : start({}, env));
        EXPECT_EQ(hack.waitExit(5.0), 1);
        output = readWholeFile((dir / "output.txt").string());
        EXPECT_NE(output.find("usage: "), std::string::npos) << output;
    }
}

// Started with all three standard descriptors closed, and a sound library with no card to complain about it:
// the X connection must not take descriptor 2 (the complaint would go into it and the hack would wait on the
// server for ever), so 0 to 2 are /dev/null, it draws, and SIGTERM still ends it.
TEST_F(SaverHack, WithItsStandardDescriptorsClosedItHoldsNoConnectionThereAndEndsOnSigterm)
{
    const fs::path script = dir / "closed.sh";
    {
        std::FILE *file = std::fopen(script.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "#!/bin/sh\nexec <&- >&- 2>&- '%s' -window-id %s -music\n", FROSTEL_SAVER_EXE,
                     windowId(true).c_str());
        std::fclose(file);
    }
    fs::permissions(script, fs::perms::owner_all);
    ASSERT_TRUE(hack.start({script.string()}, dir.string(), {"SDL_AUDIODRIVER=alsa"}, (dir / "output.txt").string()));
    ASSERT_TRUE(waitForScene(30));
    for (int fd = 0; fd <= 2; ++fd) {
        const fs::path link = "/proc/" + std::to_string(hack.pid()) + "/fd/" + std::to_string(fd);
        EXPECT_EQ(fs::read_symlink(link).string(), "/dev/null") << "descriptor " << fd;
    }
    kill(hack.pid(), SIGTERM);
    // As with its descriptors open (a hang would outlast the wait and be killed).
    EXPECT_NE(hack.waitExit(5.0), -1);
}

// Windows it cannot draw into end it at once with status 1 and their reason on standard error. A box would wait
// unseen under the daemon's window until killed.
TEST_F(SaverHack, WindowsItCannotDrawIntoEndItWithOneAndNoBox)
{
    XSetWindowAttributes none = {};
    const Window inputOnly = XCreateWindow(x.display(), DefaultRootWindow(x.display()), 0, 0, 640, 480, 0, 0, InputOnly,
                                           CopyFromParent, 0, &none);
    // Larger than any OpenGL here draws into.
    const Window vast = x.createWindow(32767, 32767, 0x000000);
    XSync(x.display(), False);
    for (const Window target : {inputOnly, vast}) {
        ASSERT_TRUE(start({"-window-id", std::to_string(target)}));
        EXPECT_EQ(hack.waitExit(15.0), 1) << readWholeFile((dir / "output.txt").string());
        EXPECT_NE(readWholeFile((dir / "output.txt").string()), "");
    }
    XDestroyWindow(x.display(), inputOnly);
    XDestroyWindow(x.display(), vast);
    XSync(x.display(), False);
}
