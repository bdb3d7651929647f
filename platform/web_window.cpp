// Browser layer only: Window classes and the one window over the page's canvas: registration, creation, destruction,
// showing. Device contexts and GL live in web_context.cpp, messages in web_messages.cpp.
#include "platform/web_layer.h"
#include "platform/window_classes.h"

#include <emscripten.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

namespace {

WindowClasses registeredClasses;
std::map<uintptr_t, std::unique_ptr<WebWindow>> windows;

uintptr_t handleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

void releaseWindow(HWND window)
{
    discardMessagesFor(window);
    windows.erase(handleValue(window));
    if (windows.empty()) {
        stopListeningToPage();
    }
}

int moduleMarker;
int iconMarker;
int cursorMarker;

// The page shows what the program is called, as a title bar would.
// clang-format off
EM_JS(void, setPageTitle, (const char *title), {
    if (typeof document !== 'undefined') document.title = UTF8ToString(title);
});
// clang-format on

}  // namespace

uintptr_t newHandleValue()
{
    static uintptr_t next = 0x10000;
    next += 4;
    return next;
}

WebWindow *findWindow(HWND window)
{
    auto it = windows.find(handleValue(window));
    return it == windows.end() ? nullptr : it->second.get();
}

WebWindow *findWindowByDc(HDC dc)
{
    if (dc == nullptr) {
        return nullptr;
    }
    for (auto &entry : windows) {
        if (entry.second->dc == dc) {
            return entry.second.get();
        }
    }
    return nullptr;
}

WebWindow *firstWindow()
{
    for (auto &entry : windows) {
        if (!entry.second->destroying) {
            return entry.second.get();
        }
    }
    return nullptr;
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WebWindow *record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    // The procedure may destroy the window: nothing of the record is touched after the call.
    const WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
}

}  // namespace platform

using namespace platform;

extern "C" {

HINSTANCE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    return lpModuleName == nullptr ? reinterpret_cast<HINSTANCE>(&moduleMarker) : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return reinterpret_cast<HICON>(&iconMarker); }

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(&cursorMarker); }

ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass) { return registeredClasses.add(lpWndClass); }

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    return registeredClasses.remove(lpClassName,
                                    [](ATOM atom) {
                                        for (auto &entry : windows) {
                                            if (entry.second->classAtom == atom && !entry.second->destroying) {
                                                return true;
                                            }
                                        }
                                        return false;
                                    })
               ? TRUE
               : FALSE;
}

BOOL WINAPI AdjustWindowRectEx(RECT *lpRect, DWORD, BOOL, DWORD)
{
    // The canvas is the client area; the page has no frame to add.
    return lpRect != nullptr ? TRUE : FALSE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *lpDevMode, DWORD)
{
    // A page cannot change the display's mode; going back to the desktop's always works.
    return lpDevMode == nullptr ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int x, int y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    if (lpClassName == nullptr) {
        return nullptr;
    }
    const WindowClass *windowClass = registeredClasses.find(lpClassName);
    // The page has one canvas, so there is room for one window.
    if (windowClass == nullptr || firstWindow() != nullptr) {
        return nullptr;
    }
    auto record = std::make_unique<WebWindow>();
    const HWND handle = reinterpret_cast<HWND>(newHandleValue());
    record->handle = handle;
    record->dc = reinterpret_cast<HDC>(newHandleValue());
    record->procedure = windowClass->procedure;
    record->classAtom = windowClass->atom;
    record->style = dwStyle;
    record->width = std::max(nWidth, 1);
    record->height = std::max(nHeight, 1);
    windows[handleValue(handle)] = std::move(record);
    setPageTitle(lpWindowName != nullptr ? lpWindowName : "");
    listenToPage(std::max(nWidth, 1), std::max(nHeight, 1));

    CREATESTRUCTA creation{
        lpParam,      hInstance,   hMenu,    hWndParent, nHeight, nWidth, y, x, static_cast<LONG>(dwStyle),
        lpWindowName, lpClassName, dwExStyle};
    const LPARAM creationParam = reinterpret_cast<LPARAM>(&creation);
    if (sendMessage(handle, WM_NCCREATE, 0, creationParam) == FALSE) {
        WebWindow *created = findWindow(handle);
        if (created != nullptr) {
            created->destroying = true;
            sendMessage(handle, WM_NCDESTROY, 0, 0);
            releaseWindow(handle);
        }
        return nullptr;
    }
    if (findWindow(handle) == nullptr) {
        return nullptr;
    }
    if (sendMessage(handle, WM_CREATE, 0, creationParam) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (findWindow(handle) == nullptr) {
        return nullptr;
    }
    if ((dwStyle & WS_VISIBLE) != 0) {
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WebWindow *record = findWindow(hWnd);
    if (record == nullptr || record->destroying) {
        return FALSE;
    }
    record->destroying = true;
    sendMessage(hWnd, WM_DESTROY, 0, 0);
    sendMessage(hWnd, WM_NCDESTROY, 0, 0);
    releaseWindow(hWnd);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WebWindow *record = findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    const bool wasShown = record->shownOnce;
    if (nCmdShow != SW_HIDE && !record->shownOnce) {
        // Windows' first show sizes and activates the window; the caller sets its viewport from that WM_SIZE.
        record->shownOnce = true;
        int width = record->width;
        int height = record->height;
        canvasClientSize(width, height);
        tellPageOfClientSize(width, height);
        sendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        sendMessage(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    }
    return wasShown ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) { return findWindow(hWnd) != nullptr ? TRUE : FALSE; }

HWND WINAPI SetFocus(HWND hWnd)
{
    // Keys come from the whole page and go to the one window whatever this says.
    static HWND focused = nullptr;
    if (hWnd != nullptr && findWindow(hWnd) == nullptr) {
        return nullptr;
    }
    const HWND previous = focused != nullptr && findWindow(focused) != nullptr ? focused : nullptr;
    focused = hWnd;
    return previous;
}

}  // extern "C"
