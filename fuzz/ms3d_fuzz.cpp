// Fuzz target for the MS3D reader: no crash, no leak, and an accepted model draws only from inside its arrays.
#include "assets/ms3d_reader.h"

#include <cstdlib>
#include <cstring>

// Keeps the walk below from being optimised away.
volatile float fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ModelArrays model;
    char reason[256] = "";
    if (!readMs3d(data, size, model, nullptr, reason, sizeof reason)) {
        // Refusals always explain themselves, and nothing is left allocated.
        if (std::strlen(reason) == 0 || model.meshes || model.materials || model.triangles || model.vertices)
            std::abort();
        return 0;
    }
    // Walk everything drawing would touch; the sanitizers catch any read outside an array.
    float sum = 0;
    for (int32_t m = 0; m < model.meshCount; ++m) {
        const ModelMesh &mesh = model.meshes[m];
        if (mesh.materialIndex >= model.materialCount) std::abort();
        if (mesh.materialIndex >= 0) sum += model.materials[mesh.materialIndex].shininess;
        for (int32_t k = 0; k < mesh.triangleCount; ++k) {
            const ModelTriangle &triangle = model.triangles[mesh.triangleIndices[k]];
            for (int corner = 0; corner < 3; ++corner)
                sum += model.vertices[triangle.vertexIndices[corner]].position[0] + triangle.t[corner];
        }
    }
    for (int32_t i = 0; i < model.materialCount; ++i)
        if (std::strlen(model.materials[i].textureFile) > 127) std::abort();
    releaseModelArrays(model);
    fuzzSink = sum;
    return 0;
}
