// The screen saver's two command-line contracts: the Windows one (/s, /p, /c, /a) and the X11 hack's.
#pragma once

#include <cstdint>
#include <string>

// What Windows asks of a .scr file. Its letters come in any case, after '/' or '-', and a window handle
// follows after a colon or a space.
struct WindowsSaverCommand {
    enum class Mode { FullScreen, Preview, Settings, PasswordChange, Invalid };
    Mode mode = Mode::Invalid;
    std::uintptr_t window = 0;  // the preview's parent or the settings box's owner; 0 when none was given
};

// `arguments` is what follows the program's name (WinMain's command line); an empty one asks for the settings.
WindowsSaverCommand parseWindowsSaverCommand(const char *arguments);

// Savers rest between frames: at most this many a second unless the user chooses otherwise.
const unsigned defaultSaverFramesPerSecond = 30;
const unsigned defaultSaverFrameMicroseconds = 1000000 / defaultSaverFramesPerSecond;
// The frame rates the Windows settings offer; a stored value that is none of them (a wrong type, a number written
// by hand) gives the default.
const unsigned saverFrameRates[] = {10, 15, 20, 30, 60};
unsigned savedFrameRate(bool found, bool isNumber, unsigned long value);

// The longest pause between frames the hack takes (-delay): ten seconds.
const unsigned longestSaverDelay = 10000000;

// What an X11 screen-saver daemon, or a user trying the hack, asks of it.
struct HackCommand {
    enum class Target { OwnWindow, RootWindow, GivenWindow };
    Target target = Target::OwnWindow;
    unsigned long window = 0;  // for GivenWindow
    bool music = false;
    // -delay MICROSECONDS between frames, as XScreenSaver's hacks take it; 0 draws as fast as it can.
    unsigned frameMicroseconds = defaultSaverFrameMicroseconds;
    bool help = false;
    std::string error;  // not empty: the arguments were refused, and this says why
};

// `environmentWindow` is $XSCREENSAVER_WINDOW (null when unset): the daemon's window, used unless -window-id
// names another or -window asks for one of the hack's own.
HackCommand parseHackCommand(int argc, const char *const *argv, const char *environmentWindow);

// The usage line, for standard error after a refusal and standard output for --help.
std::string hackUsage(const char *program);

// "123" or "0x7b": a window id, never 0 and never past X's 29 bits (Xlib would keep only the low 32 bits of a
// larger number, and draw into another window); false for anything else.
bool parseWindowId(const char *text, unsigned long &id);
