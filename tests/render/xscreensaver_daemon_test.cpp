// The hack under the real XScreenSaver daemon on a private 1280 × 720 Xvfb, chosen by frostel-xscreensaver in a fresh
// home while the daemon runs: activating it shows the scene as the centred square, the daemon logs its end by
// SIGTERM as a normal one. Skipped where xscreensaver is not installed.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

class XScreenSaverDaemon : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string missing = ScreenSaverDaemon::missing();
        if (!missing.empty()) GTEST_SKIP() << missing << " is not installed";
        dir = fs::temp_directory_path() / ("frostel-daemon-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "hacks");
        fs::create_directories(dir / "home");
        // A relocated install: the hack with data/ beside it, and the command that finds it there.
        hack = dir / "hacks/frostel-saver";
        fs::copy_file(FROSTEL_SAVER_EXE, hack);
        fs::copy_file(FROSTEL_XSCREENSAVER_EXE, dir / "hacks/frostel-xscreensaver");
        fs::copy(fs::path(FROSTEL_SAVER_EXE).parent_path() / "data", dir / "hacks/data", fs::copy_options::recursive);
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(dir))
            fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        daemon = std::make_unique<ScreenSaverDaemon>();
        ASSERT_TRUE(daemon->start((dir / "home").string()));
    }
    void TearDown() override
    {
        daemon.reset();
        if (!dir.empty()) fs::remove_all(dir);
    }

    fs::path dir, hack;
    std::unique_ptr<ScreenSaverDaemon> daemon;
};

}  // namespace

TEST_F(XScreenSaverDaemon, TheCommandMakesTheHackTheOneSaverOfARunningDaemonThatLogsItsEndAsNormal)
{
    // The daemon started on no settings file: the one the command makes is read at the next activation.
    ASSERT_EQ(daemon->command("-version"), 0);
    std::string said;
    ASSERT_EQ(daemon->runAsUser({(dir / "hacks/frostel-xscreensaver").string()}, &said), 0) << said;
    ASSERT_EQ(daemon->command("-activate"), 0);
    pause(6);
    const std::vector<pid_t> running = processesOf(hack.string());
    ASSERT_EQ(running.size(), 1u) << daemon->log();

    XSession screen(daemon->display());
    ASSERT_TRUE(screen.connected());
    const RgbImage view = screen.grab(DefaultRootWindow(screen.display()));
    ASSERT_EQ(view.width, 1280);
    size_t litBeside = 0, lit = 0, white = 0;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            const unsigned char *p = view.at(x, y);
            const bool on = p[0] > 8 || p[1] > 8 || p[2] > 8;
            if (x < 280 || x >= 1000)
                litBeside += on ? 1 : 0;
            else {
                lit += on ? 1 : 0;
                white += p[0] > 200 && p[1] > 200 && p[2] > 200 ? 1 : 0;
            }
        }
    EXPECT_EQ(litBeside, 0u);
    EXPECT_GT(lit, 720u * 720u / 2) << "the square shows the scene";
    EXPECT_LT(white, 720u * 720u / 2) << "the data was not found";

    // Cycling ends the hack and starts it again, and the daemon says how the one it ended went.
    ASSERT_EQ(daemon->command("-cycle"), 0);
    bool logged = false;
    const std::string ended = "(" + hack.string() + ") exited normally with SIGTERM";
    for (int tries = 0; tries < 50 && !logged; ++tries, pause(0.1))
        logged = daemon->log().find(ended) != std::string::npos;
    EXPECT_TRUE(logged) << daemon->log();

    ASSERT_EQ(daemon->command("-deactivate"), 0);
    bool gone = false;
    for (int tries = 0; tries < 50 && !gone; ++tries, pause(0.1)) gone = processesOf(hack.string()).empty();
    EXPECT_TRUE(gone) << "the hack outlived the deactivation";
    const std::string log = daemon->log();
    EXPECT_EQ(log.find("abnormally"), std::string::npos) << log;
    // A hack ended so says nothing: no lost-window line.
    EXPECT_EQ(log.find("window is gone"), std::string::npos) << log;
}
