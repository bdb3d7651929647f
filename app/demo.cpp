// The demo: the scene in its own 512 × 512 window, with the music.
#include "app/demo.h"

#include "app/scene_run.h"

int runDemo()
{
    SceneRun run;
    run.title = "Frostel - Tarvik";
    run.width = 512;
    run.height = 512;
    run.music = true;
    return runScene(run);
}
