// The soak harness: the idle hook drives simulated time, and every frame is checked against a model of its own.
#include "tests/soak/soak_harness.h"

#include "assets/mesh_model.h"
#include "tests/reference_random.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace soak {
namespace {

SoakState current;

ReferenceRandom reference;
// The run's empty working directory, and the one to go back to.
std::string emptyDir, previousDir;
// Expected snowflake heights, in list order.
std::vector<float> expectedHeights;

bool finite(std::initializer_list<float> values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// The angles the frame passed to glRotatef about the Y axis: the world turn first, then the sparkles' turns
// (those after the alpha test is switched off).
void collectTurns(float &world, std::vector<float> &sparkleTurns, bool &sawWorld)
{
    bool afterWorld = false;
    sawWorld = false;
    for (const fake::Call &c : fake::log()) {
        if (c.name == "glDisable" && c.args[0] == GL_ALPHA_TEST) afterWorld = true;
        if (c.name != "glRotatef") continue;
        if (!sawWorld) {
            world = float(c.args[0]);
            sawWorld = c.args[1] == 0 && c.args[2] == 1 && c.args[3] == 0;
        } else if (afterWorld) {
            EXPECT_TRUE(c.args[1] == 0 && c.args[2] == 1 && c.args[3] == 0) << c.str();
            sparkleTurns.push_back(float(c.args[0]));
        }
    }
}

// One frame of the scene, with every check of the run made on what it did.
bool checkedFrame()
{
    SoakState &r = current;
    const uint64_t frame = r.totals.frames;
    // A frame is drawn only once every waiting message has been dispatched.
    EXPECT_TRUE(fakewin::queue().empty()) << "frame " << frame;
    r.dispatchedSinceLastFrame = fake::count("DispatchMessageA");
    r.totals.dispatched += r.dispatchedSinceLastFrame;
    if (r.beforeFrame) r.beforeFrame(r);
    fake::log().clear();

    const size_t sparklesBefore = sparkles.size();
    const float frameMsUsed = frameClock.frameMs;
    const bool ok = drawScene();
    EXPECT_TRUE(ok);

    float world = -1;
    std::vector<float> turns;
    bool sawWorld = false;
    collectTurns(world, turns, sawWorld);
    const float angle = expectedWorldAngle(r.elapsed);
    EXPECT_TRUE(sawWorld) << "frame " << frame;
    EXPECT_EQ(world, angle) << "frame " << frame << " at " << r.elapsed << " ms";
    EXPECT_EQ(turns.size(), (sparklesBefore + 2) / 3) << "every third sparkle turns with the world";
    for (float t : turns) EXPECT_EQ(t, angle) << "frame " << frame;
    EXPECT_EQ(fakegl::modelviewDepth(), 1u) << "frame " << frame;

    // Snowflakes fall by the frame time used, and re-enter from the generator when they pass the ground.
    EXPECT_EQ(snowflakes.size(), expectedHeights.size());
    for (size_t i = 0; i < snowflakes.size() && i < expectedHeights.size(); ++i) {
        float y = expectedHeights[i] - frameMsUsed * 0.033333335f;
        if (y < 0.0f) y = float(reference.next() % 300);
        expectedHeights[i] = y;
        const Snowflake &s = snowflakes[i];
        EXPECT_TRUE(finite({s.x, s.y, s.z, s.rotX, s.rotY, s.rotZ})) << "snowflake " << i << " frame " << frame;
        EXPECT_EQ(s.y, y) << "snowflake " << i << " frame " << frame;
        EXPECT_TRUE(s.rotX >= 0 && s.rotX <= 360) << s.rotX << " frame " << frame;
        // Every snowflake turns alike on all three axes.
        EXPECT_TRUE(s.rotY == s.rotX && s.rotZ == s.rotX && s.rotX == snowflakes[0].rotX) << "frame " << frame;
    }

    // The list grows by one exactly on frames inside the first 5 ms of a whole second, and only then.
    const bool spawn = expectedSpawn(r.elapsed);
    EXPECT_EQ(sparkles.size(), sparklesBefore + (spawn ? 1 : 0)) << "frame " << frame << " at " << r.elapsed;
    if (spawn) {
        const int life = reference.next() % 350;
        for (int draw = 0; draw < 3; ++draw) reference.next();
        if (sparkles.size() > sparklesBefore) {
            EXPECT_EQ(sparkles.back().life, float(life));
        }
        ++r.totals.spawns;
    }
    for (size_t i = 0; i < sparkles.size(); ++i) {
        const Sparkle &s = sparkles[i];
        EXPECT_TRUE(finite({s.x, s.y, s.z, s.dirX, s.dirY, s.dirZ, s.life})) << "sparkle " << i << " frame " << frame;
        EXPECT_TRUE(s.life >= 0 && s.life <= 350) << "sparkle " << i << " life " << s.life;
    }

    // The time this frame measured moves the next one: the whole span since the previous drawn frame.
    EXPECT_EQ(frameClock.frameMs, float(uint32_t(r.elapsed - r.lastFrameElapsed))) << "frame " << frame;
    EXPECT_EQ(frameClock.lastTick, r.tick());
    r.totals.longestFrameMs = std::max(r.totals.longestFrameMs, frameClock.frameMs);
    if (frame > 0 && r.tick() < r.lastFrameTick) ++r.totals.counterWraps;
    r.lastFrameElapsed = r.elapsed;
    r.lastFrameTick = r.tick();
    ++r.totals.frames;

    fake::log().clear();
    // A broken frame stops the run rather than repeating its failure thousands of times.
    return !::testing::Test::HasFailure();
}

}  // namespace

SoakState &soakRun() { return current; }

void begin(uint32_t startTick, int flakes, uint32_t seed)
{
    fakegl::reset();
    fakewin::reset();
    snowflakes.clear();
    sparkles.clear();
    keyDown[VK_ESCAPE] = false;
    windowActive = true;
    current = SoakState{};
    current.startTick = startTick;

    // Wherever the test is started, no data folder is found: no tree, no textures, the same calls every run.
    std::string pattern = (std::filesystem::temp_directory_path() / "frostel-soak-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    emptyDir = pattern;
    previousDir = std::filesystem::current_path().string();
    std::filesystem::current_path(emptyDir);

    fakewin::setTick(startTick);
    frameClock = FrameClock{};
    frameClock.startTick = frameClock.lastTick = startTick;
    seedRandom(seed);
    reference.state = seed;
    ASSERT_TRUE(openWindow("Frostel - Tarvik", 512, 512, 32, false));
    fillSnowfall(flakes);
    expectedHeights.clear();
    for (int i = 0; i < flakes; ++i) {
        reference.next();  // z
        reference.next();  // x
        expectedHeights.push_back(float(reference.next() % 300));
    }
    fake::log().clear();
    fakewin::onPeek() = [](int) {
        if (!fakewin::queue().empty()) return;
        if (current.onIdlePoll) current.onIdlePoll(current);
        fakewin::setTick(current.tick());
    };
}

void loop() { runMainLoop(checkedFrame); }

void end()
{
    fakewin::onPeek() = nullptr;
    closeWindow();
    delete treeModel;
    treeModel = nullptr;
    fake::log().clear();
    if (previousDir.empty()) return;
    std::error_code ignored;
    std::filesystem::current_path(previousDir, ignored);
    std::filesystem::remove(emptyDir, ignored);
    previousDir.clear();
}

}  // namespace soak
