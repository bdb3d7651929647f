// SDL layer only: drawing into an X window another program made (a screen-saver daemon's, or the root window).
// Not part of the Win32 surface: the X11 hack's entry asks for it before it creates its window.
#pragma once

namespace platform {

// The next CreateWindowExA draws into this X window, in its own visual and size, instead of a window of its own.
// 0 names the root window. False, with one line on standard error, when there is no such window to draw into.
bool drawIntoForeignWindow(unsigned long xWindow, int &width, int &height);

}  // namespace platform
