// Browser layer only: The one native window, the page's canvas, behind the portable window table
// (window_table.cpp). The GL context lives in web_context.cpp, page events in web_messages.cpp.
#include "platform/web/web_layer.h"

#include <algorithm>

// Defined in web_page.js: the page shows what the program is called, as a title bar would.
extern "C" void setPageTitle(const char *title);

namespace platform {

NativeWindow *createNativeWindow(const WindowRecord &, const char *title, int, int, int width, int height)
{
    // The page has one canvas, so there is room for one window.
    if (firstWindow() != nullptr) return nullptr;
    setPageTitle(title);
    listenToPage(std::max(width, 1), std::max(height, 1));
    return new NativeWindow{std::max(width, 1), std::max(height, 1)};
}

void destroyNativeWindow(HWND, NativeWindow *native)
{
    delete native;
    if (windowTableEmpty()) {
        stopListeningToPage();
    }
}

// The canvas is always on the page: a window counts as visible once it has been shown.
bool showNativeWindow(WindowRecord &record, bool) { return record.shownOnce; }

// The canvas as the page lays it out, in CSS pixels: it may be narrower than the window was made.
void nativeClientSize(const WindowRecord &record, int &width, int &height)
{
    width = record.native->width;
    height = record.native->height;
    canvasClientSize(width, height);
    tellPageOfClientSize(width, height);
}

// WebGL takes its attributes when the context is made, so any format fits the canvas as it is.
bool remakeNativeWindowFor(WindowRecord &, const GlPixelAttributes &) { return true; }

}  // namespace platform

using namespace platform;

extern "C" {

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *lpDevMode, DWORD)
{
    // A page cannot change the display's mode; going back to the desktop's always works.
    return lpDevMode == nullptr ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) { return findWindow(hWnd) != nullptr ? TRUE : FALSE; }

HWND WINAPI SetFocus(HWND hWnd)
{
    // Keys come from the whole page and go to the one window whatever this says.
    static HWND focused = nullptr;
    if (hWnd != nullptr && findWindow(hWnd) == nullptr) return nullptr;
    const HWND previous = focused != nullptr && findWindow(focused) != nullptr ? focused : nullptr;
    focused = hWnd;
    return previous;
}

}  // extern "C"
