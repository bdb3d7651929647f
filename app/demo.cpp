// The demo's start-up, main loop and shut-down.
#include "app/demo.h"

#include "platform/platform.h"
#include "app/window.h"
#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/scene.h"
#include "scene/snowfall.h"

int runDemo()
{
    frameClock.lastTick = GetTickCount();
    frameClock.startTick = GetTickCount();
    seedRandom(frameClock.lastTick);

    if (!openWindow("Frostel - Tarvik", 512, 512, 32, false)) return 1;

    // Asynchronous and looping; a missing file or no sound device is not worth stopping for.
    PlaySoundA("data/music.wav", nullptr, SND_ASYNC | SND_LOOP);
    fillSnowfall(1500);

    runMainLoop(drawScene);

    closeWindow();
    return 0;
}

void runMainLoop(bool (*drawFrame)())
{
    bool done = false;
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (windowActive) {
            if (!drawFrame())
                done = true;
            else if (windowActive)
                SwapBuffers(hDC);
        }
        // Escape counts only if still held when the queue has run dry.
        if (keyDown[VK_ESCAPE] || done) return;
    }
}
