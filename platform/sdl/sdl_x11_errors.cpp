// SDL layer only: What a lost X window or display does to the program: one line on standard error and status 1.
// Xlib's own handlers exit through atexit, where SDL_Quit calls back into the broken connection and aborts.
#include "platform/native_host.h"
#include "platform/sdl/sdl_layer.h"

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
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

// Every X error ended the program already (Xlib's default handler exits); SDL brackets the few requests it
// expects to fail with handlers of its own, which put this one back afterwards.
int onXError(Display *display, XErrorEvent *error)
{
    // A screen-saver daemon sends SIGTERM and destroys the window at once: a window that goes after the program
    // was asked to end is that end, not a fault.
    if (endingSignal() != 0) {
        endBySignal(endingSignal());
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
    if (guarded || driver == nullptr || SDL_strcmp(driver, "x11") != 0) return;
    // SDL loads Xlib itself at run time; the copy already in the process is the one to guard.
    void *xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (xlib == nullptr) return;
    using SetErrorHandler = XErrorHandler (*)(XErrorHandler);
    using SetIoErrorHandler = XIOErrorHandler (*)(XIOErrorHandler);
    auto setErrorHandler = reinterpret_cast<SetErrorHandler>(dlsym(xlib, "XSetErrorHandler"));
    auto setIoErrorHandler = reinterpret_cast<SetIoErrorHandler>(dlsym(xlib, "XSetIOErrorHandler"));
    errorText = reinterpret_cast<GetErrorText>(dlsym(xlib, "XGetErrorText"));
    if (setErrorHandler == nullptr || setIoErrorHandler == nullptr) return;
    setErrorHandler(onXError);
    setIoErrorHandler(onXConnectionLost);
    guarded = true;
}

void endForeignWindowGone()
{
    if (endingSignal() != 0) {
        endBySignal(endingSignal());
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
