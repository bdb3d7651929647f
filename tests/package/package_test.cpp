// The Debian package as a user gets it: unpacked into a scratch root, its command started from elsewhere.
#include <gtest/gtest.h>

// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include "tests/render/x_session.h"
#include "tests/windows/child_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
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
// centred 600 × 600 square found through its own folder, black beside it over the window's red, ended by SIGTERM.
TEST_F(Package, ScreenSaverHackDrawsTheSquareIntoTheWindowItIsGivenAndEndsBySigterm)
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
    EXPECT_EQ(hack.waitExit(1.0), 128 + SIGTERM) << readWholeFile(output);
    XDestroyWindow(x().display(), w);
}

// The demo's two answers need no display, and name the saver's command.
TEST_F(Package, CommandAnswersHelpAndVersionWithoutADisplay)
{
    const std::vector<std::string> noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY="};
    const std::string output = (scratch / "said.txt").string();
    ChildProcess demo;
    ASSERT_TRUE(demo.start({launcher, "--help"}, (scratch / "elsewhere").string(), noDisplay, output));
    EXPECT_EQ(demo.waitExit(10), 0);
    const std::string help = readWholeFile(output);
    EXPECT_EQ(help.rfind("usage: frostel", 0), 0u) << help;
    EXPECT_NE(help.find("frostel-xscreensaver"), std::string::npos) << help;
    ASSERT_TRUE(demo.start({launcher, "--version"}, (scratch / "elsewhere").string(), noDisplay, output));
    EXPECT_EQ(demo.waitExit(10), 0);
    EXPECT_EQ(readWholeFile(output), "frostel " + std::string(FROSTEL_VERSION) + "\n");
}

namespace {

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t nl = std::min(text.find('\n', at), text.size() - 1) + 1;
        lines.push_back(text.substr(at, nl - at));
        at = nl;
    }
    return lines;
}

void writeFile(const fs::path &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

// From the unpacked package, in a fresh home, while the daemon runs: the command makes the package's hack the one
// saver, a second run changes nothing, and the daemon runs that hack on -activate and logs its end as normal.
TEST_F(Package, XScreenSaverCommandMakesTheDaemonRunThePackagedHack)
{
    const std::string missing = ScreenSaverDaemon::missing();
    if (!missing.empty()) GTEST_SKIP() << missing << " is not installed";
    const fs::path home = scratch / "home", settings = home / ".xscreensaver";
    const std::string command = (scratch / "root/usr/games/frostel-xscreensaver").string();
    const std::string hack = (scratch / "root/usr/libexec/xscreensaver/frostel").string();
    fs::create_directories(home);
    ScreenSaverDaemon daemon;
    ASSERT_TRUE(daemon.start(home.string()));
    std::string said;
    ASSERT_EQ(daemon.runAsUser({command}, &said), 0) << said;
    EXPECT_NE(said.find("Made " + settings.string()), std::string::npos) << said;
    EXPECT_NE(said.find("To choose another saver again"), std::string::npos) << said;
    const std::string made = readWholeFile(settings.string());
    EXPECT_EQ(std::count(made.begin(), made.end(), '\n') > 100, true) << "the system's list of programs";
    const std::vector<std::string> lines = linesOf(made);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string &l) { return l.find("frostel") != std::string::npos; }),
              2)  // the hack's line, and the comment that says which command made the file
        << made;
    EXPECT_NE(made.find(hack + " -root"), std::string::npos) << made;

    struct stat first;
    ASSERT_EQ(stat(settings.c_str(), &first), 0);
    ASSERT_EQ(daemon.runAsUser({command}, &said), 0) << said;
    EXPECT_NE(said.find("nothing changed"), std::string::npos) << said;
    EXPECT_EQ(readWholeFile(settings.string()), made);
    struct stat second;
    ASSERT_EQ(stat(settings.c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino) << "the file was written again";

    ASSERT_EQ(daemon.command("-activate"), 0);
    std::this_thread::sleep_for(std::chrono::seconds(6));
    ASSERT_EQ(processesOf(hack).size(), 1u) << daemon.log();
    XSession screen(daemon.display());
    ASSERT_TRUE(screen.connected());
    const RgbImage view = screen.grab(DefaultRootWindow(screen.display()));
    ASSERT_EQ(view.width, 1280);
    ASSERT_EQ(view.height, 720);
    RgbImage square;
    square.width = square.height = 720;
    size_t litBeside = 0;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            const unsigned char *p = view.at(x, y);
            if (x >= 280 && x < 1000)
                square.rgb.insert(square.rgb.end(), p, p + 3);
            else
                litBeside += p[0] > 8 || p[1] > 8 || p[2] > 8 ? 1 : 0;
        }
    EXPECT_EQ(litBeside, 0u);
    expectTheDefaultScene(shares(square));

    // Cycling ends the hack and starts it again; the daemon logs how the one it ended went.
    ASSERT_EQ(daemon.command("-cycle"), 0);
    const std::string normal = "(" + hack + ") exited normally with SIGTERM";
    bool logged = false;
    for (int tries = 0; tries < 50 && !logged; ++tries) {
        logged = daemon.log().find(normal) != std::string::npos;
        if (!logged) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(logged) << daemon.log();

    ASSERT_EQ(daemon.command("-deactivate"), 0);
    bool gone = false;
    for (int tries = 0; tries < 50 && !gone; ++tries) {
        gone = processesOf(hack).empty();
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(gone);
    // Older daemons log nothing of a hack ended with the unblanking; none may call its end abnormal.
    EXPECT_EQ(daemon.log().find("abnormally"), std::string::npos) << daemon.log();
}

// A file of the user's own is kept but for the choice and one added line, twice run; one the command cannot read
// as settings, or may not write, is left byte for byte.
TEST_F(Package, XScreenSaverCommandKeepsTheUsersLinesAndLeavesWhatItCannotChange)
{
    const fs::path home = scratch / "home", settings = home / ".xscreensaver";
    const std::string command = (scratch / "root/usr/games/frostel-xscreensaver").string();
    const std::string own = "# XScreenSaver Preferences File\ntimeout:\t0:07:00\nmode:\t\trandom\nselected:\t1\n"
                            "textLiteral:\tWinter: \\\\o/\nprograms:\t\t\t\t\\\n\t\t\t\tmaze -root\t\\n\\\n"
                            "-\t\"Qix\"\t\t\tqix -root -solid\t\\n\\\n\n"
                            "pointerHysteresis: 10\n";
    fs::create_directories(home);
    writeFile(settings, own);
    ScreenSaverDaemon::giveToUser(home.string());
    std::string said;
    ASSERT_EQ(runAsSaverUser(home.string(), {command}, &said), 0) << said;
    ASSERT_EQ(runAsSaverUser(home.string(), {command}, &said), 0) << said;
    const std::string changed = readWholeFile(settings.string());
    // Every line but the choice is the user's, in order, and one line runs the unpacked hack.
    std::vector<std::string> kept, expected;
    size_t frostel = 0;
    for (const std::string &line : linesOf(changed)) {
        if (line.find("frostel") != std::string::npos)
            ++frostel;
        else if (line.rfind("mode:", 0) != 0 && line.rfind("selected:", 0) != 0)
            kept.push_back(line);
    }
    for (const std::string &line : linesOf(own))
        if (line.rfind("mode:", 0) != 0 && line.rfind("selected:", 0) != 0) expected.push_back(line);
    EXPECT_EQ(kept, expected) << changed;
    EXPECT_EQ(frostel, 1u) << changed;
    EXPECT_NE(changed.find("mode:\t\tone\nselected:\t2\n"), std::string::npos) << changed;

    const struct {
        const char *what;
        std::string text;
        mode_t mode;
    } refused[] = {
        {"a line that is no setting", "timeout: 0:07:00\nprograms maze -root\n", 0644},
        {"the list set twice", "programs: maze \\n\\\n\nprograms: qix \\n\\\n\n", 0644},
        {"read-only", own, 0444},
    };
    for (const auto &c : refused) {
        writeFile(settings, c.text);
        fs::permissions(settings, fs::perms(c.mode));
        ScreenSaverDaemon::giveToUser(home.string());
        EXPECT_EQ(runAsSaverUser(home.string(), {command}, &said), 1) << c.what;
        EXPECT_NE(said.find("left as it was"), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(readWholeFile(settings.string()), c.text) << c.what;
        EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all, fs::perms(c.mode)) << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(home), fs::directory_iterator()), 1) << "a file left behind";
    }
    // A home it may not write into: no file made, and nothing left behind.
    fs::remove(settings);
    fs::permissions(home, fs::perms(0555));
    EXPECT_EQ(runAsSaverUser(home.string(), {command}, &said), 1) << said;
    EXPECT_TRUE(fs::is_empty(home)) << said;
    fs::permissions(home, fs::perms(0755));
}
