// Scriptable Win32 fake for unit tests; links in place of the SDL layer.
#include "tests/fakes/fake_win32.h"

#include "tests/fakes/call_log.h"

#include <cstring>

namespace fakewin {
namespace {

struct State {
    Script script;
    WNDCLASSA wc{};
    std::string className;
    PIXELFORMATDESCRIPTOR pfd{};
    DEVMODEA devMode{};
    std::vector<MessageBoxCall> boxes;
    std::deque<MSG> queue;
    std::function<void(int)> onPeek;
    std::deque<std::pair<DWORD, MSG>> arrivals;  // in the order of their ticks
    int peeks = 0;
    bool quitPosted = false;
    int quitCode = 0;
};

State &state()
{
    static State s;
    return s;
}

template <typename H> H handle(uintptr_t value) { return reinterpret_cast<H>(value); }

double ptr(const void *p) { return p ? double(reinterpret_cast<uintptr_t>(p)) : 0.0; }
std::string str(const char *s) { return s ? std::string("\"") + s + "\"" : "NULL"; }

}  // namespace

Script &script() { return state().script; }
HINSTANCE instanceHandle() { return handle<HINSTANCE>(0x1000); }
HWND windowHandle() { return handle<HWND>(0x2000); }
HDC dcHandle() { return handle<HDC>(0x3000); }
HGLRC contextHandle() { return handle<HGLRC>(0x4000); }
const WNDCLASSA &registeredClass() { return state().wc; }
const std::string &registeredClassName() { return state().className; }
const PIXELFORMATDESCRIPTOR &chosenDescriptor() { return state().pfd; }
const DEVMODEA &displayMode() { return state().devMode; }
std::vector<MessageBoxCall> &messageBoxes() { return state().boxes; }
std::deque<MSG> &queue() { return state().queue; }
std::function<void(int)> &onPeek() { return state().onPeek; }

void post(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = windowHandle();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    state().queue.push_back(msg);
}

void arriveAt(DWORD tick, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m = {};
    m.hwnd = windowHandle();
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    state().arrivals.emplace_back(tick, m);
}

void reset()
{
    state() = State{};
    setTick(0);
}

}  // namespace fakewin

using fake::record;
using fakewin::state;

extern "C" {

HINSTANCE WINAPI GetModuleHandleA(LPCSTR name)
{
    record("GetModuleHandleA", {}, fakewin::str(name));
    return fakewin::instanceHandle();
}
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    record("LoadIconA", {fakewin::ptr(instance), fakewin::ptr(name)});
    return fakewin::handle<HICON>(0x5000);
}
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    record("LoadCursorA", {fakewin::ptr(instance), fakewin::ptr(name)});
    return fakewin::handle<HCURSOR>(0x6000);
}
ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    record("RegisterClassA", {}, fakewin::str(wc->lpszClassName));
    state().wc = *wc;
    state().className = wc->lpszClassName ? wc->lpszClassName : "";
    state().wc.lpszClassName = nullptr;  // the caller's string may not outlive the call
    return state().script.registerClassResult;
}
BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE instance)
{
    record("UnregisterClassA", {fakewin::ptr(instance)}, fakewin::str(name));
    return state().script.unregisterClassResult;
}
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags)
{
    record("ChangeDisplaySettingsA", {fakewin::ptr(mode), double(flags)});
    if (mode) {
        state().devMode = *mode;
        return state().script.changeDisplayResult;
    }
    return DISP_CHANGE_SUCCESSFUL;
}
BOOL WINAPI AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle)
{
    record("AdjustWindowRectEx", {double(rect->left), double(rect->top), double(rect->right), double(rect->bottom),
                                  double(style), double(menu), double(exStyle)});
    // A frame of 8 pixels around the client area, so callers must use the adjusted size.
    rect->left -= 8;
    rect->top -= 8;
    rect->right += 8;
    rect->bottom += 8;
    return TRUE;
}
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    record("CreateWindowExA",
           {double(exStyle), double(style), double(x), double(y), double(width), double(height), fakewin::ptr(parent),
            fakewin::ptr(menu), fakewin::ptr(instance), fakewin::ptr(param)},
           fakewin::str(className) + "|" + fakewin::str(windowName));
    return state().script.createWindowFails ? nullptr : fakewin::windowHandle();
}
BOOL WINAPI DestroyWindow(HWND wnd)
{
    record("DestroyWindow", {fakewin::ptr(wnd)});
    return state().script.destroyWindowResult;
}
HDC WINAPI GetDC(HWND wnd)
{
    record("GetDC", {fakewin::ptr(wnd)});
    return state().script.getDcFails ? nullptr : fakewin::dcHandle();
}
int WINAPI ReleaseDC(HWND wnd, HDC dc)
{
    record("ReleaseDC", {fakewin::ptr(wnd), fakewin::ptr(dc)});
    return state().script.releaseDcResult;
}
int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("ChoosePixelFormat", {fakewin::ptr(dc), fakewin::ptr(pfd)});
    state().pfd = *pfd;
    return state().script.choosePixelFormatResult;
}
BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("SetPixelFormat", {fakewin::ptr(dc), double(format), fakewin::ptr(pfd)});
    return state().script.setPixelFormatResult;
}
HGLRC WINAPI wglCreateContext(HDC dc)
{
    record("wglCreateContext", {fakewin::ptr(dc)});
    return state().script.createContextFails ? nullptr : fakewin::contextHandle();
}
BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC rc)
{
    record("wglMakeCurrent", {fakewin::ptr(dc), fakewin::ptr(rc)});
    return (dc || rc) ? state().script.makeCurrentResult : state().script.makeNoneCurrentResult;
}
BOOL WINAPI wglDeleteContext(HGLRC rc)
{
    record("wglDeleteContext", {fakewin::ptr(rc)});
    return state().script.deleteContextResult;
}
BOOL WINAPI SwapBuffers(HDC dc)
{
    record("SwapBuffers", {fakewin::ptr(dc)});
    return TRUE;
}
BOOL WINAPI ShowWindow(HWND wnd, int cmd)
{
    record("ShowWindow", {fakewin::ptr(wnd), double(cmd)});
    return FALSE;
}
BOOL WINAPI SetForegroundWindow(HWND wnd)
{
    record("SetForegroundWindow", {fakewin::ptr(wnd)});
    return TRUE;
}
HWND WINAPI SetFocus(HWND wnd)
{
    record("SetFocus", {fakewin::ptr(wnd)});
    return nullptr;
}
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    record("MessageBoxA", {fakewin::ptr(owner), double(type)}, fakewin::str(text) + "|" + fakewin::str(caption));
    state().boxes.push_back({text ? text : "", caption ? caption : "", type, owner == nullptr});
    return state().script.messageBoxAnswer;
}
BOOL WINAPI PeekMessageA(MSG *msg, HWND wnd, UINT filterMin, UINT filterMax, UINT remove)
{
    record("PeekMessageA", {fakewin::ptr(wnd), double(filterMin), double(filterMax), double(remove)});
    if (state().onPeek) state().onPeek(state().peeks);
    ++state().peeks;
    if (state().queue.empty()) return FALSE;
    *msg = state().queue.front();
    if (remove & PM_REMOVE) state().queue.pop_front();
    return TRUE;
}
BOOL WINAPI TranslateMessage(const MSG *msg)
{
    record("TranslateMessage", {double(msg->message)});
    return FALSE;
}
LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    record("DispatchMessageA", {double(msg->message), double(msg->wParam), double(msg->lParam)});
    WNDPROC proc = state().wc.lpfnWndProc;
    return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *, BOOL, DWORD ms, DWORD mask)
{
    record("MsgWaitForMultipleObjects", {double(count), double(ms), double(mask)});
    if (!state().queue.empty()) return WAIT_OBJECT_0;
    const DWORD start = fakewin::tickNow();
    if (!state().arrivals.empty() && state().arrivals.front().first - start <= ms) {
        const auto arrival = state().arrivals.front();
        state().arrivals.pop_front();
        fakewin::setTick(arrival.first);
        state().queue.push_back(arrival.second);
        return WAIT_OBJECT_0;
    }
    fakewin::setTick(start + ms);
    return WAIT_TIMEOUT;
}
void WINAPI PostQuitMessage(int code)
{
    record("PostQuitMessage", {double(code)});
    fakewin::post(WM_QUIT, WPARAM(code), 0);
}
LRESULT WINAPI DefWindowProcA(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA", {fakewin::ptr(wnd), double(message), double(wParam), double(lParam)});
    return state().script.defWindowProcResult;
}
BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags)
{
    record("PlaySoundA", {fakewin::ptr(module), double(flags)}, fakewin::str(sound));
    return state().script.playSoundResult;
}

}  // extern "C"
