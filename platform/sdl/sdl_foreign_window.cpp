// SDL layer only: An X window handed over by another program, adopted behind a parent handle. SDL makes
// the GL context from that window's own visual; the window is never remade, raised, focused or destroyed here.
#include "platform/native_host.h"
#include "platform/sdl/sdl_layer.h"

#include <SDL_syswm.h>

#include <cstdio>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <dlfcn.h>
#define FROSTEL_HAVE_XLIB 1
#endif

namespace platform {

namespace {

SDL_Window *adopted = nullptr;
unsigned long adoptedXWindow = 0;
// The root window keeps whatever was last drawn on it: that one is cleared when the drawing ends.
unsigned long adoptedRoot = 0;
// The handle that stands for the adopted window as a parent; never a window of the table.
HWND adoptedParent = nullptr;
const int largestDrawableSide = 16384;

#ifdef FROSTEL_HAVE_XLIB
// SDL loads Xlib itself at run time; the copy already in the process is the one used.
template <typename Function> Function xlib(const char *name)
{
    void *library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return library == nullptr ? nullptr : reinterpret_cast<Function>(dlsym(library, name));
}

unsigned long rootWindow()
{
    auto openDisplay = xlib<Display *(*)(const char *)>("XOpenDisplay");
    auto defaultRoot = xlib<Window (*)(Display *)>("XDefaultRootWindow");
    auto closeDisplay = xlib<int (*)(Display *)>("XCloseDisplay");
    if (openDisplay == nullptr || defaultRoot == nullptr || closeDisplay == nullptr) return 0;
    Display *display = openDisplay(nullptr);
    if (display == nullptr) return 0;
    const Window root = defaultRoot(display);
    closeDisplay(display);
    return root;
}

// SDL listens to no structure events of a window it did not make: without them it would miss size changes.
void followSizeChanges(SDL_Window *window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    auto attributesOf = xlib<Status (*)(Display *, Window, XWindowAttributes *)>("XGetWindowAttributes");
    auto selectInput = xlib<int (*)(Display *, Window, long)>("XSelectInput");
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || attributesOf == nullptr ||
        selectInput == nullptr) {
        return;
    }
    XWindowAttributes attributes;
    if (attributesOf(info.info.x11.display, info.info.x11.window, &attributes) == 0) return;
    selectInput(info.info.x11.display, info.info.x11.window, attributes.your_event_mask | StructureNotifyMask);
}
// Back to the root window's own background, as the desktop showed it before.
void clearRootWindow(SDL_Window *window, unsigned long root)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    auto clearWindow = xlib<int (*)(Display *, Window)>("XClearWindow");
    auto flush = xlib<int (*)(Display *)>("XFlush");
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || clearWindow == nullptr ||
        flush == nullptr) {
        return;
    }
    clearWindow(info.info.x11.display, root);
    flush(info.info.x11.display);
}
#else
unsigned long rootWindow() { return 0; }
void followSizeChanges(SDL_Window *) { }
void clearRootWindow(SDL_Window *, unsigned long) { }
#endif

}  // namespace

HWND adoptForeignWindow(unsigned long xWindow, int &width, int &height)
{
    if (!ensureSdl(SDL_INIT_VIDEO)) {
        reportSdlFailure("Could not start the video");
        return nullptr;
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "x11") != 0) {
        std::fprintf(stderr, "Drawing into another program's window needs X11, not %s\n",
                     driver != nullptr ? driver : "no video");
        return nullptr;
    }
    // Any X error from here on (a window id that names nothing) ends the program with one line.
    guardX11Connection();
    const unsigned long root = rootWindow();
    if (xWindow == 0) xWindow = root;
    if (xWindow == 0) {
        std::fputs("Could not find the root window\n", stderr);
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    SDL_Window *window = SDL_CreateWindowFrom(reinterpret_cast<const void *>(static_cast<uintptr_t>(xWindow)));
    if (window == nullptr) {
        reportSdlFailure("Could not draw into the window");
        return nullptr;
    }
    followSizeChanges(window);
    // Its DestroyNotify reaches us only as a window-manager event.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_GetWindowSize(window, &width, &height);
    // Past this no OpenGL here makes a drawable (Mesa's limit, and most drivers'): the driver would fail deep
    // inside, or crash, on the first frame.
    if (width > largestDrawableSide || height > largestDrawableSide) {
        std::fprintf(stderr, "The window is %d x %d, larger than OpenGL can draw into (%d at most)\n", width, height,
                     largestDrawableSide);
        SDL_DestroyWindow(window);
        return nullptr;
    }
    adoptedXWindow = xWindow;
    adoptedRoot = xWindow == root ? root : 0;
    if (adopted != nullptr) SDL_DestroyWindow(adopted);
    adopted = window;
    adoptedParent = reinterpret_cast<HWND>(newHandleValue());
    return adoptedParent;
}

void releaseAdoptedWindow(SDL_Window *window)
{
    if (adoptedRoot != 0) clearRootWindow(window, adoptedRoot);
    adoptedRoot = adoptedXWindow = 0;
}

bool isForeignWindowGone(const SDL_SysWMmsg *message)
{
#ifdef FROSTEL_HAVE_XLIB
    return adoptedXWindow != 0 && message != nullptr && message->subsystem == SDL_SYSWM_X11 &&
           message->msg.x11.event.type == DestroyNotify &&
           message->msg.x11.event.xdestroywindow.window == adoptedXWindow;
#else
    (void)message;
    return false;
#endif
}

bool foreignWindowAdopted() { return adoptedParent != nullptr; }

SDL_Window *takeAdoptedWindow(HWND parent)
{
    if (parent == nullptr || parent != adoptedParent) return nullptr;
    SDL_Window *window = adopted;
    adopted = nullptr;
    return window;
}

}  // namespace platform
