// The benchmarks' scene: the demo's start-up on a fixed clock, any number of sparkles, frames at fixed ticks.
#pragma once

#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"

#include <cstdint>
#include <vector>

namespace benchscene {

const uint32_t startTick = 700000;
const int snowflakeCount = 1500;

// Clock and seed as the demo sets them before it opens its window.
void startClock();
// The demo's snowfall and `sparkleCount` sparkles, born as the running demo bears them.
void populate(int sparkleCount);
// Tick of frame `index` (0 is the warm-up frame): 16 ms apart, never within the first 5 ms
// of a second, so no sparkle is born and the count stays what the benchmark chose.
uint32_t frameTick(int index);
// Pins the tick counter to frame `index` and draws the scene once.
bool drawFrameAt(int index);

// Everything a frame moves, so a run of frames can be started again from the same point.
struct Snapshot {
    std::vector<Snowflake> snowflakes;
    std::vector<Sparkle> sparkles;
    FrameClock clock;
    RandomSource random;
};
Snapshot takeSnapshot();
void restoreSnapshot(const Snapshot &snapshot);

}  // namespace benchscene
