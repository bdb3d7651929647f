// What a viewer sees of things that move: a snowflake, sparkles, and trails that only a resize clears.
#include "tests/render/render_stage.h"

#include "scene/snowfall.h"
#include "scene/sparkles.h"
#include "tests/reference_random.h"

#include <cmath>
#include <vector>

namespace {

const Rgb snowColour = {40, 150, 210};
const Rgb flakeColour = {240, 240, 60};
const Rgb shineColour = {250, 40, 220};

// Sparkles fly in a frame lowered by 50; every third one is also turned by the world angle.
ScreenPoint sparkleOnScreen(Vec3 p, size_t index, double angle)
{
    const Vec3 turned = index % 3 == 0 ? turnedAboutY(p, angle) : p;
    return project({turned.x, turned.y - 50.0, turned.z});
}

double distance(ScreenPoint a, ScreenPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

class MotionRender : public RenderStage {
protected:
    void SetUp() override
    {
        RenderStage::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(writeSolidTga(data("snow.tga"), snowColour));
        ASSERT_TRUE(writeSolidTga(data("snowflake.tga"), flakeColour));
        ASSERT_TRUE(writeSolidTga(data("shine.tga"), shineColour));
        ASSERT_TRUE(writeTga(data("overlay.tga"), 4, 4, 32, [](int, int) { return Rgba{0, 0, 0, 0}; }));
    }
};

}  // namespace

TEST_F(MotionRender, SnowflakeShowsWhereItsPositionProjectsInTheTurningWorldAndFalls)
{
    ASSERT_TRUE(openScene());
    // One flake high over the ground, nearer the eye than anything else.
    snowflakes.push_back(Snowflake(60.0f, 100.0f));
    snowflakes[0].y = 230.0f;

    drawFrame(300, 0.0f);
    const Picture first = readBack();
    const ScreenPoint flake = project(worldToCamera({60, 230, 100}, worldAngleAt(300)));
    const ScreenPoint unturned = project(worldToCamera({60, 230, 100}, 0.0));
    ASSERT_GT(distance(flake, unturned), 20.0);
    EXPECT_TRUE(colourNear(first, flake, flakeColour));
    EXPECT_TRUE(colourFar(first, unturned, flakeColour));

    // 360 ms: it falls 12 units, and its spin of 3600 degrees leaves it as flat as before.
    drawFrame(660, 360.0f);
    const Picture second = readBack();
    const ScreenPoint fallen = project(worldToCamera({60, 218, 100}, worldAngleAt(660)));
    ASSERT_GT(distance(fallen, flake), 10.0);
    EXPECT_TRUE(colourNear(second, fallen, flakeColour));
}

TEST_F(MotionRender, SparklesShowWhereTheyProjectEveryThirdTurnedWithTheWorld)
{
    ASSERT_TRUE(openScene());
    const std::vector<Vec3> places = {{60, 150, 0}, {-60, 150, 0}, {30, 120, -80}, {-40, 180, -40}};
    for (const Vec3 &p : places) {
        sparkles.push_back(Sparkle(0.3f, 0.1f, 0.2f, 300));
        sparkles.back().x = static_cast<float>(p.x);
        sparkles.back().y = static_cast<float>(p.y);
        sparkles.back().z = static_cast<float>(p.z);
    }
    drawFrame(1360, 0.0f);
    const Picture picture = readBack();
    const double angle = worldAngleAt(1360);
    ASSERT_EQ(angle, 90.0);

    // Where each one is, and where it would be had the turn been the other way round for it.
    std::vector<ScreenPoint> shown, decoys;
    for (size_t i = 0; i < places.size(); ++i) {
        const Vec3 lowered = {places[i].x, places[i].y - 50.0, places[i].z};
        const ScreenPoint straight = project(lowered), turned = project(turnedAboutY(lowered, angle));
        shown.push_back(i % 3 == 0 ? turned : straight);
        decoys.push_back(i % 3 == 0 ? straight : turned);
    }
    std::vector<ScreenPoint> all = shown;
    all.insert(all.end(), decoys.begin(), decoys.end());
    for (size_t a = 0; a < all.size(); ++a) {
        ASSERT_TRUE(onScreen(all[a], 10)) << a;
        for (size_t b = a + 1; b < all.size(); ++b) ASSERT_GT(distance(all[a], all[b]), 20.0) << a << ", " << b;
    }
    for (size_t i = 0; i < places.size(); ++i) {
        EXPECT_TRUE(colourNear(picture, shown[i], shineColour)) << "sparkle " << i;
        EXPECT_TRUE(colourFar(picture, decoys[i], shineColour)) << "sparkle " << i;
    }
}

TEST_F(MotionRender, SparkleSpawnedInTheFirstFiveMillisecondsOfASecondFliesAlongItsRandomDirection)
{
    ASSERT_TRUE(openScene());
    drawFrame(2002, 0.0f);
    const Picture before = readBack();
    ASSERT_EQ(sparkles.size(), 1u) << "2002 ms lies in the spawn window";
    // Added after the drawing: not in this frame yet.
    EXPECT_TRUE(colourNear(before, project({0, 100, 0}), black));

    // The start-up seed is the start tick; the draws are life, then dz, dy, dx.
    ReferenceRandom random{startTick};
    const double life = random.next() % 350;
    const double dz = random.next() / 32767.0 - 0.5, dy = random.next() / 32767.0 - 0.5,
                 dx = random.next() / 32767.0 - 0.5;
    const double k = 1.0 / std::sqrt(3.0 * dx * dx);
    const double steps = 2400.0 / 30.0;
    // A long flight, so that the order of the draws shows in where it ends.
    ASSERT_GE(life, steps) << "a sparkle this short-lived would be back at the start";
    const Vec3 place = {steps * dx * k, 150.0 + steps * dy * k, steps * dz * k};

    drawFrame(4402, 2400.0f);
    const Picture after = readBack();
    const ScreenPoint spot = sparkleOnScreen(place, 0, worldAngleAt(4402));
    ASSERT_TRUE(onScreen(spot, 10));
    ASSERT_GT(distance(spot, project({0, 100, 0})), 20.0) << "the flight should show";
    EXPECT_TRUE(colourNear(after, spot, shineColour));
    EXPECT_EQ(sparkles.size(), 1u) << "4402 ms is outside the spawn window";

    drawFrame(5004, 602.0f);
    EXPECT_EQ(sparkles.size(), 2u) << "5004 ms lies in the spawn window";
    drawFrame(5005, 1.0f);
    EXPECT_EQ(sparkles.size(), 2u) << "5005 ms is past it";
}

TEST_F(MotionRender, WhatIsNotOverdrawnPersistsUntilAResizeClearsTheView)
{
    ASSERT_TRUE(openScene());
    // From the emission point, high over the background, out along +x and -z at speed 1 per 30 ms on each.
    sparkles.push_back(Sparkle(0.25f, 0.0f, -0.25f, 349));
    const double speed = 1.0 / std::sqrt(3.0);

    drawFrame(10, 0.0f);
    const Picture first = readBack();
    const ScreenPoint start = sparkleOnScreen({0, 150, 0}, 0, worldAngleAt(10));
    const Vec3 flown = {50 * speed, 150, -50 * speed};
    const ScreenPoint moved = sparkleOnScreen(flown, 0, worldAngleAt(20));
    ASSERT_GT(distance(start, moved), 20.0);
    EXPECT_TRUE(colourNear(first, start, shineColour));
    EXPECT_TRUE(colourNear(first, moved, black));

    // 1500 ms: 50 steps of travel. The old spot is not drawn over, so it still shows the sparkle.
    drawFrame(20, 1500.0f);
    const Picture second = readBack();
    EXPECT_TRUE(colourNear(second, moved, shineColour));
    EXPECT_TRUE(colourNear(second, start, shineColour));

    resizeWindow();
    drawFrame(30, 0.0f);
    const Picture third = readBack();
    EXPECT_TRUE(colourNear(third, sparkleOnScreen(flown, 0, worldAngleAt(30)), shineColour));
    EXPECT_TRUE(colourNear(third, start, black));
}
