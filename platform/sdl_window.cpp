// SDL layer only: Window classes and windows over SDL: registration, creation, destruction, showing, focus.
// GL attributes and device contexts live in sdl_context.cpp, messages in sdl_messages.cpp.
#include "platform/sdl_layer.h"
#include "platform/window_classes.h"

#include <algorithm>
#include <map>
#include <memory>

namespace platform {

namespace {

WindowClasses registeredClasses;
std::map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
HWND focusedWindow = nullptr;

uintptr_t handleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

// Everything after the window's last message: the native window and the record go.
void releaseWindow(HWND window)
{
    auto it = windows.find(handleValue(window));
    if (it == windows.end()) {
        return;
    }
    discardMessagesFor(window);
    if (focusedWindow == window) {
        focusedWindow = nullptr;
    }
    SDL_DestroyWindow(it->second->sdlWindow);
    windows.erase(it);
}

int moduleMarker;
int iconMarker;
int cursorMarker;

}  // namespace

uintptr_t newHandleValue()
{
    static uintptr_t next = 0x10000;
    next += 4;
    return next;
}

WindowRecord *findWindow(HWND window)
{
    auto it = windows.find(handleValue(window));
    return it == windows.end() ? nullptr : it->second.get();
}

WindowRecord *findWindowByDc(HDC dc)
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

WindowRecord *findWindowBySdlId(Uint32 sdlWindowId)
{
    for (auto &entry : windows) {
        if (!entry.second->destroying && SDL_GetWindowID(entry.second->sdlWindow) == sdlWindowId) {
            return entry.second.get();
        }
    }
    return nullptr;
}

WindowRecord *firstWindow()
{
    for (auto &entry : windows) {
        if (!entry.second->destroying) {
            return entry.second.get();
        }
    }
    return nullptr;
}

std::vector<WindowRecord *> liveWindows()
{
    std::vector<WindowRecord *> result;
    for (auto &entry : windows) {
        if (!entry.second->destroying) {
            result.push_back(entry.second.get());
        }
    }
    return result;
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WindowRecord *record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    // The procedure may destroy the window: nothing of the record is touched after the call.
    const WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
}

HWND focusWindow() { return focusedWindow; }

void setFocusWindow(HWND window) { focusedWindow = window; }

SDL_Window *sdlWindowOf(HWND window)
{
    const WindowRecord *record = findWindow(window);
    return record == nullptr ? nullptr : record->sdlWindow;
}

}  // namespace platform

using namespace platform;

extern "C" {

HINSTANCE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    // Only the running program itself is known.
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
    // SDL sizes the client area and the window manager adds any frame.
    return lpRect != nullptr ? TRUE : FALSE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int x, int y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    if (lpClassName == nullptr) {
        return nullptr;
    }
    const WindowClass *windowClass = registeredClasses.find(lpClassName);
    if (windowClass == nullptr) {
        return nullptr;
    }
    if (!ensureSdl(SDL_INIT_VIDEO)) {
        reportSdlFailure("Could not create the window");
        return nullptr;
    }

    // Created hidden, as Windows does without WS_VISIBLE; shown by ShowWindow.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((dwStyle & WS_POPUP) != 0) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    if ((dwStyle & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    const SDL_DisplayMode *mode = (dwStyle & WS_POPUP) != 0 ? fullScreenMode() : nullptr;
    if (mode != nullptr) {
        flags |= SDL_WINDOW_FULLSCREEN;
    }

    auto record = std::make_unique<WindowRecord>();
    applyGlAttributes(record->visual);
    SDL_Window *sdlWindow = SDL_CreateWindow(lpWindowName != nullptr ? lpWindowName : "", x, y, std::max(nWidth, 1),
                                             std::max(nHeight, 1), flags);
    if (sdlWindow == nullptr) {
        reportSdlFailure("Could not create the window");
        return nullptr;
    }
    if (mode != nullptr) {
        SDL_SetWindowDisplayMode(sdlWindow, mode);
    }

    const HWND handle = reinterpret_cast<HWND>(newHandleValue());
    record->handle = handle;
    record->dc = reinterpret_cast<HDC>(newHandleValue());
    record->procedure = windowClass->procedure;
    record->classAtom = windowClass->atom;
    record->title = lpWindowName != nullptr ? lpWindowName : "";
    record->style = dwStyle;
    record->sdlWindow = sdlWindow;
    record->sdlFlags = flags;
    windows[handleValue(handle)] = std::move(record);

    CREATESTRUCTA creation{
        lpParam,      hInstance,   hMenu,    hWndParent, nHeight, nWidth, y, x, static_cast<LONG>(dwStyle),
        lpWindowName, lpClassName, dwExStyle};
    const LPARAM creationParam = reinterpret_cast<LPARAM>(&creation);
    if (sendMessage(handle, WM_NCCREATE, 0, creationParam) == FALSE) {
        WindowRecord *created = findWindow(handle);
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
    WindowRecord *record = findWindow(hWnd);
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
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    const bool wasVisible = (SDL_GetWindowFlags(record->sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    if (nCmdShow == SW_HIDE) {
        SDL_HideWindow(record->sdlWindow);
        return wasVisible ? TRUE : FALSE;
    }
    SDL_ShowWindow(record->sdlWindow);
    if (!record->shownOnce) {
        // SDL reports no size on show, but Windows' first show sizes and activates the
        // window, and the caller sets its viewport from that WM_SIZE.
        record->shownOnce = true;
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(record->sdlWindow, &width, &height);
        sendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        sendMessage(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    SDL_RaiseWindow(record->sdlWindow);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd)
{
    const HWND previous = focusedWindow;
    if (hWnd == nullptr) {
        focusedWindow = nullptr;
        return previous;
    }
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) {
        return nullptr;
    }
    // Drivers without input focus (offscreen) refuse; the window is still the one keys go to.
    SDL_SetWindowInputFocus(record->sdlWindow);
    focusedWindow = hWnd;
    return previous;
}

}  // extern "C"
