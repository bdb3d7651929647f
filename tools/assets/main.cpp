// frostel-assets: writes the demo's default data folder (model, images, music), or its icons.
#include <cstring>
#include <iostream>

#include "data_files.h"
#include "icon.h"

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--icons") == 0)
        return frostel_assets::writeFiles(argv[2], frostel_assets::makeIconFiles(), std::cerr) ? 0 : 1;
    if (argc != 2 || argv[1][0] == '-') {
        std::cerr << "usage: frostel-assets OUTDIR\n"
                     "       frostel-assets --icons OUTDIR\n";
        return 2;
    }
    return frostel_assets::writeDataFolder(argv[1], std::cerr) ? 0 : 1;
}
