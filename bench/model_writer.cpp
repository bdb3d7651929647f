// The generated models of the benchmarks, written with the data writer's own MS3D encoder.
#include "bench/model_writer.h"

#include <cstdio>

void useOneBarkGroup(frostel_assets::Mesh &mesh, const std::string &groupName)
{
    frostel_assets::MeshGroup group;
    group.name = groupName;
    group.material = 0;
    mesh.groups.push_back(group);
    frostel_assets::MeshMaterial material;
    material.name = "bark";
    material.texture = "data/bark.tga";
    mesh.materials.push_back(material);
}

bool writeMesh(const std::string &path, const frostel_assets::Mesh &mesh)
{
    const frostel_assets::Bytes bytes = frostel_assets::encodeMs3d(mesh);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
