// The default data folder: every file the demo reads, made in memory and written out.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "formats.h"

namespace frostel_assets {

struct DataFile {
    std::string name;  // as it appears in the folder
    Bytes bytes;
};

// Always the same bytes: nothing depends on time, place or uninitialised memory.
std::vector<DataFile> makeDataFiles();

// Creates `folder` if needed and writes `files` into it. Returns false, after saying why on
// `errors`, when the folder cannot be made or a file cannot be written.
bool writeFiles(const std::string &folder, const std::vector<DataFile> &files, std::ostream &errors);

// Creates `folder` if needed and writes every file into it. Returns false, after
// saying why on `errors`, when a file cannot be written.
bool writeDataFolder(const std::string &folder, std::ostream &errors);

}  // namespace frostel_assets
