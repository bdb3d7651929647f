// Shared timing state: start and last tick readings, and the last measured frame time.
#pragma once

#include <cstdint>

struct FrameClock {
    uint32_t startTick = 0;
    uint32_t lastTick = 0;
    // Always a whole number of milliseconds: the difference of two tick readings.
    float frameMs = 0.0f;
};

extern FrameClock frameClock;

// World turn in whole degrees for a tick reading, one degree per 15 ms since start,
// reduced modulo 360 so the float angle stays exact however long the run.
float worldAngle(uint32_t now);
