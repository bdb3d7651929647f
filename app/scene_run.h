// The one start-up of every shape Frostel runs in (the demo, the Windows screen saver, the X11 hack): the clock
// and the seed, the window it is described, the music, the snowfall, the message-and-draw loop and the close.
#pragma once

#include "app/window.h"
#include "scene/scene.h"

struct SceneRun {
    const char *title = "";
    // The demo's framed window with this client area, when `shape` is null; otherwise a window of that shape.
    int width = 0, height = 0;
    const WindowShape *shape = nullptr;
    int bits = 32;
    bool music = false;
    // One frame of the scene; false ends the run.
    bool (*drawFrame)() = drawScene;
    // At most one frame per this many microseconds, resting on the message queue between them (the savers);
    // 0 draws as fast as it can (the demo).
    unsigned frameMicroseconds = 0;
};

// Exit status: 0 after a normal run, 1 when the window could not be opened (it has said why).
int runScene(const SceneRun &run);

// Drains messages before each frame; returns when WM_QUIT arrives, Escape is held
// when the queue is empty, or a frame reports failure. Paced when `frameMicroseconds` is not 0: a frame is drawn
// no sooner than its time, and until then the loop waits for a message rather than spinning.
void runMainLoop(bool (*drawFrame)(), unsigned frameMicroseconds = 0);
