// The four arrays of a model as one hand-over record, so the reader can fill them apart from any model.
#pragma once

#include "assets/mesh_model.h"

#include <cstdint>

// Field for field what MeshModel holds; counts 0 go with null arrays.
struct ModelArrays {
    int32_t meshCount = 0;
    ModelMesh *meshes = nullptr;
    int32_t materialCount = 0;
    ModelMaterial *materials = nullptr;
    int32_t triangleCount = 0;
    ModelTriangle *triangles = nullptr;
    int32_t vertexCount = 0;
    ModelVertex *vertices = nullptr;
};

// Releases every mesh's triangleIndices, every material's textureFile, then meshes,
// materials, triangles and vertices, leaving all counts 0 and all arrays null. Works on
// partly filled arrays too, as long as unfilled pointers are null.
void releaseModelArrays(ModelArrays &arrays);
