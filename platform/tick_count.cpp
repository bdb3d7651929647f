// The millisecond tick counter, alone in its file so tests can link a pinned one instead.
#include "platform/win32.h"

#include <SDL.h>

extern "C" DWORD WINAPI GetTickCount(void)
{
    // Truncation wraps at 2^32 ms, as Windows' counter does.
    return static_cast<DWORD>(SDL_GetTicks64());
}
