// The screen saver: the demo's scene in a window of another shape, with its own end rules and sound choice.
#pragma once

#include "platform/platform.h"

// The largest square centred in a width × height area, its offsets counted from the area's top left.
struct SquareViewport {
    int x, y, side;
};
SquareViewport squareViewport(int width, int height);

// Where the saver draws and what ends it.
struct SaverRequest {
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    // Where in the window the square is centred, from its top left (the primary monitor of a window that covers
    // them all); a zero size means the whole window.
    int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
    bool endOnInput = false;   // Windows' full-screen saver: a key, a click, a move or losing activation ends it
    bool endOnEscape = false;  // a window of its own: Escape and Q end it, as they end other savers' windows
    bool music = false;
    // At most one frame per this many microseconds (1 000 000 / frames a second); 0 draws as fast as it can.
    unsigned frameMicroseconds = 0;
    // False when the scene's files were found nowhere: the saver then draws black rather than a white square.
    bool sceneData = true;
    // Asked before every frame when set: false ends the saver (the preview's parent is gone).
    bool (*stillWanted)() = nullptr;
};

// Exit status: 0 after a normal end, 1 when the window could not be opened.
int runSaver(const SaverRequest &request);

// Ends the saver on the input rules of the request in force; sizes the scene as a centred square.
LRESULT CALLBACK saverProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Clears the whole window to black, then confines drawing to the square centred in the request's area.
void resizeSaverScene(int width, int height);
// The scene's frame, after blacking out the whole back buffer for the first frames after a size change.
bool drawSaverFrame();

// Whether this message ends a full-screen saver; tracks the mouse's starting point between calls.
bool inputEndsSaver(UINT message, WPARAM wParam, LPARAM lParam);

void resetSaverState();
