// What a viewer sees of the tree: a test model of two flat plates turning with the world, or no model at all.
#include "tests/render/render_stage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const Rgb snowColour = {40, 150, 210};
const Rgb barkColour = {150, 90, 30};

// A textured plate well off the centre, and a smaller one without a material, which shows plain white.
const Plate barkPlate = {20.0, -30.0, 80.0, 30.0, 90.0, 0};
const Plate whitePlate = {-80.0, -80.0, -50.0, -50.0, 40.0, -1};

// What the line of sight through a point shows when no plate is in the way: the ground if it meets the
// square clearly inside, the cleared background if clearly outside; false when too near the edge to say.
bool seenBehind(Vec3 local, double angle, Rgb &colour)
{
    Vec3 g;
    if (!groundBehind(worldToCamera(local, angle), angle, g)) return false;
    const double reach = std::max(std::fabs(g.x), std::fabs(g.z));
    if (reach < 97.0) {
        colour = snowColour;
        return true;
    }
    if (reach > 103.0) {
        colour = black;
        return true;
    }
    return false;
}

// Points 4 units inside the plate's corners and its middle show its colour; points 5 units beyond its
// corners and edges show whatever lies behind them.
void expectPlate(const Picture &picture, const Plate &plate, Rgb colour, double angle)
{
    const double midX = (plate.x0 + plate.x1) / 2, midZ = (plate.z0 + plate.z1) / 2;
    auto at = [&](double x, double z) { return project(worldToCamera({x, plate.y, z}, angle)); };
    EXPECT_TRUE(colourNear(picture, at(midX, midZ), colour)) << "middle";
    int outsideChecked = 0;
    for (double fx : {0.0, 1.0})
        for (double fz : {0.0, 1.0}) {
            const double x = fx ? plate.x1 : plate.x0, z = fz ? plate.z1 : plate.z0;
            const double dx = fx ? -1.0 : 1.0, dz = fz ? -1.0 : 1.0;
            EXPECT_TRUE(colourNear(picture, at(x + 4 * dx, z + 4 * dz), colour)) << "corner " << x << ", " << z;
            const Vec3 beyond[3] = {
                {x - 5 * dx, plate.y, z - 5 * dz}, {x - 5 * dx, plate.y, midZ}, {midX, plate.y, z - 5 * dz}};
            for (const Vec3 &b : beyond) {
                Rgb behind;
                if (!seenBehind(b, angle, behind)) continue;
                EXPECT_TRUE(colourNear(picture, at(b.x, b.z), behind)) << "beyond, at " << b.x << ", " << b.z;
                ++outsideChecked;
            }
        }
    EXPECT_GE(outsideChecked, 8);
}

class TreeRender : public RenderStage {
protected:
    void stageWithoutModel()
    {
        ASSERT_TRUE(writeSolidTga(data("snow.tga"), snowColour));
        ASSERT_TRUE(writeSolidTga(data("bark.tga"), barkColour));
        ASSERT_TRUE(writeTga(data("overlay.tga"), 4, 4, 32, [](int, int) { return Rgba{0, 0, 0, 0}; }));
    }

    // Where the plates would be, only the ground and the background show.
    void expectNoTree()
    {
        drawFrame(10, 0.0f);
        const Picture picture = readBack();
        const double angle = worldAngleAt(10);
        for (const Plate &plate : {barkPlate, whitePlate})
            for (double fx : {0.1, 0.5, 0.9})
                for (double fz : {0.1, 0.5, 0.9}) {
                    const Vec3 p = {plate.x0 + fx * (plate.x1 - plate.x0), plate.y,
                                    plate.z0 + fz * (plate.z1 - plate.z0)};
                    Rgb behind;
                    if (!seenBehind(p, angle, behind)) continue;
                    EXPECT_TRUE(colourNear(picture, project(worldToCamera(p, angle)), behind));
                }
        // The ground itself is whole: its middle, and its far corner just inside and outside.
        EXPECT_TRUE(colourNear(picture, project(worldToCamera({0, 0, 0}, angle)), snowColour));
        EXPECT_TRUE(colourNear(picture, project(worldToCamera({-96, 0, -96}, angle)), snowColour));
        EXPECT_TRUE(colourNear(picture, project(worldToCamera({-104, 0, -104}, angle)), black));
    }
};

}  // namespace

TEST_F(TreeRender, SilhouetteTurnsWithTheWorld)
{
    ASSERT_NO_FATAL_FAILURE(stageWithoutModel());
    ASSERT_TRUE(writeMs3d(data("tree.ms3d"), {barkPlate, whitePlate}, {"data/bark.tga"}));
    ASSERT_TRUE(openScene());

    drawFrame(10, 0.0f);
    const Picture straight = readBack();
    {
        SCOPED_TRACE("0 degrees");
        expectPlate(straight, barkPlate, barkColour, worldAngleAt(10));
        expectPlate(straight, whitePlate, white, worldAngleAt(10));
    }

    resizeWindow();
    drawFrame(1360, 0.0f);
    const Picture turned = readBack();
    const double angle = worldAngleAt(1360);
    ASSERT_EQ(angle, 90.0);
    {
        SCOPED_TRACE("90 degrees");
        expectPlate(turned, barkPlate, barkColour, angle);
        expectPlate(turned, whitePlate, white, angle);
    }
    // Where the bark plate stood before the turn, the scene behind it now shows.
    const Vec3 oldMiddle = turnedAboutY({50.0, 90.0, 0.0}, -angle);
    Rgb behind;
    ASSERT_TRUE(seenBehind(oldMiddle, angle, behind));
    EXPECT_TRUE(colourNear(turned, project(worldToCamera(oldMiddle, angle)), behind));
}

TEST_F(TreeRender, MissingModelLeavesTheRestOfTheFrameIntact)
{
    ASSERT_NO_FATAL_FAILURE(stageWithoutModel());
    ASSERT_TRUE(openScene());
    expectNoTree();
}

TEST_F(TreeRender, RefusedModelLeavesTheRestOfTheFrameIntact)
{
    ASSERT_NO_FATAL_FAILURE(stageWithoutModel());
    ASSERT_TRUE(writeMs3d(data("tree.ms3d"), {barkPlate, whitePlate}, {"data/bark.tga"}));
    // Version 5 at offset 10: a file the reader refuses whole.
    FILE *f = std::fopen(data("tree.ms3d").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 10, SEEK_SET);
    std::fputc(5, f);
    std::fclose(f);
    ASSERT_TRUE(openScene());
    expectNoTree();
}
