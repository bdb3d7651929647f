// Window, pixel format and rendering context, written against the Win32 names.
#include "app/window.h"

#include "scene/scene.h"

#include <cstring>

HINSTANCE hInstance = nullptr;
HWND hWnd = nullptr;
HDC hDC = nullptr;
HGLRC hRC = nullptr;
bool keyDown[256] = {};
bool windowActive = true;

namespace {

const char *const className = "Frostel";

// One descriptor for the whole process; the fields from cColorBits on are filled by the
// first openWindow that gets as far as a window, and kept after that.
const PIXELFORMATDESCRIPTOR unfilledPixelFormat = {sizeof(PIXELFORMATDESCRIPTOR),
                                                   1,
                                                   PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
                                                   PFD_TYPE_RGBA,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0};
PIXELFORMATDESCRIPTOR pixelFormat = unfilledPixelFormat;
bool pixelFormatFilled = false;

// The window went without closeWindow (with its parent): only the context is left to release.
bool lost = false;
bool closing = false;

void fillPixelFormat(int bits)
{
    pixelFormat.cColorBits = static_cast<BYTE>(bits);
    pixelFormat.cRedBits = pixelFormat.cRedShift = 0;
    pixelFormat.cGreenBits = pixelFormat.cGreenShift = 0;
    pixelFormat.cBlueBits = pixelFormat.cBlueShift = 0;
    pixelFormat.cAlphaBits = pixelFormat.cAlphaShift = 0;
    pixelFormat.cAccumBits = 0;
    pixelFormat.cAccumRedBits = pixelFormat.cAccumGreenBits = 0;
    pixelFormat.cAccumBlueBits = pixelFormat.cAccumAlphaBits = 0;
    pixelFormat.cDepthBits = 16;
    pixelFormat.cStencilBits = 0;
    pixelFormat.cAuxBuffers = 0;
    pixelFormat.iLayerType = PFD_MAIN_PLANE;
    pixelFormat.bReserved = 0;
    pixelFormat.dwLayerMask = pixelFormat.dwVisibleMask = pixelFormat.dwDamageMask = 0;
}

void errorBox(const char *text, UINT type) { MessageBoxA(nullptr, text, "ERROR", type); }

// From window creation on, a failure releases everything before its box is shown.
bool failWith(const char *text)
{
    closeWindow();
    errorBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void shutdownBox(const char *text) { MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION); }

bool registerClass(WNDPROC proc)
{
    hInstance = GetModuleHandleA(nullptr);

    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) {
        errorBox("Failed To Register The Window Class.", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

// From a created window on: the pixel format, the context, showing it, the first sizing and the scene.
// A child window (the screen saver's preview) leaves the focus with the window it lives in.
bool prepareWindow(int width, int height, int bits, void (*resize)(int, int), bool takeFocus)
{
    if (!pixelFormatFilled) {
        fillPixelFormat(bits);
        pixelFormatFilled = true;
    }

    hDC = GetDC(hWnd);
    if (!hDC) return failWith("Can't Create A GL Device Context.");
    const int format = ChoosePixelFormat(hDC, &pixelFormat);
    if (!format) return failWith("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(hDC, format, &pixelFormat)) return failWith("Can't Set The PixelFormat.");
    hRC = wglCreateContext(hDC);
    if (!hRC) return failWith("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(hDC, hRC)) return failWith("Can't Activate The GL Rendering Context.");

    ShowWindow(hWnd, SW_SHOW);
    if (takeFocus) {
        SetForegroundWindow(hWnd);
        SetFocus(hWnd);
    }
    // The requested size, not the client size the window got; a later WM_SIZE brings that.
    resize(width, height);

    if (!initScene()) return failWith("Initialization Failed.");
    return true;
}

}  // namespace

void resetWindowState()
{
    hInstance = nullptr;
    hWnd = nullptr;
    hDC = nullptr;
    hRC = nullptr;
    for (bool &down : keyDown) down = false;
    windowActive = true;
    pixelFormat = unfilledPixelFormat;
    pixelFormatFilled = false;
    lost = false;
    closing = false;
}

bool openWindow(const char *title, int width, int height, int bits, bool fullscreen)
{
    if (!registerClass(windowProc)) return false;

    RECT rect;
    rect.left = 0;
    rect.top = 0;
    rect.right = width;
    rect.bottom = height;
    DWORD style = WS_OVERLAPPED;
    DWORD createStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

    if (fullscreen) {
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
            style = WS_POPUP;
            createStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
            exStyle = WS_EX_APPWINDOW;
        } else if (MessageBoxA(nullptr,
                               "The Requested Fullscreen Mode Is Not Supported By\n"
                               "Your Video Card. Use Windowed Mode Instead?",
                               "GL", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
            errorBox("Program Will Now Close.", MB_OK | MB_ICONERROR);
            return false;
        }
    }

    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    hWnd = CreateWindowExA(exStyle, className, title, createStyle, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                           nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return failWith("Window Creation Error.");
    return prepareWindow(width, height, bits, resizeScene, true);
}

bool openShapedWindow(const char *title, const WindowShape &shape, int bits)
{
    if (!registerClass(shape.proc)) return false;
    hWnd = CreateWindowExA(shape.exStyle, className, title, shape.style, shape.x, shape.y, shape.width, shape.height,
                           shape.parent, nullptr, hInstance, nullptr);
    if (!hWnd) return failWith("Window Creation Error.");
    return prepareWindow(shape.width, shape.height, bits, shape.resize, (shape.style & WS_CHILD) == 0);
}

void resizeScene(int width, int height)
{
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 3.0, 2500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

LRESULT CALLBACK windowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        // Only minimising stops the frames; losing the focus does not.
        windowActive = HIWORD(wParam) == 0;
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Any process can post a key message; a code past the table is ignored.
        if (wParam < sizeof keyDown) keyDown[wParam] = message == WM_KEYDOWN;
        return 0;
    case WM_SIZE: resizeScene(LOWORD(lParam), HIWORD(lParam)); return 0;
    default: break;
    }
    return DefWindowProcA(wnd, message, wParam, lParam);
}

bool windowLost()
{
    if (closing || hWnd == nullptr) return false;
    lost = true;
    return true;
}

void closeWindow()
{
    closing = true;
    ChangeDisplaySettingsA(nullptr, 0);
    if (hRC) {
        if (!wglMakeCurrent(nullptr, nullptr)) shutdownBox("Release Of DC And RC Failed.");
        if (!wglDeleteContext(hRC)) shutdownBox("Release Rendering Context Failed.");
        hRC = nullptr;
    }
    // A lost window and its device context went with it: touching them would only fail.
    if (hDC) {
        if (!lost && !ReleaseDC(hWnd, hDC)) shutdownBox("Release Device Context Failed.");
        hDC = nullptr;
    }
    if (hWnd) {
        if (!lost && !DestroyWindow(hWnd)) shutdownBox("Could Not Release hWnd.");
        hWnd = nullptr;
    }
    if (!UnregisterClassA(className, hInstance)) shutdownBox("Could Not Unregister Class.");
    hInstance = nullptr;
    lost = false;
    closing = false;
}
