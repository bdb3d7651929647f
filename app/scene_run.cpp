// The start-up, main loop and shut-down that the demo and the savers share.
#include "app/scene_run.h"

#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/snowfall.h"

int runScene(const SceneRun &run)
{
    frameClock.lastTick = GetTickCount();
    frameClock.startTick = GetTickCount();
    seedRandom(frameClock.lastTick);

    const bool opened = run.shape != nullptr ? openShapedWindow(run.title, *run.shape, run.bits)
                                             : openWindow(run.title, run.width, run.height, run.bits, false);
    if (!opened) return 1;

    // Asynchronous and looping; a missing file or no sound device is not worth stopping for.
    if (run.music) PlaySoundA("data/music.wav", nullptr, SND_ASYNC | SND_LOOP);
    fillSnowfall(1500);

    runMainLoop(run.drawFrame);

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
