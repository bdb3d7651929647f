// Starts SDL subsystems lazily, on the first call that needs one, and stops SDL at exit.
#include "platform/sdl_layer.h"

#include <cstdlib>

namespace platform {

namespace {

void shutDownSdl()
{
    // Closes the audio device (joining its thread) before the sound buffers, which
    // are static objects made before this was registered, are destroyed.
    SDL_Quit();
}

}  // namespace

bool ensureSdl(Uint32 subsystems)
{
    if (SDL_WasInit(subsystems) == subsystems) {
        return true;
    }
    if ((subsystems & SDL_INIT_VIDEO) != 0) {
        // A window close is reported as a window event; without this SDL adds a quit
        // event for the last window, and one click would become two close requests.
        SDL_SetHint("SDL_QUIT_ON_LAST_WINDOW_CLOSE", "0");
    }
    if (SDL_InitSubSystem(subsystems) != 0) {
        return false;
    }
    static bool exitHookRegistered = false;
    if (!exitHookRegistered) {
        exitHookRegistered = true;
        std::atexit(shutDownSdl);
    }
    return true;
}

}  // namespace platform
