// The second door to the platform, beside platform/platform.h: the few duties of a host that have no Win32 name.
// Hosted layers define them (the SDL layer for POSIX and X11, the browser layer what applies to a page); on
// Windows there is nothing to do, and no Windows entry includes this.
#pragma once

#include "platform/platform.h"

namespace platform {

// First thing in every POSIX entry: opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. A program
// started with one of them closed would hand that number to the next file or connection it opens, and text meant
// for standard error (a library's complaint) would be written into it. False when one could not be opened.
bool makeStandardDescriptorsSafe();

// Adopts another program's X window (a screen-saver daemon's; 0 names the root window) and returns a handle that
// a CreateWindowExA for a WS_CHILD names as its parent, as a Windows preview names the window it lives in. The
// child then draws into that X window, in its own visual and size (`width` and `height` receive it). Null, with
// one line on standard error, when there is no such window to draw into.
// When the window made in it is destroyed, the adopted window is left as it was given, but for the root window: no
// program repaints that, so it is cleared to its own background rather than keep the last frame.
HWND adoptForeignWindow(unsigned long xWindow, int &width, int &height);

// The signal (SIGTERM or SIGINT) that has asked the program to end, or 0 while none has. The close request it
// brings comes through the message queue as any other close does.
int endingSignal();

// Ends the process by `signal` with that signal's own default action, as a program that does not catch it ends:
// a screen-saver daemon counts a hack ended so by its SIGTERM as a normal end, and an exit status as a fault.
[[noreturn]] void endBySignal(int signal);

}  // namespace platform
