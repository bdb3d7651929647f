// Generator for the snow-laden fir: trunk, drooping branch tiers, fringes, a star and its shadow.
#pragma once

#include "formats.h"

namespace frostel_assets {

// Base at y = 0 on the ground, top of the star's centre at y = kTreeTop.
constexpr float kTreeTop = 150.0f;

// Nothing in the scene lights the tree, so all its shading comes from where the
// texture coordinates fall in the atlas (see textures.h).
Mesh makeTree();

}  // namespace frostel_assets
