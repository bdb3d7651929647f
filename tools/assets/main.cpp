// frostel-assets: writes the demo's default data folder (model, images, music).
#include <iostream>

#include "data_files.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: frostel-assets OUTDIR\n";
        return 2;
    }
    return frostel_assets::writeDataFolder(argv[1], std::cerr) ? 0 : 1;
}
