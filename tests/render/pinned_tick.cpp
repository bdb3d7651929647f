// Linked into the render harness in place of the SDL tick counter.
#include "tests/render/pinned_tick.h"

#include "platform/win32.h"

namespace {
DWORD pinned = 0;
}  // namespace

void pinTick(uint32_t now) { pinned = now; }

extern "C" DWORD WINAPI GetTickCount(void) { return pinned; }
