// The real program where things are missing or wrong: no display, an X server without OpenGL,
// and asset names that are FIFOs or directories.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string &name)
{
    const fs::path dir = fs::temp_directory_path() / ("frostel-failure-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "data");
    return dir;
}

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// With nothing to show a window on, the program must not run on unseen (playing its music until
// killed): it fails at once with status 1, and says why.
TEST(Failure, WithNoDisplayTheProgramEndsWithOneAndSaysWhy)
{
    const fs::path dir = scratch("no-display");
    ChildProcess demo;
    ASSERT_TRUE(demo.start({FROSTEL_EXE}, dir.string(),
                           {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", "SDL_AUDIODRIVER=dummy"},
                           (dir / "run.log").string()));
    // Generous: a hang is what this bounds, not the speed.
    EXPECT_EQ(demo.waitExit(30), 1);
    const std::string log = readWholeFile((dir / "run.log").string());
    EXPECT_TRUE(contains(log, "Could not create the window: no display could be opened")) << log;
    EXPECT_TRUE(contains(log, "ERROR: Window Creation Error.\n")) << log;
    fs::remove_all(dir);
}

std::vector<std::string> windowIds(const std::string &display, const std::string &search)
{
    std::vector<std::string> ids;
    std::FILE *out = popen(("DISPLAY=" + display + " xdotool search " + search + " 2>/dev/null").c_str(), "r");
    if (out == nullptr) return ids;
    char line[64];
    while (std::fgets(line, sizeof line, out) != nullptr) ids.emplace_back(std::string(line, std::strcspn(line, "\n")));
    pclose(out);
    return ids;
}

// The windows titled `title`, as xwininfo lists them, in decimal as xdotool does: SDL's box names itself in UTF-8,
// which xdotool does not read.
std::vector<std::string> windowsTitled(const std::string &display, const std::string &title)
{
    std::vector<std::string> ids;
    std::FILE *out = popen(("DISPLAY=" + display + " xwininfo -root -tree 2>/dev/null").c_str(), "r");
    if (out == nullptr) return ids;
    char line[512];
    const std::string quoted = " \"" + title + "\"";
    while (std::fgets(line, sizeof line, out) != nullptr) {
        const std::string text(line);
        const size_t id = text.find("0x");
        if (id != std::string::npos && text.compare(text.find(' ', id), quoted.size(), quoted) == 0)
            ids.push_back(std::to_string(std::stoul(text.substr(id, text.find(' ', id) - id), nullptr, 16)));
    }
    pclose(out);
    return ids;
}

// The program on Xvfb without GLX, up to its "no OpenGL" box. SDL cannot make an OpenGL window there. The box
// is SDL's, shown from a child process so that a signal can end it, or, on a server with too few fonts for
// SDL's, a dialog program's: xmessage here.
class NoGlBox : public ::testing::TestWithParam<bool> {
protected:
    bool fewFonts() const { return GetParam(); }

    void SetUp() override
    {
        for (const char *tool : {"/usr/bin/xmessage", "/usr/bin/xdotool", "/usr/bin/xwininfo"})
            if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed (Debian: x11-utils, xdotool)";
        ASSERT_TRUE(server.start(FROSTEL_XVFB, fewFonts())) << "could not start " << FROSTEL_XVFB;
        dir = scratch("no-gl");
        fs::create_directories(dir / "bin");
        fs::create_symlink("/usr/bin/xmessage", dir / "bin/xmessage");
        ASSERT_TRUE(demo.start({FROSTEL_EXE}, dir.string(),
                               {"DISPLAY=" + server.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                "PATH=" + (dir / "bin").string()},
                               (dir / "run.log").string()));
        for (int i = 0; i < 300 && box.empty(); ++i) {
            box = errorBox();
            if (box.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_FALSE(box.empty()) << "no box titled ERROR\n" << log();
        EXPECT_TRUE(demo.running()) << "the box should wait for the user";
    }

    void TearDown() override { fs::remove_all(dir); }

    std::string errorBox()
    {
        const auto boxes = windowsTitled(server.display(), "ERROR");
        if (boxes.empty()) return "";
        // Which one shows: xmessage only where SDL cannot show its own.
        const auto xmessages = windowIds(server.display(), "--class Xmessage");
        const bool xmessage = std::find(xmessages.begin(), xmessages.end(), boxes.front()) != xmessages.end();
        EXPECT_EQ(xmessage, fewFonts());
        return boxes.front();
    }

    std::string log() { return readWholeFile((dir / "run.log").string()); }

    // With the status of an OK click, and promptly (the bound is a hang guard).
    void expectEndedBy(int signal)
    {
        kill(demo.pid(), signal);
        EXPECT_EQ(demo.waitExit(10), 1) << log();
        EXPECT_TRUE(errorBox().empty()) << "the box is gone with the program";
    }

    XServerWithoutGl server;
    fs::path dir;
    ChildProcess demo;
    std::string box;
};

TEST_P(NoGlBox, TheBoxShowsAndAnOkEndsTheProgramAndSdlSaysWhy)
{
    EXPECT_TRUE(contains(log(), "Could not create the window: ")) << log();
    EXPECT_TRUE(contains(log(), "GLX")) << "SDL's own reason should name what is missing\n" << log();
    EXPECT_TRUE(contains(log(), "ERROR: Window Creation Error.\n")) << log();

    ASSERT_EQ(
        std::system(("DISPLAY=" + server.display() + " xdotool windowfocus --sync " + box + " key Return").c_str()), 0);
    EXPECT_EQ(demo.waitExit(30), 1) << log();
}

// They were ignored while the box waited: only a click ended the program.
TEST_P(NoGlBox, SigtermEndsTheBoxAndTheProgramAsAClosedBoxWould) { expectEndedBy(SIGTERM); }
TEST_P(NoGlBox, SigintEndsTheBoxAndTheProgramAsAClosedBoxWould) { expectEndedBy(SIGINT); }

INSTANTIATE_TEST_SUITE_P(SdlBoxOrXmessage, NoGlBox, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "XmessageWhereSdlHasTooFewFonts" : "SdlsOwnBox");
                         });

// FIFOs would block the first frame's open for ever, and a directory as the model once asked for 2^63
// bytes. Each is a failed load: the scene draws on with the rest, and Escape still ends it.
TEST(Failure, FifosAndDirectoriesInPlaceOfAssetsLeaveTheSceneRunning)
{
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/test runs one)";
    XSession x;
    ASSERT_TRUE(x.connected());
    const fs::path dir = scratch("special");
    // A clear overlay over black: the snowflakes, plain white quads with their image a FIFO, must show.
    writeSolidTga((dir / "data/overlay.tga").string(), 4, 4, 0, 0, 0, 38);
    ASSERT_EQ(mkfifo((dir / "data/snowflake.tga").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "data/music.wav").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "data/shine.tga").c_str(), 0600), 0);
    fs::create_directories(dir / "data/tree.ms3d");
    fs::create_directories(dir / "data/snow.tga");

    ASSERT_TRUE(x.start(FROSTEL_EXE, dir.string(), {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"}));
    const Window w = x.waitForWindow("Frostel - Tarvik", 30);
    ASSERT_NE(w, 0u);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const RgbImage first = x.grab(w);
    int white = 0;
    for (int y = 0; y < first.height; ++y)
        for (int px = 0; px < first.width; ++px) {
            const unsigned char *p = first.at(px, y);
            if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++white;
        }
    // The ground, its image a directory, is untextured white too: a square's worth of white at the least.
    EXPECT_GT(white, 2000) << "the frame should be drawn";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NE(x.grab(w).rgb, first.rgb) << "frames should go on";
    x.sendKey(w, "Escape");
    EXPECT_EQ(x.waitExit(20), 0);
    fs::remove_all(dir);
}

}  // namespace
