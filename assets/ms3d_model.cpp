// Ms3dModel: loads an MS3D file into the model and resolves its textures.
#include "assets/mesh_model.h"

#include "assets/ms3d_reader.h"

bool Ms3dModel::loadFromFile(const char *fileName)
{
    // A model loaded twice holds only the second file (or nothing, if that one is refused).
    release();
    ModelArrays arrays;
    if (!readMs3dFile(fileName, arrays, nullptr, nullptr, 0)) return false;
    meshCount = arrays.meshCount;
    meshes = arrays.meshes;
    materialCount = arrays.materialCount;
    materials = arrays.materials;
    triangleCount = arrays.triangleCount;
    triangles = arrays.triangles;
    vertexCount = arrays.vertexCount;
    vertices = arrays.vertices;
    resolveTextures();
    return true;
}
