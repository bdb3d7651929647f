// The program's icon: a snowy fir with its gold star on a night-blue tile, drawn from one list of shapes
// both as pixels (the PNG sizes and the Windows icon) and as SVG.
#pragma once

#include <string>
#include <vector>

#include "data_files.h"
#include "formats.h"

namespace frostel_assets {

// The sizes the desktop's icon theme gets, and the ones the Windows icon holds.
const std::vector<int> &iconSizes();
const std::vector<int> &windowsIconSizes();
// The sizes a web app manifest asks for (a phone's home screen, a desktop's app list).
const std::vector<int> &webIconSizes();

// The icon at `size` x `size` pixels, straight (not premultiplied) alpha, clear outside the tile; or, maskable,
// opaque to every edge with the picture inside the middle circle a system's mask always keeps.
Image makeIcon(int size, bool maskable = false);
// The same shapes as an SVG document.
std::string makeIconSvg();

// frostel-<size>.png for every theme and web size, frostel-maskable-<size>.png for every web size, frostel.svg
// and frostel.ico.
std::vector<DataFile> makeIconFiles();

}  // namespace frostel_assets
