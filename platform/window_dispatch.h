// Sending a message to a window's procedure: the window table defines it (window_table.cpp) for both layers; the
// shared default processing uses it.
#pragma once

#include "platform/win32.h"

namespace platform {

// Calls the class procedure at once, as SendMessage does; 0 for an unknown window.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
