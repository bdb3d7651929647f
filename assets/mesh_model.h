// Model data held in memory (meshes, materials, triangles, vertices) and the MS3D reader.
#pragma once

#include <cstdint>

struct ModelMesh {
    int32_t materialIndex;  // negative: no material
    int32_t triangleCount;
    int32_t *triangleIndices;
};

struct ModelMaterial {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];
    float shininess;
    uint32_t texture;   // filled by resolveTextures, 0 for none
    char *textureFile;  // as stored in the file; empty when the material has no image
};

struct ModelTriangle {
    float normals[3][3];
    float s[3];
    float t[3];  // 1 - t of the file
    int32_t vertexIndices[3];
};

struct ModelVertex {
    int8_t boneId;
    float position[3];
};

class MeshModel {
public:
    MeshModel() = default;
    MeshModel(const MeshModel &) = delete;
    MeshModel &operator=(const MeshModel &) = delete;
    virtual ~MeshModel();

    virtual bool loadFromFile(const char *fileName) = 0;

    void resolveTextures();
    void draw();

    int32_t meshCount = 0;
    ModelMesh *meshes = nullptr;
    int32_t materialCount = 0;
    ModelMaterial *materials = nullptr;
    int32_t triangleCount = 0;
    ModelTriangle *triangles = nullptr;
    int32_t vertexCount = 0;
    ModelVertex *vertices = nullptr;

protected:
    // Releases every array and leaves the model empty.
    void release();
};

class Ms3dModel : public MeshModel {
public:
    bool loadFromFile(const char *fileName) override;
};
