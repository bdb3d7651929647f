// Browser layer only: The millisecond tick counter from the page's monotonic clock, alone in its file so tests can pin
// it.
#include "platform/win32.h"

#include <emscripten.h>

#include <cstdint>

extern "C" DWORD WINAPI GetTickCount(void)
{
    // performance.now() counts from the page's start; truncation wraps at 2^32 ms, as Windows' counter does.
    return static_cast<DWORD>(static_cast<uint64_t>(emscripten_get_now()));
}
