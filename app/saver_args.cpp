// Both screen-saver command lines, parsed without touching the platform.
#include "app/saver_args.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

const char *skipSpaces(const char *p)
{
    while (isSpace(*p)) ++p;
    return p;
}

// Decimal digits only, as Windows writes handles; false on overflow or nothing read.
bool readDecimal(const char *&p, std::uintptr_t &value)
{
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        const std::uintptr_t digit = static_cast<std::uintptr_t>(*p - '0');
        if (value > (std::numeric_limits<std::uintptr_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
        ++p;
    }
    return true;
}

}  // namespace

WindowsSaverCommand parseWindowsSaverCommand(const char *arguments)
{
    using Mode = WindowsSaverCommand::Mode;
    WindowsSaverCommand command;
    const char *p = skipSpaces(arguments != nullptr ? arguments : "");
    if (*p == '\0') {
        command.mode = Mode::Settings;
        return command;
    }
    if (*p != '/' && *p != '-') return command;
    ++p;
    switch (std::tolower(static_cast<unsigned char>(*p))) {
    case 's': command.mode = Mode::FullScreen; break;
    case 'p': command.mode = Mode::Preview; break;
    case 'c': command.mode = Mode::Settings; break;
    case 'a': command.mode = Mode::PasswordChange; break;
    default: return command;
    }
    ++p;
    // The letter stands alone: "/screen" is not "/s".
    if (*p != '\0' && *p != ':' && !isSpace(*p)) {
        command.mode = Mode::Invalid;
        return command;
    }
    if (*p == ':') ++p;
    p = skipSpaces(p);
    bool haveWindow = false;
    if (*p != '\0') {
        haveWindow = readDecimal(p, command.window);
        p = skipSpaces(p);
        if (!haveWindow || *p != '\0') {
            command.mode = Mode::Invalid;
            command.window = 0;
            return command;
        }
    }
    // A preview without a window to draw in has nowhere to go.
    if (command.mode == Mode::Preview && (!haveWindow || command.window == 0)) command.mode = Mode::Invalid;
    return command;
}

namespace {

// X resource ids have 29 bits.
const unsigned long largestXId = 0x1FFFFFFF;

// Plain decimal digits only, no sign or spaces, up to `largest`.
bool readCount(const char *text, unsigned long largest, unsigned &value)
{
    if (text == nullptr || *text == '\0') return false;
    unsigned long long total = 0;
    for (const char *c = text; *c != '\0'; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c))) return false;
        total = total * 10 + static_cast<unsigned>(*c - '0');
        if (total > largest) return false;
    }
    value = static_cast<unsigned>(total);
    return true;
}

}  // namespace

unsigned savedFrameRate(bool found, bool isNumber, unsigned long value)
{
    if (found && isNumber) {
        for (const unsigned rate : saverFrameRates)
            if (value == rate) return rate;
    }
    return defaultSaverFramesPerSecond;
}

bool parseWindowId(const char *text, unsigned long &id)
{
    if (text == nullptr) return false;
    int base = 10;
    const char *digits = text;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits += 2;
    }
    // strtoul would take a sign, spaces, a second "0x" or nothing at all silently.
    if (*digits == '\0') return false;
    for (const char *c = digits; *c != '\0'; ++c) {
        const int ch = static_cast<unsigned char>(*c);
        if (base == 16 ? !std::isxdigit(ch) : !std::isdigit(ch)) return false;
    }
    char *end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(digits, &end, base);
    if (errno != 0 || *end != '\0' || value == 0 || value > largestXId) return false;
    id = value;
    return true;
}

HackCommand parseHackCommand(int argc, const char *const *argv, const char *environmentWindow)
{
    using Target = HackCommand::Target;
    HackCommand command;
    bool windowGiven = false;
    bool ownWindowAsked = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        // Options are taken with one dash or two, as X toolkits take them.
        if (option.rfind("--", 0) == 0) option.erase(0, 1);
        if (option == "-root") {
            command.target = Target::RootWindow;
            ownWindowAsked = false;
        } else if (option == "-window") {
            command.target = Target::OwnWindow;
            ownWindowAsked = true;
        } else if (option == "-window-id") {
            if (i + 1 >= argc) {
                command.error = "-window-id needs a window id";
                return command;
            }
            if (!parseWindowId(argv[++i], command.window)) {
                command.error = std::string("not a window id: ") + argv[i];
                return command;
            }
            command.target = Target::GivenWindow;
            windowGiven = true;
        } else if (option == "-delay") {
            if (i + 1 >= argc || !readCount(argv[i + 1], longestSaverDelay, command.frameMicroseconds)) {
                command.error = i + 1 >= argc
                                    ? std::string("-delay needs a number of microseconds")
                                    : std::string("not a delay in microseconds (0 to 10000000): ") + argv[i + 1];
                return command;
            }
            ++i;
        } else if (option == "-music") {
            command.music = true;
        } else if (option == "-help") {
            command.help = true;
        } else {
            command.error = std::string("unknown option: ") + argv[i];
            return command;
        }
    }
    if (windowGiven) command.target = Target::GivenWindow;
    if (!windowGiven && !ownWindowAsked && environmentWindow != nullptr && *environmentWindow != '\0') {
        if (!parseWindowId(environmentWindow, command.window)) {
            command.error = std::string("XSCREENSAVER_WINDOW is not a window id: ") + environmentWindow;
            return command;
        }
        command.target = Target::GivenWindow;
    }
    return command;
}

std::string hackUsage(const char *program)
{
    return std::string("usage: ") + (program != nullptr ? program : "frostel") +
           " [-root | -window | -window-id ID] [-delay MICROSECONDS] [-music] [--help]";
}
