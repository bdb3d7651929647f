// The real program on a desktop that works against it: a window manager (openbox) on a private Xvfb, another
// client destroying the window, a minimised window, a sound server frozen before start or while it plays.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char *const openbox = "/usr/bin/openbox";
const char *const pulseaudio = "/usr/bin/pulseaudio";
const char *const title = "Frostel - Tarvik";

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// CPU seconds the process has used so far, user and system.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool mostlyWhite(const RgbImage &image)
{
    if (image.width == 0) return false;
    size_t white = 0;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3)
        white += image.rgb[i] > 200 && image.rgb[i + 1] > 200 && image.rgb[i + 2] > 200 ? 1 : 0;
    return white * 10 > image.rgb.size() / 3 * 9;
}

// A private Xvfb with openbox managing it; the program runs in an empty folder, so it draws its white
// overlay stand-in over everything and plays the chime for its missing music.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(openbox, X_OK) != 0) GTEST_SKIP() << "openbox is not installed (Debian: openbox)";
        ASSERT_TRUE(server.start(FROSTEL_XVFB, true)) << "could not start " << FROSTEL_XVFB;
        dir = fs::temp_directory_path() / ("frostel-desktop-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(
            manager.start({openbox}, dir.string(), {"DISPLAY=" + server.display()}, (dir / "openbox.log").string()));
        x = std::make_unique<XSession>(server.display());
        ASSERT_TRUE(x->connected());
        // openbox says it manages the screen with this property on the root window.
        const Atom check = XInternAtom(x->display(), "_NET_SUPPORTING_WM_CHECK", False);
        for (double end = now() + 20; now() < end && !managed(check);) pause(0.1);
        ASSERT_TRUE(managed(check)) << "openbox did not start";
    }

    void TearDown() override { fs::remove_all(dir); }

    bool managed(Atom check)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, left = 0;
        unsigned char *data = nullptr;
        const bool there = XGetWindowProperty(x->display(), DefaultRootWindow(x->display()), check, 0, 1, False,
                                              XA_WINDOW, &type, &format, &count, &left, &data) == Success &&
                           count == 1;
        if (data) XFree(data);
        return there;
    }

    bool startDemo(const std::vector<std::string> &extra = {"SDL_AUDIODRIVER=dummy"})
    {
        std::vector<std::string> env = {"DISPLAY=" + server.display(), "SDL_VIDEODRIVER=x11"};
        env.insert(env.end(), extra.begin(), extra.end());
        return demo.start({FROSTEL_EXE}, dir.string(), env, log());
    }

    // Seconds until the window shows a drawn frame, or a negative number when it did not within `seconds`.
    double waitForScene(double seconds, Window &window)
    {
        const double start = now();
        for (double end = start + seconds; now() < end; pause(0.05)) {
            window = x->waitForWindow(title, 0.05);
            if (window && mostlyWhite(x->grab(window))) return now() - start;
        }
        return -1;
    }

    std::string log() const { return (dir / "run.log").string(); }

    // Never an abort, nor Xlib's own report: status 1 and our one line.
    void expectOneLineAndStatusOne(const char *says)
    {
        EXPECT_EQ(demo.waitExit(30), 1) << readWholeFile(log());
        const std::string output = readWholeFile(log());
        EXPECT_NE(output.find(says), std::string::npos) << output;
        EXPECT_EQ(output.find("X Error of failed request"), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    }

    PrivateXServer server;
    ChildProcess manager;
    ChildProcess demo;
    std::unique_ptr<XSession> x;
    fs::path dir;
};

// Xlib's own handler exited through atexit, where SDL_Quit called back into the broken connection: SIGABRT.
TEST_F(Desktop, AWindowDestroyedByAnotherClientEndsWithOneAndOneLine)
{
    ASSERT_TRUE(startDemo());
    Window window = 0;
    ASSERT_GE(waitForScene(30, window), 0) << readWholeFile(log());
    XDestroyWindow(x->display(), window);
    XFlush(x->display());
    expectOneLineAndStatusOne("The window is gone");
}

TEST_F(Desktop, LosingTheDisplayEndsWithOneAndOneLine)
{
    ASSERT_TRUE(startDemo());
    Window window = 0;
    ASSERT_GE(waitForScene(30, window), 0) << readWholeFile(log());
    x.reset();  // the test's own connection first, or Xlib would end the test too
    server.stop();
    expectOneLineAndStatusOne("The display is gone");
}

// Minimised, the loop only polls: it used to spin a whole core. A restore brings the frames back.
TEST_F(Desktop, AMinimisedWindowIdlesAndARestoreDrawsAgain)
{
    ASSERT_TRUE(startDemo());
    Window window = 0;
    ASSERT_GE(waitForScene(30, window), 0) << readWholeFile(log());
    XIconifyWindow(x->display(), window, DefaultScreen(x->display()));
    XFlush(x->display());
    pause(1);
    const double before = cpuSeconds(demo.pid());
    const double start = now();
    pause(3);
    const double share = (cpuSeconds(demo.pid()) - before) / (now() - start);
    std::printf("minimised: %.2f %% of a core\n", 100 * share);
    // The target is 2 %; the margin is for a loaded machine.
    EXPECT_LT(share, 0.10);

    XMapRaised(x->display(), window);
    XFlush(x->display());
    const double restored = waitForScene(10, window);
    std::printf("restored: drawing again after %.3f s (window manager included)\n", restored);
    EXPECT_GE(restored, 0) << "no frame after the restore";
    const double busy = cpuSeconds(demo.pid());
    pause(1);
    EXPECT_GT(cpuSeconds(demo.pid()) - busy, 0.05) << "restored, the loop draws again";
    x->sendKey(window, "Escape");
    EXPECT_EQ(demo.waitExit(30), 0);
}

// A sound server of the test's own, with a sink that plays into nothing.
class FrozenSound : public Desktop {
protected:
    void SetUp() override
    {
        if (access(pulseaudio, X_OK) != 0) GTEST_SKIP() << "pulseaudio is not installed (Debian: pulseaudio)";
        Desktop::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        const fs::path home = dir / "pulse-home";
        fs::create_directories(home);
        socket = (dir / "pulse-native").string();
        ASSERT_TRUE(sound.start(
            {pulseaudio, "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-L", "module-null-sink",
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
            dir.string(), {"HOME=" + home.string(), "XDG_RUNTIME_DIR=" + home.string()}, (dir / "pulse.log").string()));
        for (double end = now() + 20; now() < end && !fs::exists(socket);) pause(0.1);
        ASSERT_TRUE(fs::exists(socket)) << readWholeFile((dir / "pulse.log").string());
    }

    void TearDown() override
    {
        if (sound.pid() > 0) kill(sound.pid(), SIGCONT);
        Desktop::TearDown();
    }

    std::vector<std::string> soundEnvironment() const
    {
        return {"SDL_AUDIODRIVER=pulseaudio", "PULSE_SERVER=unix:" + socket};
    }

    void expectEscapeEndsPromptly(Window window)
    {
        x->sendKey(window, "Escape");
        const double start = now();
        EXPECT_EQ(demo.waitExit(30), 0) << readWholeFile(log());
        std::printf("exit: %.3f s after Escape\n", now() - start);
        // The target is a second; the margin is for a loaded machine.
        EXPECT_LT(now() - start, 5.0);
    }

    ChildProcess sound;
    std::string socket;
};

// Opening the sound device waited 60 s for the server before the first frame.
TEST_F(FrozenSound, BeforeStartTheSceneStillDrawsAndEscapeStillEnds)
{
    kill(sound.pid(), SIGSTOP);
    ASSERT_TRUE(startDemo(soundEnvironment()));
    Window window = 0;
    const double drawn = waitForScene(30, window);
    std::printf("frozen sound server: scene drawn %.3f s after start (window manager included)\n", drawn);
    ASSERT_GE(drawn, 0) << readWholeFile(log());
    EXPECT_LT(drawn, 5.0);
    expectEscapeEndsPromptly(window);
}

// SDL_Quit at exit waited for ever on the audio thread that the frozen server holds.
TEST_F(FrozenSound, WhilePlayingEscapeStillEnds)
{
    ASSERT_TRUE(startDemo(soundEnvironment()));
    Window window = 0;
    ASSERT_GE(waitForScene(30, window), 0) << readWholeFile(log());
    pause(1);  // the device is open and playing
    kill(sound.pid(), SIGSTOP);
    pause(1);
    expectEscapeEndsPromptly(window);
}

}  // namespace
