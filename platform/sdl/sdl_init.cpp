// SDL layer only: Starts SDL subsystems lazily, on the first call that needs one, and stops SDL at exit.
#include "platform/sdl/posix_thread_probe.h"
#include "platform/sdl/sdl_layer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace platform {

namespace {

// Long enough for a sound system that answers; a frozen one must not keep the process from ending.
const unsigned soundStopWait = 500;

void shutDownSdl()
{
    // SDL_Quit closes the audio device and so joins SDL's audio thread, which a frozen sound server holds for
    // ever: where the sound thread could not close it in time, SDL is left as it is for the process exit.
    if (stopSoundThread(soundStopWait)) {
        SDL_Quit();
    }
}

// The drivers that draw nowhere. SDL falls back to them when no display answers, and a
// program that nobody can see would run on, unseen and unstoppable but by a signal.
bool drawsNowhere(const char *driver)
{
    return driver != nullptr && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0);
}

}  // namespace

bool namedInVideoDriverSetting(const char *driver)
{
    const char *names = SDL_getenv("SDL_VIDEODRIVER");
    if (names == nullptr) return false;
    const size_t length = SDL_strlen(driver);
    for (const char *at = names; *at != '\0';) {
        const char *end = SDL_strchr(at, ',');
        const size_t nameLength = end != nullptr ? static_cast<size_t>(end - at) : SDL_strlen(at);
        if (nameLength == length && SDL_strncasecmp(at, driver, length) == 0) return true;
        at += nameLength + (end != nullptr ? 1 : 0);
    }
    return false;
}

void reportSdlFailure(const char *what)
{
    std::fprintf(stderr, "%s: %s\n", what, SDL_GetError());
    std::fflush(stderr);
}

bool ensureSdl(Uint32 subsystems)
{
    if (SDL_WasInit(subsystems) == subsystems) return true;
    if ((subsystems & SDL_INIT_VIDEO) != 0) {
        // A window close is reported as a window event; without this SDL adds a quit
        // event for the last window, and one click would become two close requests.
        SDL_SetHint("SDL_QUIT_ON_LAST_WINDOW_CLOSE", "0");
        // Mesa's software renderer waits for ever on drawing threads it could not start; told to use none, it
        // draws on the caller's. A setting of the user's own is kept.
        if (!threadsCanStart()) {
            SDL_setenv("LP_NUM_THREADS", "0", 0);
        }
    }
    // SDL puts its SIGINT and SIGTERM handlers in place as it starts, well before its video is up: the two are
    // held back until the watch is on those handlers too, so that one sent meanwhile is noted as any other.
    sigset_t ending, previous;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, &previous);
    const bool started = SDL_InitSubSystem(subsystems) == 0;
    if (started) {
        watchEndingSignals();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!started) return false;
    if ((subsystems & SDL_INIT_VIDEO) != 0) {
        const char *driver = SDL_GetCurrentVideoDriver();
        if (drawsNowhere(driver) && !namedInVideoDriverSetting(driver)) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            SDL_SetError("no display could be opened (DISPLAY or WAYLAND_DISPLAY names none that answers); "
                         "to run without one, set SDL_VIDEODRIVER=offscreen");
            return false;
        }
        guardX11Connection();
    }
    registerSdlShutdown();
    return true;
}

void registerSdlShutdown()
{
    static bool exitHookRegistered = false;
    if (!exitHookRegistered) {
        exitHookRegistered = true;
        std::atexit(shutDownSdl);
    }
}

}  // namespace platform
