// The shared frame clock and the world angle derived from it.
#include "common/frame_clock.h"

FrameClock frameClock;

float worldAngle(uint32_t now)
{
    const uint32_t degrees = (now - frameClock.startTick) / 15u;
    return static_cast<float>(degrees % 360u);
}
