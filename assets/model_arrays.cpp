// Releasing a model's arrays, shared by the model's destructor and a reader giving up half-way.
#include "assets/model_arrays.h"

void releaseModelArrays(ModelArrays &arrays)
{
    for (int32_t i = 0; arrays.meshes && i < arrays.meshCount; ++i) {
        delete[] arrays.meshes[i].triangleIndices;
        arrays.meshes[i].triangleIndices = nullptr;
        arrays.meshes[i].triangleCount = 0;
    }
    for (int32_t i = 0; arrays.materials && i < arrays.materialCount; ++i) {
        delete[] arrays.materials[i].textureFile;
        arrays.materials[i].textureFile = nullptr;
    }
    delete[] arrays.meshes;
    arrays.meshes = nullptr;
    arrays.meshCount = 0;
    delete[] arrays.materials;
    arrays.materials = nullptr;
    arrays.materialCount = 0;
    delete[] arrays.triangles;
    arrays.triangles = nullptr;
    arrays.triangleCount = 0;
    delete[] arrays.vertices;
    arrays.vertices = nullptr;
    arrays.vertexCount = 0;
}
