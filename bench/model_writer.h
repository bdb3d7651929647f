// The generated models of the benchmarks: one group holding every triangle, with the default bark.
#pragma once

#include "formats.h"

#include <string>

void useOneBarkGroup(frostel_assets::Mesh &mesh, const std::string &groupName);

// Encodes `mesh` as MS3D into `path`; false when it cannot be written.
bool writeMesh(const std::string &path, const frostel_assets::Mesh &mesh);
