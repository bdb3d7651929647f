// The handle table and the Win32 calls whose behaviour does not depend on the host; the native part goes
// through the hooks of window_table.h.
#include "platform/window_table.h"
#include "platform/message_queue.h"
#include "platform/window_classes.h"

#include <map>
#include <memory>

namespace platform {

namespace {

WindowClasses registeredClasses;
std::map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
std::map<uintptr_t, NativeContext *> contexts;
MessageQueue queue;

uintptr_t handleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

// Everything after the window's last message: the record and the native window go.
void releaseWindow(HWND window)
{
    auto it = windows.find(handleValue(window));
    if (it == windows.end()) return;
    discardMessagesFor(window);
    const std::unique_ptr<WindowRecord> record = std::move(it->second);
    windows.erase(it);
    destroyNativeWindow(window, record->native);
}

int moduleMarker;
int iconMarker;
int cursorMarker;

// The flags of the last PlaySoundA that named a file.
DWORD lastSoundFlags = 0;

// The stand-in for a file that cannot be had: the chime, once, unless the call said SND_NODEFAULT.
bool playStandIn(DWORD flags)
{
    if ((flags & SND_NODEFAULT) != 0 || !prepareSound(nullptr)) {
        stopSound();
        return false;
    }
    playPreparedSound(false);
    return true;
}

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
    if (dc == nullptr) return nullptr;
    for (auto &entry : windows) {
        if (entry.second->dc == dc) return entry.second.get();
    }
    return nullptr;
}

WindowRecord *drawableWindow(HDC dc)
{
    WindowRecord *record = findWindowByDc(dc);
    return record != nullptr && record->pixelFormatSet ? record : nullptr;
}

WindowRecord *firstWindow()
{
    for (auto &entry : windows) {
        if (!entry.second->destroying) return entry.second.get();
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

bool windowTableEmpty() { return windows.empty(); }

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WindowRecord *record = findWindow(window);
    if (record == nullptr) return 0;
    // The procedure may destroy the window: nothing of the record is touched after the call.
    const WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
}

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time)
{
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = time;
    queue.post(posted);
}

void discardMessagesFor(HWND window) { queue.discardFor(window); }

bool takeMessage(MSG &out, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    return queue.take(out, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
}

void soundFileUnavailable() { playStandIn(lastSoundFlags); }

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
                                            if (entry.second->classAtom == atom && !entry.second->destroying)
                                                return true;
                                        }
                                        return false;
                                    })
               ? TRUE
               : FALSE;
}

BOOL WINAPI AdjustWindowRectEx(RECT *lpRect, DWORD, BOOL, DWORD)
{
    // The native window is sized by its client area (a window manager adds any frame; a canvas has none).
    return lpRect != nullptr ? TRUE : FALSE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int x, int y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    if (lpClassName == nullptr) return nullptr;
    const WindowClass *windowClass = registeredClasses.find(lpClassName);
    if (windowClass == nullptr) return nullptr;
    // As Windows: a child needs a parent to live in.
    if ((dwStyle & WS_CHILD) != 0 && hWndParent == nullptr) return nullptr;
    auto record = std::make_unique<WindowRecord>();
    record->style = dwStyle;
    record->parent = hWndParent;
    record->native = createNativeWindow(*record, lpWindowName != nullptr ? lpWindowName : "", x, y, nWidth, nHeight);
    if (record->native == nullptr) return nullptr;
    const HWND handle = reinterpret_cast<HWND>(newHandleValue());
    record->handle = handle;
    record->dc = reinterpret_cast<HDC>(newHandleValue());
    record->procedure = windowClass->procedure;
    record->classAtom = windowClass->atom;
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
    if (findWindow(handle) == nullptr) return nullptr;
    if (sendMessage(handle, WM_CREATE, 0, creationParam) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (findWindow(handle) == nullptr) return nullptr;
    if ((dwStyle & WS_VISIBLE) != 0) {
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr || record->destroying) return FALSE;
    record->destroying = true;
    sendMessage(hWnd, WM_DESTROY, 0, 0);
    sendMessage(hWnd, WM_NCDESTROY, 0, 0);
    releaseWindow(hWnd);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowRecord *record = findWindow(hWnd);
    if (record == nullptr) return FALSE;
    const bool show = nCmdShow != SW_HIDE;
    const bool wasVisible = showNativeWindow(*record, show);
    if (show && !record->shownOnce) {
        // Windows' first show sizes and activates the window, and the caller sets its viewport from that WM_SIZE.
        record->shownOnce = true;
        int width = 0;
        int height = 0;
        nativeClientSize(*record, width, height);
        sendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        sendMessage(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    }
    return wasVisible ? TRUE : FALSE;
}

HDC WINAPI GetDC(HWND hWnd)
{
    const WindowRecord *record = findWindow(hWnd);
    return record == nullptr ? nullptr : record->dc;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    // A private device context stays with its window; releasing only checks the pairing.
    const WindowRecord *record = findWindow(hWnd);
    return record != nullptr && record->dc == hDC ? 1 : 0;
}

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR *ppfd)
{
    // Index 1 stands for "the format this descriptor asks for"; SetPixelFormat reads it back.
    if (findWindowByDc(hdc) == nullptr || ppfd == nullptr || !descriptorIsSupported(*ppfd)) return 0;
    return 1;
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR *ppfd)
{
    WindowRecord *record = findWindowByDc(hdc);
    if (record == nullptr || format != 1) return FALSE;
    if (ppfd != nullptr && !descriptorIsSupported(*ppfd)) return FALSE;
    const GlPixelAttributes wanted = ppfd != nullptr ? attributesFromDescriptor(*ppfd) : record->visual;
    if (record->pixelFormatSet) {
        // A window's pixel format is set once and never changes.
        return wanted == record->visual ? TRUE : FALSE;
    }
    if (wanted != record->visual && !remakeNativeWindowFor(*record, wanted)) return FALSE;
    record->visual = wanted;
    record->pixelFormatSet = true;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC hdc)
{
    const WindowRecord *record = drawableWindow(hdc);
    if (record == nullptr) return nullptr;
    NativeContext *context = makeNativeContext(*record);
    if (context == nullptr) return nullptr;
    const uintptr_t handle = newHandleValue();
    contexts[handle] = context;
    return reinterpret_cast<HGLRC>(handle);
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc)
{
    if (hglrc == nullptr) return makeNativeContextCurrent(nullptr, nullptr) ? TRUE : FALSE;
    auto context = contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    const WindowRecord *record = drawableWindow(hdc);
    if (context == contexts.end() || record == nullptr) return FALSE;
    return makeNativeContextCurrent(record, context->second) ? TRUE : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc)
{
    auto context = contexts.find(reinterpret_cast<uintptr_t>(hglrc));
    if (context == contexts.end()) return FALSE;
    deleteNativeContext(context->second);
    contexts.erase(context);
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc)
{
    const WindowRecord *record = drawableWindow(hdc);
    if (record == nullptr) return FALSE;
    swapNativeBuffers(*record);
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (lpMsg == nullptr) return FALSE;
    pumpNativeEvents();
    const bool found = takeMessage(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
    afterPeek(found);
    return found ? TRUE : FALSE;
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE *, BOOL, DWORD dwMilliseconds, DWORD)
{
    if (nCount != 0) return WAIT_FAILED;
    pumpNativeEvents();
    if (queue.waiting() || waitForNativeEvents(dwMilliseconds)) return WAIT_OBJECT_0;
    return WAIT_TIMEOUT;
}

void WINAPI PostQuitMessage(int nExitCode) { queue.postQuit(nExitCode); }

BOOL WINAPI PlaySoundA(LPCSTR pszSound, HMODULE, DWORD fdwSound)
{
    if (pszSound == nullptr) {
        stopSound();
        return TRUE;
    }
    if (!openSoundOutput()) return FALSE;
    // The name is always a file: there are no sound aliases here.
    bool looping = (fdwSound & SND_LOOP) != 0;
    lastSoundFlags = fdwSound;
    if (prepareSound(pszSound)) {
        playPreparedSound(looping);
    } else if (playStandIn(fdwSound)) {
        looping = false;  // the stand-in sounds once, however the file was to play
    } else {
        return FALSE;
    }
    // Without SND_ASYNC the call returns when the sound is over; a loop never ends, so it is always asynchronous.
    if ((fdwSound & SND_ASYNC) == 0 && !looping) {
        waitForSoundEnd();
    }
    return TRUE;
}

}  // extern "C"
