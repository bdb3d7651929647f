// The start-up, main loop and shut-down that the demo and the savers share.
#include "app/scene_run.h"

#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/snowfall.h"

#include <cstdint>

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

    runMainLoop(run.drawFrame, run.frameMicroseconds);

    closeWindow();
    return 0;
}

namespace {

// Frame times for a paced loop: the n-th frame since `start` is due n periods on, rounded up to the millisecond.
struct Pace {
    unsigned periodMicroseconds = 0;
    DWORD start = 0;
    uint64_t frames = 0;  // drawn since `start`

    // How many milliseconds remain before the next frame is due; 0 when it is due now, and then it counts as drawn.
    DWORD wait(DWORD now)
    {
        const DWORD due = start + static_cast<DWORD>((frames * periodMicroseconds + 999) / 1000);
        const int32_t early = static_cast<int32_t>(due - now);
        if (frames > 0 && early > 0) return static_cast<DWORD>(early);
        // The first frame, or one a whole period late (a slow frame, a suspend): count afresh from now.
        if (frames == 0 || static_cast<uint64_t>(-static_cast<int64_t>(early)) * 1000 >= periodMicroseconds) {
            start = now;
            frames = 0;
        }
        ++frames;
        return 0;
    }
};

}  // namespace

void runMainLoop(bool (*drawFrame)(), unsigned frameMicroseconds)
{
    bool done = false;
    Pace pace;
    pace.periodMicroseconds = frameMicroseconds;
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (frameMicroseconds != 0) {
            // Rest until the frame is due or a message comes, whichever is first.
            const DWORD early = pace.wait(GetTickCount());
            if (early != 0) {
                if (keyDown[VK_ESCAPE]) return;
                MsgWaitForMultipleObjects(0, nullptr, FALSE, early, QS_ALLINPUT);
                continue;
            }
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
