// Browser layer only: the host duties of native_host.h as they apply to a page. A page has no standard
// descriptors to guard and no other program's window to draw into.
#include "platform/native_host.h"

#include <cstdio>

namespace platform {

bool makeStandardDescriptorsSafe() { return true; }

HWND adoptForeignWindow(unsigned long, int &width, int &height)
{
    width = height = 0;
    std::fputs("A page draws only into its own canvas\n", stderr);
    return nullptr;
}

}  // namespace platform
