// The one window and its OpenGL rendering context: opening, the window procedure, resizing, tear-down.
#pragma once

#include "platform/platform.h"

extern HINSTANCE hInstance;
extern HWND hWnd;
extern HDC hDC;
extern HGLRC hRC;
// Indexed by virtual-key code; true from a key's WM_KEYDOWN to its WM_KEYUP.
extern bool keyDown[256];
// False while the last WM_ACTIVATE reported the window minimised.
extern bool windowActive;

// Shows its own message box on failure and has released what it made.
bool openWindow(const char *title, int width, int height, int bits, bool fullscreen);

// A window of another shape than the demo's (the screen saver's), with its own procedure and resizing.
struct WindowShape {
    DWORD style;
    DWORD exStyle;
    HWND parent;
    int x, y, width, height;
    WNDPROC proc;
    void (*resize)(int width, int height);
};
// As openWindow, without a display mode change; a WS_CHILD window takes neither the foreground nor the focus.
bool openShapedWindow(const char *title, const WindowShape &shape, int bits);
LRESULT CALLBACK windowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
void resizeScene(int width, int height);
// The window was taken away without closeWindow (with its parent, a preview's host): closeWindow then releases
// the context only. False, and nothing changes, when there is no window or closeWindow itself destroys it.
bool windowLost();
void closeWindow();
// Back to the state of a fresh process: the demo opens its window once, tests many times.
void resetWindowState();
