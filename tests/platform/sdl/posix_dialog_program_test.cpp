// Message boxes that SDL cannot show: dialog programs found on PATH, their arguments, input and answers,
// stand-ins that record what they were given; then the real xmessage on an X server, answered by a key.
#include "platform/sdl/posix_dialog_program.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets variables for one test and puts back what was there before.
class Environment {
public:
    void set(const char *name, const char *value)
    {
        if (saved_.count(name) == 0) {
            const char *old = std::getenv(name);
            saved_[name] =
                old != nullptr ? std::make_pair(true, std::string(old)) : std::make_pair(false, std::string());
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~Environment()
    {
        for (const auto &entry : saved_) {
            if (entry.second.first) {
                setenv(entry.first.c_str(), entry.second.second.c_str(), 1);
            } else {
                unsetenv(entry.first.c_str());
            }
        }
    }

private:
    std::map<std::string, std::pair<bool, std::string>> saved_;
};

std::string readText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// A folder that is the whole PATH, holding stand-ins that note their arguments (one a line) and
// their input, then exit with the status they were told. Shell built-ins only: nothing else is on PATH.
class DialogStandIns : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) / ("frostel-dialogs-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        environment.set("PATH", dir.c_str());
        environment.set("DISPLAY", ":frostel-test");
        environment.set("WAYLAND_DISPLAY", nullptr);
    }
    void TearDown() override { fs::remove_all(dir); }

    void standIn(const std::string &program, int status)
    {
        const fs::path script = dir / program;
        std::ofstream(script) << "#!/bin/sh\n"
                              << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                              << (dir / (program + ".args")).string()
                              << "'\nwhile IFS= read -r line; do printf '%s\\n' \"$line\"; done > '"
                              << (dir / (program + ".input")).string() << "'\nexit " << status << "\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    bool ran(const std::string &program) const { return fs::exists(dir / (program + ".args")); }
    std::vector<std::string> argsOf(const std::string &program) const
    {
        return lines(readText(dir / (program + ".args")));
    }
    std::string inputOf(const std::string &program) const { return readText(dir / (program + ".input")); }

    fs::path dir;
    Environment environment;
};

using platform::DialogIcon;
using platform::showDialogProgram;
using Args = std::vector<std::string>;

TEST_F(DialogStandIns, ZenityIsAskedFirstWithTheTextShownAsItStands)
{
    standIn("zenity", 0);
    standIn("kdialog", 0);
    EXPECT_EQ(showDialogProgram("GL", "Use <b>Windowed</b> Mode?\n-x", true, DialogIcon::warning), IDYES);
    EXPECT_EQ(argsOf("zenity"), (Args{"--question", "--no-markup", "--title=GL", "--text=Use <b>Windowed</b> Mode?",
                                      "-x", "--ok-label=Yes", "--cancel-label=No"}));
    EXPECT_FALSE(ran("kdialog")) << "one box only";

    for (const auto &[icon, option] : {std::pair{DialogIcon::error, "--error"},
                                       {DialogIcon::warning, "--warning"},
                                       {DialogIcon::information, "--info"}}) {
        EXPECT_EQ(showDialogProgram("ERROR", "Window Creation Error.", false, icon), IDOK);
        EXPECT_EQ(argsOf("zenity"), (Args{option, "--no-markup", "--title=ERROR", "--text=Window Creation Error."}));
    }
}

// SIGTERM and SIGINT used to be ignored while a dialog waited. Now either ends it and the box answers as a
// closed one; the program, asked to end, shows no further box.
TEST_F(DialogStandIns, ASignalEndsAWaitingDialogAsAClosedBox)
{
    // Run from a background job, the test would have SIGINT ignored, and an ignored signal stays ignored.
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    struct sigaction before[2];
    sigaction(SIGINT, &standard, &before[0]);
    sigaction(SIGTERM, &standard, &before[1]);
    for (const int signal : {SIGTERM, SIGINT}) {
        const fs::path started = dir / "started";
        fs::remove(started);
        std::ofstream(dir / "zenity") << "#!/bin/sh\n: > '" << started.string() << "'\nexec /bin/sleep 60\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        standIn("kdialog", 0);
        std::thread sender([&] {
            for (int i = 0; i < 600 && !fs::exists(started); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            kill(getpid(), signal);
        });
        EXPECT_EQ(showDialogProgram("ERROR", "Window Creation Error.", true, DialogIcon::error), IDNO);
        sender.join();
        EXPECT_FALSE(ran("kdialog")) << "the closed answer stands; no other program is asked";
        EXPECT_TRUE(platform::boxesEndedBySignal());
        platform::forgetBoxesEndedBySignal();
    }
    sigaction(SIGINT, &before[0], nullptr);
    sigaction(SIGTERM, &before[1], nullptr);
}

TEST_F(DialogStandIns, KdialogAnswersYesNoAndAClosedBox)
{
    standIn("kdialog", 1);
    EXPECT_EQ(showDialogProgram("GL", "Fullscreen?", true, DialogIcon::warning), IDNO);
    EXPECT_EQ(argsOf("kdialog"), (Args{"--title", "GL", "--yesno", "Fullscreen?"}));
    EXPECT_EQ(showDialogProgram("SHUTDOWN ERROR", "Release Of DC Failed.", false, DialogIcon::information), IDOK);
    EXPECT_EQ(argsOf("kdialog"), (Args{"--title", "SHUTDOWN ERROR", "--msgbox", "Release Of DC Failed."}));
    standIn("kdialog", 0);
    EXPECT_EQ(showDialogProgram("GL", "Fullscreen?", true, DialogIcon::warning), IDYES);
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), IDOK);
    EXPECT_EQ(argsOf("kdialog"), (Args{"--title", "ERROR", "--error", "x"}));
}

TEST_F(DialogStandIns, AProgramThatCannotShowTheBoxHandsOnToTheNext)
{
    standIn("zenity", 5);
    standIn("kdialog", 254);
    standIn("xmessage", 102);
    EXPECT_EQ(showDialogProgram("GL", "-Use Windowed Mode Instead?", true, DialogIcon::warning), IDNO);
    EXPECT_TRUE(ran("zenity"));
    EXPECT_TRUE(ran("kdialog"));
    // The text goes in on standard input, where no part of it can be read as an option.
    EXPECT_EQ(argsOf("xmessage"),
              (Args{"-title", "GL", "-center", "-buttons", "Yes:101,No:102", "-default", "Yes", "-file", "-"}));
    EXPECT_EQ(inputOf("xmessage"), "-Use Windowed Mode Instead?\n");

    standIn("xmessage", 101);
    EXPECT_EQ(showDialogProgram("GL", "?", true, DialogIcon::warning), IDYES);
    standIn("xmessage", 100);
    EXPECT_EQ(showDialogProgram("ERROR", "Window Creation Error.", false, DialogIcon::error), IDOK);
    EXPECT_EQ(argsOf("xmessage"),
              (Args{"-title", "ERROR", "-center", "-buttons", "OK:100", "-default", "OK", "-file", "-"}));
}

TEST_F(DialogStandIns, NoneAbleOrNoneInstalledLeavesTheAnswerToTheCaller)
{
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), 0);
    standIn("zenity", 255);
    standIn("xmessage", 1);  // its status when the display cannot be opened
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), 0);
    EXPECT_TRUE(ran("xmessage"));
}

TEST_F(DialogStandIns, NothingRunsWithoutADisplay)
{
    standIn("kdialog", 0);
    environment.set("DISPLAY", nullptr);
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), 0);
    environment.set("DISPLAY", "");
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), 0);
    EXPECT_FALSE(ran("kdialog"));
    environment.set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(showDialogProgram("ERROR", "x", false, DialogIcon::error), IDOK);
    EXPECT_TRUE(ran("kdialog"));
}

// Asking SDL for a driver that draws nowhere asks for no windows of any kind.
TEST_F(DialogStandIns, MessageBoxShowsNoDialogOnADriverThatDrawsNowhere)
{
    standIn("kdialog", 0);
    standIn("xmessage", 101);
    environment.set("SDL_VIDEODRIVER", "offscreen");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Use Windowed Mode?", "GL", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("GL: Use Windowed Mode?\n"), std::string::npos);
    EXPECT_FALSE(ran("kdialog"));
    EXPECT_FALSE(ran("xmessage"));
}

// Run under an X server where SDL cannot show its own box, with the real xmessage as the only program.
class RealXmessage : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *display = std::getenv("DISPLAY");
        const char *driver = std::getenv("SDL_VIDEODRIVER");
        if (display == nullptr || display[0] == '\0' || driver == nullptr || std::string(driver) != "x11") {
            GTEST_SKIP() << "needs an X server and SDL_VIDEODRIVER=x11";
        }
        for (const char *candidate : {"/usr/bin/xmessage", "/usr/bin/xdotool"}) {
            if (access(candidate, X_OK) != 0) {
                GTEST_SKIP() << candidate << " is not installed (Debian: x11-utils, xdotool)";
            }
        }
        dir = fs::path(testing::TempDir()) / ("frostel-xmessage-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::create_symlink("/usr/bin/xmessage", dir / "xmessage");
        environment.set("PATH", dir.c_str());
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::vector<std::string> windows(const std::string &search)
    {
        std::vector<std::string> ids;
        std::FILE *out = popen(("/usr/bin/xdotool search " + search + " 2>/dev/null").c_str(), "r");
        if (out == nullptr) return ids;
        char line[64];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            ids.push_back(lines(line).front());
        }
        pclose(out);
        return ids;
    }

    // Presses Return in the xmessage window titled `title` once it shows; false if none shows.
    // Its class tells it from a box SDL might have shown itself.
    static bool answerWithReturn(const std::string &title)
    {
        for (int i = 0; i < 200; ++i) {
            const std::vector<std::string> boxes = windows("--class Xmessage");
            for (const std::string &titled : windows("--name '^" + title + "$'")) {
                if (std::find(boxes.begin(), boxes.end(), titled) != boxes.end()) {
                    const std::string press = "/usr/bin/xdotool windowfocus --sync " + titled + " key Return";
                    return std::system(press.c_str()) == 0;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    fs::path dir;
    Environment environment;
};

TEST_F(RealXmessage, ShowsTheBoxAndReturnGivesItsDefault)
{
    const struct {
        const char *caption;
        const char *text;
        UINT type;
        int answer;
    } boxes[] = {
        {"ERROR", "Window Creation Error.", MB_OK | MB_ICONEXCLAMATION, IDOK},
        {"GL", "Use Windowed Mode Instead?", MB_YESNO | MB_ICONEXCLAMATION, IDYES},
    };
    for (const auto &box : boxes) {
        auto answer =
            std::async(std::launch::async, [&box] { return MessageBoxA(nullptr, box.text, box.caption, box.type); });
        if (!answerWithReturn(box.caption)) {
            std::system("/usr/bin/pkill -x xmessage");  // so the box's thread can end
            FAIL() << "no xmessage window titled " << box.caption;
        }
        ASSERT_EQ(answer.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_EQ(answer.get(), box.answer) << box.caption;
    }
}

}  // namespace
