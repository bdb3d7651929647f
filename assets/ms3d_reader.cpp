// MS3D reader: header, vertices, triangles, groups and materials, every read and index bounds-checked.
#include "assets/ms3d_reader.h"

#include "assets/asset_file.h"
#include "common/file_position.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char identifier[] = "MS3D000000";
const size_t identifierSize = 10;
const size_t headerSize = 14;
const size_t vertexSize = 15;
const size_t triangleSize = 70;
const size_t groupFixedSize = 36;  // plus 2 bytes per triangle index
const size_t materialSize = 361;
const size_t textureNameOffset = 105;
const size_t textureNameSize = 128;

// The longest file whose every byte belongs to the model: each of the four counts is 16 bits, so 65535
// vertices, triangles, groups and materials, each group holding 65535 triangle indices of 2 bytes:
// 14 + (2 + 65535 x 15) + (2 + 65535 x 70) + (2 + 65535 x (36 + 2 x 65535)) + (2 + 65535 x 361) bytes,
// about 8 GB. A longer file holds more than any model and is refused unread.
const uint64_t largestMs3dFile = headerSize + (2 + 65535ull * vertexSize) + (2 + 65535ull * triangleSize) +
                                 (2 + 65535ull * (groupFixedSize + 2 * 65535ull)) + (2 + 65535ull * materialSize);
// Up to this length one read of the whole file costs less than first measuring how far its model goes.
const uint64_t wholeFileRead = 16u << 20;

uint16_t u16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t u32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

float f32(const uint8_t *p)
{
    const uint32_t bits = u32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Where the host stores floats as the file does, a run of them is one copy.
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_MSC_VER)
void copyFloats(float *to, const uint8_t *from, size_t count) { std::memcpy(to, from, 4 * count); }
#else
void copyFloats(float *to, const uint8_t *from, size_t count)
{
    for (size_t i = 0; i < count; ++i) to[i] = f32(from + 4 * i);
}
#endif

// A position in the file image that refuses to move past its end.
struct Reader {
    const uint8_t *image;
    size_t size;
    size_t pos;
    char *reason;
    size_t reasonSize;

    const uint8_t *here() const { return image + pos; }
    bool has(size_t bytes) const { return size - pos >= bytes; }

    // True when `bytes` more are there; otherwise says how many are missing.
    bool need(size_t bytes, const char *what)
    {
        const size_t left = size - pos;
        if (left >= bytes) return true;
        return refuse(reason, reasonSize, "file too short for %s: %zu bytes needed, %zu missing", what, bytes,
                      bytes - left);
    }

    // The descriptions are only written out when something is missing: a whole file reads without them.
    bool count(const char *section, uint16_t &value)
    {
        if (!has(2)) {
            char what[48];
            std::snprintf(what, sizeof what, "the %s count", section);
            return need(2, what);
        }
        value = u16(here());
        pos += 2;
        return true;
    }

    bool records(uint16_t number, size_t recordSize, const char *kind)
    {
        if (has(number * recordSize)) return true;
        char what[48];
        std::snprintf(what, sizeof what, "%u %s record%s", static_cast<unsigned>(number), kind, number == 1 ? "" : "s");
        return need(number * recordSize, what);
    }

    bool outOfMemory(const char *what) { return refuse(reason, reasonSize, "out of memory for the %s", what); }
};

bool readVertices(Reader &in, ModelArrays &model)
{
    uint16_t count = 0;
    if (!in.count("vertex", count) || !in.records(count, vertexSize, "vertex")) return false;
    if (count == 0) return true;
    model.vertices = new (std::nothrow) ModelVertex[count];
    if (!model.vertices) return in.outOfMemory("vertices");
    model.vertexCount = count;
    for (uint16_t i = 0; i < count; ++i, in.pos += vertexSize) {
        const uint8_t *p = in.here();
        ModelVertex &vertex = model.vertices[i];
        copyFloats(vertex.position, p + 1, 3);
        vertex.boneId = static_cast<int8_t>(p[13]);
    }
    return true;
}

bool readTriangles(Reader &in, ModelArrays &model)
{
    uint16_t count = 0;
    if (!in.count("triangle", count) || !in.records(count, triangleSize, "triangle")) return false;
    if (count == 0) return true;
    model.triangles = new (std::nothrow) ModelTriangle[count];
    if (!model.triangles) return in.outOfMemory("triangles");
    model.triangleCount = count;
    for (uint16_t i = 0; i < count; ++i, in.pos += triangleSize) {
        const uint8_t *p = in.here();
        ModelTriangle &triangle = model.triangles[i];
        const uint16_t v0 = u16(p + 2), v1 = u16(p + 4), v2 = u16(p + 6);
        // One test for the three corners; the slow path names the first one out of range.
        if ((v0 > v1 ? (v0 > v2 ? v0 : v2) : (v1 > v2 ? v1 : v2)) >= model.vertexCount)
            for (int corner = 0; corner < 3; ++corner) {
                const uint16_t vertex = u16(p + 2 + 2 * corner);
                if (vertex >= model.vertexCount)
                    return refuse(in.reason, in.reasonSize,
                                  "out of range: triangle %u corner %d names vertex %u, but the model has %d vertices",
                                  static_cast<unsigned>(i), corner, static_cast<unsigned>(vertex), model.vertexCount);
            }
        triangle.vertexIndices[0] = v0;
        triangle.vertexIndices[1] = v1;
        triangle.vertexIndices[2] = v2;
        // Normals, s and t lie in the file in the order the triangle keeps them.
        for (int corner = 0; corner < 3; ++corner) copyFloats(triangle.normals[corner], p + 8 + 12 * corner, 3);
        copyFloats(triangle.s, p + 44, 3);
        // The file counts t from the top of the image, OpenGL from the first stored row.
        copyFloats(triangle.t, p + 56, 3);
        for (float &t : triangle.t) t = 1.0f - t;
    }
    return true;
}

bool readGroups(Reader &in, ModelArrays &model)
{
    uint16_t count = 0;
    if (!in.count("group", count)) return false;
    if (count == 0) return true;
    // Each group's length depends on its own triangle count, so check the smallest
    // possible section before allocating for all of them.
    if (!in.records(count, groupFixedSize, "group")) return false;
    model.meshes = new (std::nothrow) ModelMesh[count]();
    if (!model.meshes) return in.outOfMemory("meshes");
    model.meshCount = count;
    for (uint16_t g = 0; g < count; ++g) {
        char what[64];
        if (!in.has(groupFixedSize - 1)) {
            std::snprintf(what, sizeof what, "group %u", static_cast<unsigned>(g));
            return in.need(groupFixedSize - 1, what);
        }
        const uint16_t n = u16(in.here() + 33);
        if (!in.has(groupFixedSize + 2u * n)) {
            std::snprintf(what, sizeof what, "group %u with %u triangles", static_cast<unsigned>(g),
                          static_cast<unsigned>(n));
            return in.need(groupFixedSize + 2u * n, what);
        }
        const uint8_t *p = in.here();
        ModelMesh &mesh = model.meshes[g];
        if (n > 0) {
            mesh.triangleIndices = new (std::nothrow) int32_t[n];
            if (!mesh.triangleIndices) return in.outOfMemory("triangle indices");
        }
        mesh.triangleCount = n;
        for (uint16_t k = 0; k < n; ++k) {
            const uint16_t triangle = u16(p + 35 + 2 * k);
            if (triangle >= model.triangleCount)
                return refuse(in.reason, in.reasonSize,
                              "out of range: group %u entry %u names triangle %u, but the model has %d triangles",
                              static_cast<unsigned>(g), static_cast<unsigned>(k), static_cast<unsigned>(triangle),
                              model.triangleCount);
            mesh.triangleIndices[k] = triangle;
        }
        mesh.materialIndex = static_cast<int8_t>(p[35 + 2 * n]);
        in.pos += groupFixedSize + 2u * n;
    }
    return true;
}

bool readMaterials(Reader &in, ModelArrays &model)
{
    uint16_t count = 0;
    if (!in.count("material", count) || !in.records(count, materialSize, "material")) return false;
    if (count == 0) return true;
    model.materials = new (std::nothrow) ModelMaterial[count]();
    if (!model.materials) return in.outOfMemory("materials");
    model.materialCount = count;
    for (uint16_t i = 0; i < count; ++i, in.pos += materialSize) {
        const uint8_t *p = in.here();
        ModelMaterial &material = model.materials[i];
        copyFloats(material.ambient, p + 32, 4);
        copyFloats(material.diffuse, p + 48, 4);
        copyFloats(material.specular, p + 64, 4);
        copyFloats(material.emissive, p + 80, 4);
        material.shininess = f32(p + 96);
        // Whatever follows the first zero is left alone: real files keep stale bytes there.
        const uint8_t *name = p + textureNameOffset;
        const void *end = std::memchr(name, 0, textureNameSize);
        if (!end)
            return refuse(in.reason, in.reasonSize,
                          "material %u: texture file name has no terminating zero within its %zu bytes",
                          static_cast<unsigned>(i), textureNameSize);
        const size_t length = static_cast<size_t>(static_cast<const uint8_t *>(end) - name);
        material.textureFile = new (std::nothrow) char[length + 1];
        if (!material.textureFile) return in.outOfMemory("texture file names");
        std::memcpy(material.textureFile, name, length + 1);
    }
    return true;
}

// Material indices can only be checked once the material count, which comes last, is known.
bool checkMaterialIndices(Reader &in, const ModelArrays &model)
{
    for (int32_t g = 0; g < model.meshCount; ++g) {
        const int32_t material = model.meshes[g].materialIndex;
        if (material >= model.materialCount)
            return refuse(in.reason, in.reasonSize,
                          "out of range: group %d names material %d, but the model has %d materials", g, material,
                          model.materialCount);
    }
    return true;
}

// The identifier, then the version: the only checks made before anything else is read.
bool checkHeader(const uint8_t *image, size_t size, int32_t &version, char *reason, size_t reasonSize)
{
    for (size_t i = 0; i < identifierSize; ++i) {
        if (i == size)
            return refuse(reason, reasonSize, "file ends after %zu bytes, inside the %zu-byte header", size,
                          headerSize);
        if (image[i] != static_cast<uint8_t>(identifier[i]))
            return refuse(reason, reasonSize, "not an MS3D file: byte %zu is 0x%02x where \"%s\" has '%c' (0x%02x)", i,
                          image[i], identifier, identifier[i], static_cast<unsigned>(identifier[i]));
    }
    if (size < headerSize)
        return refuse(reason, reasonSize, "file ends after %zu bytes, inside the %zu-byte header", size, headerSize);
    version = static_cast<int32_t>(u32(image + identifierSize));
    if (version < 3 || version > 4)
        return refuse(reason, reasonSize, "version %d; only versions 3 and 4 are read", version);
    return true;
}

// Beyond 2 GB too, where `long` is 32 bits.
bool seekTo(std::FILE *file, uint64_t offset) { return setFilePosition(file, static_cast<int64_t>(offset), SEEK_SET); }

// Where the four sections end, found from their counts alone, or the file's length when it ends first (the
// parse then says what is missing). What follows them is never read, so a small model in a huge file costs
// only the model.
uint64_t modelExtent(std::FILE *file, uint64_t size)
{
    uint64_t pos = headerSize;
    const auto countAt = [&](uint64_t at, uint16_t &value) {
        uint8_t bytes[2];
        if (at + 2 > size || !seekTo(file, at) || std::fread(bytes, 1, 2, file) != 2) return false;
        value = u16(bytes);
        return true;
    };
    uint16_t count = 0;
    if (!countAt(pos, count)) return size;
    pos += 2 + uint64_t{count} * vertexSize;
    if (!countAt(pos, count)) return size;
    pos += 2 + uint64_t{count} * triangleSize;
    if (!countAt(pos, count)) return size;
    pos += 2;
    for (uint16_t g = 0, n = 0; g < count; ++g) {
        // A group's own triangle count follows its flags and its 32-byte name.
        if (!countAt(pos + 33, n)) return size;
        pos += groupFixedSize + 2u * n;
    }
    if (!countAt(pos, count)) return size;
    pos += 2 + uint64_t{count} * materialSize;
    return pos < size ? pos : size;
}

}  // namespace

bool readMs3d(const uint8_t *image, size_t size, ModelArrays &arrays, int32_t *version, char *reason, size_t reasonSize)
{
    int32_t fileVersion = 0;
    if (!checkHeader(image, size, fileVersion, reason, reasonSize)) return false;

    Reader in{image, size, headerSize, reason, reasonSize};
    ModelArrays model;
    if (!readVertices(in, model) || !readTriangles(in, model) || !readGroups(in, model) || !readMaterials(in, model) ||
        !checkMaterialIndices(in, model)) {
        releaseModelArrays(model);
        return false;
    }
    arrays = model;
    if (version) *version = fileVersion;
    return true;
}

bool readMs3dFile(const char *fileName, ModelArrays &arrays, int32_t *version, char *reason, size_t reasonSize)
{
    uint64_t fileSize = 0;
    std::FILE *file = openAssetFile(fileName, reason, reasonSize, &fileSize);
    if (!file) return false;
    // A file that is not a model is refused from its first bytes, however long it is.
    uint8_t header[headerSize];
    int32_t fileVersion = 0;
    const size_t headerGot = std::fread(header, 1, fileSize < headerSize ? size_t(fileSize) : headerSize, file);
    if (!checkHeader(header, headerGot, fileVersion, reason, reasonSize)) {
        std::fclose(file);
        return false;
    }
    if (fileSize > largestMs3dFile) {
        std::fclose(file);
        return refuse(reason, reasonSize,
                      "file too large: %llu bytes, where the largest model the format can hold takes %llu",
                      static_cast<unsigned long long>(fileSize), static_cast<unsigned long long>(largestMs3dFile));
    }
    const uint64_t extent = fileSize <= wholeFileRead ? fileSize : modelExtent(file, fileSize);
    const auto size = static_cast<size_t>(extent);
    auto *image = static_cast<uint8_t *>(size == extent ? std::malloc(size) : nullptr);
    if (!image) {
        std::fclose(file);
        return refuse(reason, reasonSize, "out of memory for the model's %llu bytes",
                      static_cast<unsigned long long>(extent));
    }
    size_t got = 0;
    if (seekTo(file, 0)) got = std::fread(image, 1, size, file);
    std::fclose(file);
    bool ok = false;
    if (got < size)
        refuse(reason, reasonSize, "could read only %zu of the model's %zu bytes", got, size);
    else
        ok = readMs3d(image, size, arrays, version, reason, reasonSize);
    std::free(image);
    return ok;
}
