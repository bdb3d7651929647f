// Scriptable Win32 fake: results to return, a message queue to feed, every call recorded in the shared log.
#pragma once

#include "platform/platform.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fakewin {

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT type;
    bool ownerless;
};

// Results the fake returns; reset() restores these "everything succeeds" values.
struct Script {
    ATOM registerClassResult = 1;
    BOOL unregisterClassResult = TRUE;
    LONG changeDisplayResult = DISP_CHANGE_SUCCESSFUL;
    bool createWindowFails = false;
    bool getDcFails = false;
    int choosePixelFormatResult = 7;
    BOOL setPixelFormatResult = TRUE;
    bool createContextFails = false;
    BOOL makeCurrentResult = TRUE;      // for a real context
    BOOL makeNoneCurrentResult = TRUE;  // for (NULL, NULL)
    BOOL deleteContextResult = TRUE;
    int releaseDcResult = 1;
    BOOL destroyWindowResult = TRUE;
    int messageBoxAnswer = IDOK;
    BOOL playSoundResult = TRUE;
    LRESULT defWindowProcResult = 0;
};

Script &script();

// The handles the fake hands out.
HINSTANCE instanceHandle();
HWND windowHandle();
HDC dcHandle();
HGLRC contextHandle();

// What the code registered and passed.
const WNDCLASSA &registeredClass();
const std::string &registeredClassName();
const PIXELFORMATDESCRIPTOR &chosenDescriptor();  // as it was at ChoosePixelFormat
const DEVMODEA &displayMode();                    // as it was at ChangeDisplaySettingsA
std::vector<MessageBoxCall> &messageBoxes();

// Messages that PeekMessageA hands out, front first; PostQuitMessage appends WM_QUIT.
std::deque<MSG> &queue();
void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Called at the start of every PeekMessageA with the count of calls so far; may feed the queue.
std::function<void(int)> &onPeek();

// Tick counter: each GetTickCount returns the next queued value, or `now` when the queue is empty.
void setTick(DWORD now);
void queueTicks(std::vector<DWORD> ticks);
DWORD tickNow();

// MsgWaitForMultipleObjects sleeps on this clock: it moves `now` to the end of the wait, or to the arrival of the
// first message posted with arriveAt that falls within it, and posts that message there.
void arriveAt(DWORD tick, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Restores the script, handles, queue, ticks and records (not the GL fake).
void reset();

}  // namespace fakewin
