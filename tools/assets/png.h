// PNG and ICO encoding for the icons and the film's frames: our own deflate, so the bytes never change.
#pragma once

#include <vector>

#include "formats.h"

namespace frostel_assets {

// Deflate with the fixed codes and greedy matching inside a zlib stream: small enough for
// icons and pictures with large even areas, and the same bytes on every build.
Bytes zlibCompress(const Bytes &data);

// 8-bit RGBA, or RGB when `alpha` is false; rows top first, each with the Sub filter.
Bytes encodePng(const Image &image, bool alpha = true);

// One icon file holding every image: sizes below 256 as 32-bit bitmaps with their mask, which every
// Windows reads, and 256 as PNG, as Windows expects it. Images must be square, 1 to 256 wide.
Bytes encodeIco(const std::vector<Image> &images);

}  // namespace frostel_assets
