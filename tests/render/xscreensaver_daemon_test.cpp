// The hack under the real XScreenSaver daemon on a private 1280 × 720 Xvfb: activating it shows the scene as the
// centred square, deactivating it ends the hack. Skipped where xscreensaver is not installed.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char *const daemonProgram = "/usr/bin/xscreensaver";
const char *const commandProgram = "/usr/bin/xscreensaver-command";
const char *const setpriv = "/usr/bin/setpriv";

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// The running processes whose program is `exe`.
std::vector<pid_t> processesOf(const fs::path &exe)
{
    std::vector<pid_t> found;
    for (const fs::directory_entry &entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == exe) found.push_back(std::stoi(name));
    }
    return found;
}

class XScreenSaverDaemon : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(daemonProgram, X_OK) != 0 || access(commandProgram, X_OK) != 0)
            GTEST_SKIP() << "xscreensaver is not installed (Debian: xscreensaver)";
        // The daemon runs no hacks for root: as root it runs as nobody, on copies nobody can read.
        if (geteuid() == 0 && access(setpriv, X_OK) != 0) GTEST_SKIP() << "setpriv is missing (Debian: util-linux)";
        ASSERT_TRUE(server.start(FROSTEL_XVFB, true, false, "1280x720x24"));
        dir = fs::temp_directory_path() / ("frostel-daemon-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "hacks");
        // A relocated install: the program with data/ beside it.
        hack = dir / "hacks/frostel";
        fs::copy_file(FROSTEL_SAVER_EXE, hack);
        fs::copy(fs::path(FROSTEL_SAVER_EXE).parent_path() / "data", dir / "hacks/data", fs::copy_options::recursive);
        std::ofstream(dir / ".xscreensaver") << "mode: one\nselected: 0\ntimeout: 1:00:00\nlock: False\n"
                                                "splash: False\nfade: False\nunfade: False\nprograms: \"Frostel\" "
                                             << hack.string() << " -root \\n\\\n\n";
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(dir))
            fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);

        std::vector<std::string> argv = {"/usr/bin/env", "HOME=" + dir.string(), daemonProgram, "-no-splash"};
        if (geteuid() == 0) argv.insert(argv.begin(), {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
        ASSERT_TRUE(daemon.start(argv, dir.string(), {"DISPLAY=" + server.display()}, (dir / "daemon.txt").string()));
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            if (daemon.running()) command("-exit");
            daemon.waitExit(10);
            fs::remove_all(dir);
        }
    }
    // Asks the daemon; it answers once it is up.
    int command(const char *what)
    {
        ChildProcess asking;
        if (!asking.start({commandProgram, what}, dir.string(), {"DISPLAY=" + server.display()},
                          (dir / "command.txt").string()))
            return -1;
        return asking.waitExit(20);
    }

    PrivateXServer server;
    ChildProcess daemon;
    fs::path dir, hack;
};

}  // namespace

TEST_F(XScreenSaverDaemon, ActivateShowsTheSceneAndDeactivateEndsTheHack)
{
    int activated = -1;
    for (int tries = 0; tries < 50 && activated != 0; ++tries, pause(0.2)) activated = command("-activate");
    ASSERT_EQ(activated, 0) << readWholeFile((dir / "command.txt").string());
    pause(8);
    const std::vector<pid_t> running = processesOf(hack);
    ASSERT_EQ(running.size(), 1u) << readWholeFile((dir / "daemon.txt").string());

    XSession screen(server.display());
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

    ASSERT_EQ(command("-deactivate"), 0);
    bool gone = false;
    for (int tries = 0; tries < 50 && !gone; ++tries, pause(0.1)) gone = processesOf(hack).empty();
    EXPECT_TRUE(gone) << "the hack outlived the deactivation";
    // A hack ended so says nothing: no lost-window line in the daemon's log.
    EXPECT_EQ(readWholeFile((dir / "daemon.txt").string()).find("window is gone"), std::string::npos);
}
