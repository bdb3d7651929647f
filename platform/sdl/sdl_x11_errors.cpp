// SDL layer only: What a lost X window or display does to the program: one line on standard error and status 1.
// Xlib's own handlers exit through atexit, where SDL_Quit calls back into the broken connection and aborts.
#include "platform/sdl/sdl_layer.h"

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace platform {

namespace {

// Nothing is torn down here: whatever ran now would only meet the same broken window or connection.
[[noreturn]] void endWithOneLine(const char *line)
{
    std::fputs(line, stderr);
    std::fflush(stderr);
    _exit(1);
}

using GetErrorText = int (*)(Display *, int, char *, int);
GetErrorText errorText = nullptr;

// A screen-saver daemon sends SIGTERM and destroys the window at once: a window that goes after the program was
// asked to end is that end, not a fault.
volatile sig_atomic_t endAsked = 0;
struct sigaction sdlHandlers[2];
const int endingSignals[2] = {SIGINT, SIGTERM};

void noteEndAsked(int signal)
{
    endAsked = 1;
    const struct sigaction &sdl = sdlHandlers[signal == SIGINT ? 0 : 1];
    sdl.sa_handler(signal);
}

// Only where SDL handles the signal itself: an ignored or default signal keeps its meaning.
void watchEndingSignals()
{
    for (int i = 0; i < 2; ++i) {
        struct sigaction current = {};
        if (sigaction(endingSignals[i], nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN) {
            continue;
        }
        sdlHandlers[i] = current;
        struct sigaction noting = current;
        noting.sa_handler = noteEndAsked;
        sigaction(endingSignals[i], &noting, nullptr);
    }
}

// Every X error ended the program already (Xlib's default handler exits); SDL brackets the few requests it
// expects to fail with handlers of its own, which put this one back afterwards.
int onXError(Display *display, XErrorEvent *error)
{
    if (endAsked != 0) {
        _exit(0);
    }
    char what[128] = "";
    if (errorText != nullptr) {
        errorText(display, error->error_code, what, sizeof what);
    }
    char line[256];
    std::snprintf(line, sizeof line,
                  "The window is gone (another program destroyed it, or the X server refused it): %s, resource "
                  "0x%lx, request %u.%u\n",
                  what, error->resourceid, error->request_code, error->minor_code);
    endWithOneLine(line);
}

int onXConnectionLost(Display *) { endWithOneLine("The display is gone: the connection to the X server broke\n"); }

}  // namespace

void guardX11Connection()
{
    static bool guarded = false;
    const char *driver = SDL_GetCurrentVideoDriver();
    if (guarded || driver == nullptr || SDL_strcmp(driver, "x11") != 0) {
        return;
    }
    // SDL loads Xlib itself at run time; the copy already in the process is the one to guard.
    void *xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (xlib == nullptr) {
        return;
    }
    using SetErrorHandler = XErrorHandler (*)(XErrorHandler);
    using SetIoErrorHandler = XIOErrorHandler (*)(XIOErrorHandler);
    auto setErrorHandler = reinterpret_cast<SetErrorHandler>(dlsym(xlib, "XSetErrorHandler"));
    auto setIoErrorHandler = reinterpret_cast<SetIoErrorHandler>(dlsym(xlib, "XSetIOErrorHandler"));
    errorText = reinterpret_cast<GetErrorText>(dlsym(xlib, "XGetErrorText"));
    if (setErrorHandler == nullptr || setIoErrorHandler == nullptr) {
        return;
    }
    setErrorHandler(onXError);
    setIoErrorHandler(onXConnectionLost);
    watchEndingSignals();
    guarded = true;
}

void endForeignWindowGone()
{
    if (endAsked != 0) {
        _exit(0);
    }
    endWithOneLine("The window is gone (another program destroyed it)\n");
}

}  // namespace platform

#else

#include <cstdlib>

namespace platform {

void guardX11Connection() { }

void endForeignWindowGone() { std::exit(1); }

}  // namespace platform

#endif
