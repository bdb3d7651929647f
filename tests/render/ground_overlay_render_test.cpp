// What a viewer sees of the ground and the overlay: corners, tiling, blending by the overlay's alpha.
#include "tests/render/render_stage.h"

#include <cmath>

namespace {

// The snow image: each 50 x 50 tile split in four colours, so position, tiling and turn all show.
const Rgb lowSlowT = {200, 60, 60};
const Rgb highSlowT = {60, 190, 70};
const Rgb lowShighT = {70, 80, 210};
const Rgb highShighT = {210, 190, 50};

const Rgb snowColour = {40, 150, 210};

double fraction(double v) { return v - std::floor(v); }

Rgb snowPatternAt(double x, double z)
{
    const bool highS = fraction(x / 50.0) >= 0.5, highT = fraction(z / 50.0) >= 0.5;
    return highT ? (highS ? highShighT : lowShighT) : (highS ? highSlowT : lowSlowT);
}

bool writeSnowPattern(const std::string &path)
{
    return writeTga(path, 16, 16, 32, [](int column, int row) {
        const Rgb c = row < 8 ? (column < 8 ? lowSlowT : highSlowT) : (column < 8 ? lowShighT : highShighT);
        return Rgba{uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), 255};
    });
}

bool writeClearOverlay(const std::string &path)
{
    return writeTga(path, 4, 4, 32, [](int, int) { return Rgba{255, 0, 255, 0}; });
}

// Vertical bands of alpha 0, 0.5, 1 and 0.25 from left to right; one colour in the lower half, another above.
const int bandAlpha[4] = {0, 128, 255, 64};
const Rgb overlayLow = {230, 120, 20};
const Rgb overlayHigh = {20, 200, 160};

bool writeBandOverlay(const std::string &path)
{
    return writeTga(path, 64, 64, 32, [](int column, int row) {
        const Rgb c = row < 32 ? overlayLow : overlayHigh;
        return Rgba{uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), uint8_t(bandAlpha[column / 16])};
    });
}

// What lies under the overlay at a screen point: the solid ground, the cleared background, or too
// near the ground's edge to say.
enum class Under { ground, background, unsure };

Under sceneUnder(ScreenPoint p, double degrees)
{
    switch (sideOf(groundOnScreen(degrees), p, 2.0)) {
    case Side::inside: return Under::ground;
    case Side::outside: return Under::background;
    default: return Under::unsure;
    }
}

Rgb colourOf(Under u) { return u == Under::ground ? snowColour : black; }

class GroundRender : public RenderStage { };
class OverlayRender : public RenderStage { };

}  // namespace

TEST_F(GroundRender, CornersAndEdgesLandWhereTheTurnedSquareProjectsAndItsTilesShowTheSnowImage)
{
    ASSERT_TRUE(writeSnowPattern(data("snow.tga")));
    ASSERT_TRUE(writeClearOverlay(data("overlay.tga")));
    ASSERT_TRUE(openScene());

    // 4110 ms gives 274 degrees: a turn the square's symmetry cannot hide, unlike 90 or 180.
    for (uint32_t elapsed : {10u, 300u, 4110u}) {
        SCOPED_TRACE("elapsed " + std::to_string(elapsed) + " ms");
        const double angle = worldAngleAt(elapsed);
        resizeWindow();  // clears the colour buffer: nothing of the last angle stays
        drawFrame(elapsed, 0.0f);
        const Picture picture = readBack();
        auto at = [angle](double x, double z) { return project(worldToCamera({x, 0.0, z}, angle)); };

        int cornersIn = 0, cornersOut = 0, edges = 0;
        for (double sx : {-1.0, 1.0})
            for (double sz : {-1.0, 1.0}) {
                // Four units in from the corner and four beyond it, along the diagonal.
                const ScreenPoint in = at(96 * sx, 96 * sz), out = at(104 * sx, 104 * sz);
                if (onScreen(in, 3)) {
                    EXPECT_TRUE(colourNear(picture, in, snowPatternAt(96 * sx, 96 * sz)));
                    ++cornersIn;
                }
                if (onScreen(out, 3)) {
                    EXPECT_TRUE(colourNear(picture, out, black));
                    ++cornersOut;
                }
            }
        for (double along : {-62.5, 12.5, 62.5})
            for (double side : {-1.0, 1.0}) {
                const double inside[2][2] = {{along, 96 * side}, {96 * side, along}};
                const double outside[2][2] = {{along, 104 * side}, {104 * side, along}};
                for (int e = 0; e < 2; ++e) {
                    const ScreenPoint in = at(inside[e][0], inside[e][1]), out = at(outside[e][0], outside[e][1]);
                    if (!onScreen(in, 3) || !onScreen(out, 3)) continue;
                    EXPECT_TRUE(colourNear(picture, in, snowPatternAt(inside[e][0], inside[e][1])));
                    EXPECT_TRUE(colourNear(picture, out, black));
                    ++edges;
                }
            }
        // The near corner is always below the view; the far one and at least one side corner are in it.
        EXPECT_GE(cornersIn, 2);
        EXPECT_GE(cornersOut, 2);
        EXPECT_GE(edges, 6);

        // The middle of every quarter of every tile: four tiles per side, the image the right way round.
        int tiles = 0;
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j) {
                const double x = -87.5 + 25.0 * i, z = -87.5 + 25.0 * j;
                const ScreenPoint p = at(x, z);
                if (!onScreen(p, 3)) continue;
                EXPECT_TRUE(colourNear(picture, p, snowPatternAt(x, z)));
                ++tiles;
            }
        EXPECT_GE(tiles, 40);
    }
}

TEST_F(OverlayRender, BlendsOverTheSceneBySourceAlphaAndShowsTheImageUpright)
{
    ASSERT_TRUE(writeSolidTga(data("snow.tga"), snowColour));
    ASSERT_TRUE(writeBandOverlay(data("overlay.tga")));
    ASSERT_TRUE(openScene());
    drawFrame(10, 0.0f);
    const Picture picture = readBack();
    const double angle = worldAngleAt(10);

    int overGround = 0, overBackground = 0;
    for (int band = 0; band < 4; ++band)
        for (double offset : {-0.07, 0.0, 0.07})
            for (double t : {0.1, 0.25, 0.4, 0.6, 0.75, 0.9}) {
                const ScreenPoint p = overlayPoint((band + 0.5 + offset * 4) / 4.0, t);
                const Under under = sceneUnder(p, angle);
                if (!onScreen(p, 1) || under == Under::unsure) continue;
                (under == Under::ground ? overGround : overBackground) += 1;
                // The first stored row is the image's bottom: the lower half shows the first colour.
                const Rgb source = t < 0.5 ? overlayLow : overlayHigh;
                EXPECT_TRUE(colourNear(picture, p, blend(source, bandAlpha[band], colourOf(under))))
                    << "band " << band << ", s offset " << offset << ", t " << t;
            }
    EXPECT_GT(overGround, 10);
    EXPECT_GT(overBackground, 10);
}

TEST_F(OverlayRender, StaysFixedOnScreenWhileTheWorldTurnsBeneathIt)
{
    ASSERT_TRUE(writeSolidTga(data("snow.tga"), snowColour));
    ASSERT_TRUE(writeBandOverlay(data("overlay.tga")));
    ASSERT_TRUE(openScene());
    drawFrame(10, 0.0f);
    const Picture first = readBack();
    drawFrame(300, 0.0f);
    const Picture second = readBack();

    // The opaque band: the same pixels in both frames, whatever turned beneath. A texel of the 64-wide
    // image is about 8 pixels; keep one texel clear of the filtered band edges.
    const int left = static_cast<int>(std::ceil(overlayPoint(0.5, 0).x)) + 9;
    const int right = static_cast<int>(std::floor(overlayPoint(0.75, 0).x)) - 9;
    ASSERT_LT(left, right);
    int differing = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = left; x <= right; ++x) {
            const Rgb a = first.at(x, y), b = second.at(x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) ++differing;
        }
    EXPECT_EQ(differing, 0);

    // Every band: the first frame over the ground or the cleared background; the second over the turned
    // ground, or else over what the first frame left there, since only depth is cleared between frames.
    const double angle0 = worldAngleAt(10), angle1 = worldAngleAt(300);
    int revealed = 0;
    for (int band = 0; band < 4; ++band)
        for (double offset : {-0.08, -0.03, 0.03, 0.08})
            for (double t : {0.1, 0.2, 0.3, 0.4, 0.6, 0.7, 0.8, 0.9}) {
                const ScreenPoint p = overlayPoint((band + 0.5 + offset * 4) / 4.0, t);
                const Under under0 = sceneUnder(p, angle0), under1 = sceneUnder(p, angle1);
                if (!onScreen(p, 1) || under0 == Under::unsure || under1 == Under::unsure) continue;
                const Rgb source = t < 0.5 ? overlayLow : overlayHigh;
                const Rgb shown0 = blend(source, bandAlpha[band], colourOf(under0));
                const Rgb shown1 = blend(source, bandAlpha[band], under1 == Under::ground ? snowColour : shown0);
                EXPECT_TRUE(colourNear(first, p, shown0)) << "band " << band << ", t " << t;
                EXPECT_TRUE(colourNear(second, p, shown1)) << "band " << band << ", t " << t;
                if (bandAlpha[band] == 0 && under0 != under1) ++revealed;
            }
    EXPECT_GT(revealed, 0) << "the turn should move the ground under the clear band";
}

TEST_F(OverlayRender, MissingImageWhitensTheWholeViewUntilItLoads)
{
    ASSERT_TRUE(writeSolidTga(data("snow.tga"), snowColour));
    ASSERT_TRUE(openScene());
    drawFrame(10, 0.0f);
    const Picture blank = readBack();
    int notWhite = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const Rgb c = blank.at(x, y);
            if (c.r < 253 || c.g < 253 || c.b < 253) ++notWhite;
        }
    EXPECT_EQ(notWhite, 0) << "the untextured overlay must cover every pixel in opaque white";

    // The image is looked for again in the next frame: the ground shows through, and the white of the
    // frame before stays wherever this frame draws nothing.
    ASSERT_TRUE(writeClearOverlay(data("overlay.tga")));
    drawFrame(300, 0.0f);
    const Picture shown = readBack();
    const double angle = worldAngleAt(300);
    EXPECT_TRUE(colourNear(shown, project(worldToCamera({0.0, 0.0, 0.0}, angle)), snowColour));
    EXPECT_TRUE(colourNear(shown, project(worldToCamera({-90.0, 0.0, -90.0}, angle)), snowColour));
    EXPECT_TRUE(colourNear(shown, {256.5, 480.5}, white));
    EXPECT_TRUE(colourNear(shown, {20.5, 480.5}, white));
}
