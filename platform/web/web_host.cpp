// Browser layer only: the host duties of native_host.h as they apply to a page. A page has no standard
// descriptors to guard, no other program's window to draw into and no signals.
#include "platform/native_host.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

bool makeStandardDescriptorsSafe() { return true; }

HWND adoptForeignWindow(unsigned long, int &width, int &height)
{
    width = height = 0;
    std::fputs("A page draws only into its own canvas\n", stderr);
    return nullptr;
}

int endingSignal() { return 0; }

void endBySignal(int signal) { std::_Exit(128 + signal); }

}  // namespace platform
