// The benchmarks' scene set-up and fixed-tick frames.
#include "bench/scene_setup.h"

#include "bench/bench_tick.h"
#include "scene/scene.h"

namespace benchscene {

void startClock()
{
    setBenchTick(startTick);
    frameClock = FrameClock{};
    frameClock.lastTick = startTick;
    frameClock.startTick = startTick;
    seedRandom(startTick);
}

void populate(int sparkleCount)
{
    snowflakes.clear();
    sparkles.clear();
    fillSnowfall(snowflakeCount);
    for (int i = 0; i < sparkleCount; ++i) spawnSparkle();
}

uint32_t frameTick(int index)
{
    uint32_t elapsed = 500u + 16u * static_cast<uint32_t>(index);
    if (elapsed % 1000u < 5u) elapsed += 5u;
    return startTick + elapsed;
}

bool drawFrameAt(int index)
{
    setBenchTick(frameTick(index));
    return drawScene();
}

Snapshot takeSnapshot() { return Snapshot{snowflakes, sparkles, frameClock, randomSource}; }

void restoreSnapshot(const Snapshot &snapshot)
{
    snowflakes = snapshot.snowflakes;
    sparkles = snapshot.sparkles;
    frameClock = snapshot.clock;
    randomSource = snapshot.random;
}

}  // namespace benchscene
