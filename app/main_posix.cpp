// Process entry on hosts that are not Windows.
#include "app/demo.h"
#include "platform/native_host.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // First of all: a closed standard descriptor would be taken by the first file or connection opened.
    platform::makeStandardDescriptorsSafe();
    // The demo takes no command line and ignores what it is given, but answers the two questions asked of any
    // command, before any window or display is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: frostel [--help | --version]\n"
                      "Shows the winter scene in a window of its own; Escape ends it. It reads no settings.\n"
                      "As a screen saver: frostel-xscreensaver makes it XScreenSaver's one saver.");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("frostel " FROSTEL_VERSION);
            return 0;
        }
    }
    return runDemo();
}
