// Both screen-saver command lines: Windows' letters and handles, the X11 hack's options and its window.
#include "app/saver_args.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Mode = WindowsSaverCommand::Mode;
using Target = HackCommand::Target;

struct WindowsCase {
    const char *arguments;
    Mode mode;
    std::uintptr_t window;
};

HackCommand hack(std::vector<const char *> args, const char *environment = nullptr)
{
    args.insert(args.begin(), "frostel");
    return parseHackCommand(static_cast<int>(args.size()), args.data(), environment);
}

}  // namespace

TEST(WindowsSaverArguments, EveryFormWindowsUses)
{
    const WindowsCase cases[] = {
        {"/s", Mode::FullScreen, 0},
        {"/S", Mode::FullScreen, 0},
        {"-s", Mode::FullScreen, 0},
        {"  /s  ", Mode::FullScreen, 0},
        {"/p 1234", Mode::Preview, 1234},
        {"/P:1234", Mode::Preview, 1234},
        {"-p\t66050", Mode::Preview, 66050},
        {"/c", Mode::Settings, 0},
        {"/c:4321", Mode::Settings, 4321},
        {"/C 4321", Mode::Settings, 4321},
        {"", Mode::Settings, 0},
        {nullptr, Mode::Settings, 0},
        {"/a", Mode::PasswordChange, 0},
        {"/A:99", Mode::PasswordChange, 99},
    };
    for (const WindowsCase &c : cases) {
        const WindowsSaverCommand command = parseWindowsSaverCommand(c.arguments);
        EXPECT_EQ(command.mode, c.mode) << (c.arguments ? c.arguments : "(null)");
        EXPECT_EQ(command.window, c.window) << (c.arguments ? c.arguments : "(null)");
    }
}

TEST(WindowsSaverArguments, RefusesWhatItCannotRead)
{
    const char *refused[] = {
        "s",                              // no switch character
        "/x",                             // unknown letter
        "/screen",                        // a word, not the letter
        "/p",                             // a preview needs its window
        "/p:",                            //
        "/p 0",                           // and 0 is no window
        "/p 12ab",                        // not decimal
        "/p -5",                          //
        "/c:0x10",                        // Windows writes handles in decimal
        "/s 1 2",                         // trailing words
        "/p 99999999999999999999999999",  // past any handle
        "/",
    };
    for (const char *arguments : refused) {
        const WindowsSaverCommand command = parseWindowsSaverCommand(arguments);
        EXPECT_EQ(command.mode, Mode::Invalid) << arguments;
        EXPECT_EQ(command.window, 0u) << arguments;
    }
}

TEST(HackArguments, TargetsAndMusic)
{
    HackCommand c = hack({});
    EXPECT_TRUE(c.error.empty());
    EXPECT_EQ(c.target, Target::OwnWindow);
    EXPECT_FALSE(c.music);
    EXPECT_FALSE(c.help);

    c = hack({"-root"});
    EXPECT_EQ(c.target, Target::RootWindow);
    c = hack({"--root", "-music"});
    EXPECT_EQ(c.target, Target::RootWindow);
    EXPECT_TRUE(c.music);
    c = hack({"-window"});
    EXPECT_EQ(c.target, Target::OwnWindow);

    c = hack({"-window-id", "4194311"});
    EXPECT_EQ(c.target, Target::GivenWindow);
    EXPECT_EQ(c.window, 4194311ul);
    c = hack({"-window-id", "0x400007"});
    EXPECT_EQ(c.window, 0x400007ul);
    c = hack({"-window-id", "0XaBc"});
    EXPECT_EQ(c.window, 0xabcul);
    // An explicit window wins over -root, in either order.
    c = hack({"-window-id", "77", "-root"});
    EXPECT_EQ(c.target, Target::GivenWindow);
    EXPECT_EQ(c.window, 77ul);

    c = hack({"--help"});
    EXPECT_TRUE(c.help);
    EXPECT_TRUE(c.error.empty());

    // The largest X id (29 bits) is a window; the pause between frames as XScreenSaver gives it, 30 a second
    // unless asked.
    c = hack({"-window-id", "0x1FFFFFFF"});
    EXPECT_EQ(c.window, 0x1FFFFFFFul);
    EXPECT_EQ(hack({}).frameMicroseconds, 33333u);
    EXPECT_EQ(hack({"-delay", "20000"}).frameMicroseconds, 20000u);
    EXPECT_EQ(hack({"--delay", "0", "-root"}).frameMicroseconds, 0u);
    EXPECT_EQ(hack({"-root", "--delay", "10000000"}).frameMicroseconds, 10000000u);
}

TEST(HackArguments, TheDaemonsWindowFromTheEnvironment)
{
    HackCommand c = hack({"-root"}, "0x1a00003");
    EXPECT_EQ(c.target, Target::GivenWindow);
    EXPECT_EQ(c.window, 0x1a00003ul);
    c = hack({}, "12345");
    EXPECT_EQ(c.target, Target::GivenWindow);
    EXPECT_EQ(c.window, 12345ul);
    // -window-id names another; -window asks for the hack's own; an empty variable is no window.
    c = hack({"-window-id", "9"}, "12345");
    EXPECT_EQ(c.window, 9ul);
    c = hack({"-window"}, "12345");
    EXPECT_EQ(c.target, Target::OwnWindow);
    c = hack({"-root"}, "");
    EXPECT_EQ(c.target, Target::RootWindow);
    c = hack({"-root"}, "nonsense");
    EXPECT_FALSE(c.error.empty());
    // A bad variable does not matter when the window is named on the command line.
    c = hack({"-window-id", "9"}, "nonsense");
    EXPECT_TRUE(c.error.empty());
}

TEST(HackArguments, RefusalsSayWhy)
{
    const std::vector<std::vector<const char *>> refused = {
        {"-fps-nonsense"},
        {"root"},
        {"-window-id"},
        {"-window-id", ""},
        {"-window-id", "0"},
        {"-window-id", "0x"},
        {"-window-id", "0x0x5"},
        {"-window-id", "-5"},
        {"-window-id", " 5"},
        {"-window-id", "5z"},
        {"-window-id", "99999999999999999999999999"},
        {"-music", "extra"},
        // Past X's 29 bits, or what Xlib would cut to 32 (4294968589 is 2^32 + 0x50d, the root of a server).
        {"-window-id", "0x20000000"},
        {"-window-id", "4294968589"},
        {"-delay"},
        {"-delay", "-1"},
        {"--delay", "fast"},
        {"-delay", "1.5"},
        {"-delay", ""},
        {"-delay", "10000001"},
        {"-delay", "99999999999999999999999"},
    };
    for (const auto &args : refused) {
        const HackCommand c = hack(args);
        EXPECT_FALSE(c.error.empty()) << args[0] << (args.size() > 1 ? args[1] : "");
    }
    EXPECT_NE(hack({"-bogus"}).error.find("-bogus"), std::string::npos);
    EXPECT_NE(hack({"-delay", "-1"}).error.find("-1"), std::string::npos);
    EXPECT_FALSE(hack({"-root"}, "4294968589").error.empty());
    EXPECT_EQ(hackUsage("/x/frostel").rfind("usage: /x/frostel ", 0), 0u);
}

TEST(WindowsSaverSettings, AStoredFrameRateIsKeptOnlyWhenItIsOneTheBoxOffers)
{
    // Nothing stored, or anything but a plain number the box offers: 30 a second, as with no settings at all.
    EXPECT_EQ(savedFrameRate(false, false, 0), 30u);
    EXPECT_EQ(savedFrameRate(true, false, 60), 30u) << "a string or binary value";
    for (const unsigned long odd : {0ul, 1ul, 29ul, 31ul, 61ul, 1000ul, 0xFFFFFFFFul})
        EXPECT_EQ(savedFrameRate(true, true, odd), 30u) << odd;
    for (const unsigned long offered : {10ul, 15ul, 20ul, 30ul, 60ul})
        EXPECT_EQ(savedFrameRate(true, true, offered), offered);
}
