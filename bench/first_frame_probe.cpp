// Preloaded into a program to time its start-up: at the end of the first SDL_GL_SwapWindow it writes the
// monotonic time and its resident memory to the descriptor named in FROSTEL_PROBE_FD, and ends the process.
#include "bench/resident_memory.h"

#include <SDL.h>

#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace { }  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window *window)
{
    using Swap = void (*)(SDL_Window *);
    static Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    if (real) real(window);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char *fd = std::getenv("FROSTEL_PROBE_FD");
    if (fd) {
        char line[96];
        const int length = std::snprintf(line, sizeof line, "%lld %ld\n",
                                         static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, residentKb());
        if (write(std::atoi(fd), line, static_cast<size_t>(length)) != length) _exit(3);
    }
    // The first frame is all we came for; no shut-down is timed or waited for.
    _exit(0);
}
