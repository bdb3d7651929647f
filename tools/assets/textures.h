// Generators for the demo's images: ground snow, snowflake, sparkle, overlay and the tree's textures.
#pragma once

#include "formats.h"

namespace frostel_assets {

Image makeSnowTexture();       // ground, tiles seamlessly, opaque
Image makeSnowflakeTexture();  // one flake centred on the corners, so it wraps
Image makeShineTexture();      // soft star-shaped glow for the sparkles
Image makeOverlayTexture();    // frosty frame, clear in the middle
Image makeBarkTexture();       // trunk, tiles seamlessly
Image makeNeedlesTexture();    // the tree's atlas, laid out as below

// Layout of the needles atlas. Rows are counted from the top of the picture.
namespace atlas {
constexpr int kSize = 256;
// A fir frond seen from above: its base at the left edge of the cell, its tip at the
// right, the midrib along the middle row. Needles are cut out by alpha; snow lies
// along the midrib.
struct Cell {
    int left;
    int top;
    int width;
    int height;
};
constexpr Cell kFronds[] = {{0, 0, 256, 64}, {0, 64, 256, 64}, {0, 128, 128, 32}, {128, 128, 128, 32}};
constexpr int kFrondCount = 4;
constexpr int kLargeFronds = 2;  // the first two; the small ones suit the short upper branches
// Dense shaded needles inside the tree, spanning the full width so they wrap round it:
// darkest at the top row (by the trunk), a little lighter at the bottom row (outside).
constexpr Cell kInner{0, 160, 256, 32};
// Gold shades for the star, brightest first, each kGold.width wide.
constexpr Cell kGold{0, 192, 16, 64};
constexpr int kGoldStrips = 4;
// Snow from shaded (top row) to lit (bottom row).
constexpr Cell kSnow{64, 192, 64, 64};
// Radial shadow for the ground under the tree, alpha fading outwards.
constexpr Cell kShadow{128, 192, 64, 64};
}  // namespace atlas

}  // namespace frostel_assets
