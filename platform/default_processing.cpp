// What Windows does with a message on its own: dispatching it to its window, default processing, no
// character messages. Portable: the same for every Win32 layer over its own windows.
#include "platform/window_dispatch.h"

using platform::sendMessage;

extern "C" {

BOOL WINAPI TranslateMessage(const MSG *)
{
    // No character messages are made: nothing here reads WM_CHAR.
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *lpMsg)
{
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
    return sendMessage(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (Msg) {
    case WM_NCCREATE:
        // Creation goes on only when this answers TRUE.
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            sendMessage(hWnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    default: return 0;
    }
}

}  // extern "C"
