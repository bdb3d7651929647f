// The model's lifetime and its link to the texture cache.
#include "assets/mesh_model.h"

#include "assets/model_arrays.h"
#include "assets/texture_cache.h"

MeshModel::~MeshModel() { release(); }

void MeshModel::release()
{
    ModelArrays arrays{meshCount, meshes, materialCount, materials, triangleCount, triangles, vertexCount, vertices};
    releaseModelArrays(arrays);
    meshCount = materialCount = triangleCount = vertexCount = 0;
    meshes = nullptr;
    materials = nullptr;
    triangles = nullptr;
    vertices = nullptr;
}

void MeshModel::resolveTextures()
{
    for (int32_t i = 0; i < materialCount; ++i) {
        ModelMaterial &material = materials[i];
        const bool hasImage = material.textureFile && material.textureFile[0] != '\0';
        material.texture = hasImage ? loadTexture(material.textureFile) : 0;
    }
}
