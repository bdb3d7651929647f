// Soak: sixty simulated days of frames through the main loop, across counter wraps, a huge frame and a long minimise.
#include "tests/soak/soak_harness.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace soak;

// The counter wraps three hours in, and the time since start passes 2^32 ms near day 49.7.
constexpr uint32_t startNearWrap = uint32_t(counterPeriod - 3 * msPerHour);

// Mostly ordinary frames, some stalls, a few hour-long gaps; now and then a run of 1 ms frames across a whole
// second, where several frames in a row must each spawn.
struct Schedule {
    StepSource steps{0x9E3779B97F4A7C15ull};
    int burstLeft = 0;

    uint64_t next(uint64_t elapsed)
    {
        if (burstLeft > 0) {
            --burstLeft;
            return 1;
        }
        // Land 3 ms before the time since start wraps, then step across it 1 ms at a time.
        const uint64_t toWrap = counterPeriod - 3 - elapsed;
        const uint64_t roll = steps.between(0, 9999);
        uint64_t step;
        if (roll < 7000)
            step = steps.between(1, 40);
        else if (roll < 9880)
            step = steps.between(41, 3000);
        else if (roll < 9995)
            step = steps.between(3000, 6 * msPerHour);
        else {
            // To 3 ms before the next whole second since start, in 32-bit terms as the spawn rule sees it.
            step = (1000 + 997 - uint32_t(elapsed) % 1000) % 1000;
            burstLeft = 8;
            if (step == 0) step = 1000;
        }
        if (elapsed < counterPeriod - 3 && step > toWrap) {
            burstLeft = 8;
            return toWrap;
        }
        return step;
    }
};

class Soak : public ::testing::Test {
protected:
    void TearDown() override { end(); }
};

}  // namespace

TEST_F(Soak, SixtyDaysOfFramesAcrossWrapsAHugeFrameAndATenDayMinimise)
{
    begin(startNearWrap, 3, 20261208);
    Schedule schedule;
    bool hugeFrameDone = false, minimised = false, restored = false, checkedRestore = false;
    uint64_t minimisedAt = 0, framesAtRestore = 0;
    float frameMsAtMinimise = 0, frameMsAtRestore = 0;

    soakRun().onIdlePoll = [&](SoakState &r) {
        if (!windowActive) {
            // Polling without drawing while minimised; the days pass one poll at a time.
            if (r.elapsed - minimisedAt < 10 * msPerDay) {
                r.elapsed += msPerDay;
            } else if (restored) {
                ADD_FAILURE() << "the restore did not reactivate the window";
                fakewin::post(WM_CLOSE);
            } else {
                fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
                restored = true;
                framesAtRestore = r.totals.frames;
                frameMsAtRestore = frameClock.frameMs;
            }
            return;
        }
        if (restored && r.totals.frames == framesAtRestore + 1 && !checkedRestore) {
            // The first frame after restoring still moved things by the frame time from before the minimise
            // (the snowfall check saw it); it measured the whole minimise for the next one.
            EXPECT_EQ(frameMsAtRestore, frameMsAtMinimise) << "nothing is measured while minimised";
            EXPECT_GE(frameClock.frameMs, float(10 * msPerDay));
            checkedRestore = true;
        }
        if (r.elapsed >= 60 * msPerDay) {
            fakewin::post(WM_CLOSE);
            return;
        }
        if (!hugeFrameDone && r.elapsed >= 12 * msPerDay) {
            // A frame longer than 2^31 ms: its frame time must stay positive.
            r.elapsed += (uint64_t(1) << 31) + 7;
            hugeFrameDone = true;
            return;
        }
        if (!minimised && r.elapsed >= 37 * msPerDay) {
            fakewin::post(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1));
            minimised = true;
            minimisedAt = r.elapsed;
            frameMsAtMinimise = frameClock.frameMs;
            return;
        }
        r.elapsed += schedule.next(r.elapsed);
    };

    loop();
    ASSERT_FALSE(HasFailure());

    const Totals &t = soakRun().totals;
    EXPECT_GE(soakRun().elapsed, 60 * msPerDay);
    EXPECT_TRUE(hugeFrameDone && minimised && restored && checkedRestore);
    EXPECT_GE(t.counterWraps, 2u) << "the tick counter wrapped three hours in and again after 49.7 days";
    EXPECT_GE(t.longestFrameMs, float(10 * msPerDay)) << "the frame after the minimise measured all of it";
    EXPECT_GT(t.spawns, 20u);
    EXPECT_EQ(sparkles.size(), t.spawns);
    std::printf("soak: %llu frames, %llu sparkles, %.1f simulated days\n", (unsigned long long)t.frames,
                (unsigned long long)t.spawns, double(soakRun().elapsed) / double(msPerDay));
}
