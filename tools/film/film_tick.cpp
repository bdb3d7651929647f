// frostel-film's tick counter: GetTickCount answers the time the film has reached, never the clock's.
#include "tools/film/film_tick.h"

#include "platform/win32.h"

namespace {
DWORD filmTime = 0;
}  // namespace

void setFilmTick(uint32_t now) { filmTime = now; }

extern "C" DWORD WINAPI GetTickCount(void) { return filmTime; }
