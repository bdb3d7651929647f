// POSIX only: The millisecond tick counter, alone in its file so tests can link a pinned one instead.
#include "platform/win32.h"

#include <ctime>

namespace {

// Counting from boot, as Windows does, makes the first reading (the random seed) differ from
// one start to the next; a counter from the process's own start would give every run one snowfall.
// The boot clock goes on through suspend, as Windows' does; the monotonic clock is the fallback.
timespec sinceBoot()
{
    timespec now{};
#ifdef CLOCK_BOOTTIME
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0) return now;
#endif
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

}  // namespace

extern "C" DWORD WINAPI GetTickCount(void)
{
    const timespec now = sinceBoot();
    // Whole milliseconds, wrapping at 2^32 as Windows' counter does.
    const unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                                  static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    return static_cast<DWORD>(ms);
}
