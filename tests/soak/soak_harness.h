// Long runs of the real scene through the real main loop on the fakes, with every frame checked as it ends.
#pragma once

#include "app/demo.h"
#include "app/scene_run.h"
#include "app/window.h"
#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/scene.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/fake_win32.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace soak {

constexpr uint64_t msPerHour = 3'600'000;
constexpr uint64_t msPerDay = 24 * msPerHour;
constexpr uint64_t counterPeriod = uint64_t(1) << 32;

// Deterministic frame lengths, independent of the scene's own generator.
struct StepSource {
    uint64_t state;
    uint64_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    uint64_t between(uint64_t low, uint64_t high) { return low + next() % (high - low + 1); }
};

// What the run saw, for the test's own closing checks.
struct Totals {
    uint64_t frames = 0;
    uint64_t spawns = 0;
    uint64_t counterWraps = 0;  // frames whose tick reading was below the previous frame's
    float longestFrameMs = 0;   // the longest frame time the scene measured
    uint64_t dispatched = 0;    // messages dispatched over the whole run
};

// Simulated time is kept in 64 bits since the start tick, so the expectations never share the scene's 32-bit
// arithmetic: the tick counter is its low 32 bits offset by the start tick.
struct SoakState {
    uint32_t startTick = 0;
    uint64_t elapsed = 0;
    uint64_t lastFrameElapsed = 0;
    uint32_t lastFrameTick = 0;
    Totals totals;
    // Called at every poll that finds the queue empty; may advance `elapsed`, post messages, or both.
    std::function<void(SoakState &)> onIdlePoll;
    // Called as each frame begins, while the log still holds everything since the previous frame.
    std::function<void(SoakState &)> beforeFrame;
    // Messages dispatched between the previous frame and this one.
    uint64_t dispatchedSinceLastFrame = 0;

    uint32_t tick() const { return startTick + uint32_t(elapsed); }
};

SoakState &soakRun();

// Opens the window on the fakes with `flakes` snowflakes, in an empty working directory (no tree, untextured).
void begin(uint32_t startTick, int flakes, uint32_t seed);
// Runs the main loop with the checked frame until the idle hook posts WM_CLOSE or a frame fails a check.
void loop();
// Releases the window and the model, and goes back to the previous working directory.
void end();

// The world angle in whole degrees, computed from the simulated time.
inline float expectedWorldAngle(uint64_t elapsed) { return float((uint32_t(elapsed) / 15u) % 360u); }
inline bool expectedSpawn(uint64_t elapsed) { return uint32_t(elapsed) % 1000u < 5u; }

}  // namespace soak
