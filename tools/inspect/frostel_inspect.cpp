// frostel-inspect: tells a user whether each TGA or MS3D file loads, and if not, why.
#include "assets/asset_file.h"
#include "assets/ms3d_reader.h"
#include "assets/tga_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char usage[] =
    "usage: frostel-inspect FILE...\n"
    "       frostel-inspect --pixels FILE\n"
    "Reads each file with the demo's own TGA or MS3D reader and prints one line per file:\n"
    "  FILE: ok tga WIDTHxHEIGHT DEPTH-bit\n"
    "  FILE: ok ms3d version V, N vertices, N triangles, N meshes, N materials\n"
    "    (then one line per material: its texture file and whether that loads)\n"
    "  FILE: ok wav RATE Hz BITS-bit CHANNELS channel(s)   (the music, handed to the sound service as it is)\n"
    "  FILE: refused: REASON\n"
    "Material texture names are taken relative to the working directory, as the demo does.\n"
    "With --pixels, writes the bytes the demo hands to OpenGL for a TGA file: RGB or RGBA,\n"
    "rows in stored order, each row padded with zeros to a multiple of 4 bytes.\n"
    "Exit status: 0 when every file is accepted, 1 otherwise, 2 on a usage error.\n";

bool endsWithMs3d(const char *name)
{
    const size_t length = std::strlen(name);
    if (length < 5) return false;
    const char *ext = name + length - 5;
    const char *want = ".ms3d";
    for (size_t i = 0; i < 5; ++i) {
        char c = ext[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != want[i]) return false;
    }
    return true;
}

enum class Kind { tga, ms3d, wav };

// A model or a sound by its identifier (or a model by its extension); TGA has no identifier,
// so anything else is taken for an image.
Kind kindOf(const char *name)
{
    if (endsWithMs3d(name)) return Kind::ms3d;
    // Whatever cannot be opened as a regular file is refused by the image reader, with its reason.
    std::FILE *file = openAssetFile(name, nullptr, 0);
    if (!file) return Kind::tga;
    char start[12] = {};
    const size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    if (got >= 4 && std::memcmp(start, "MS3D", 4) == 0) return Kind::ms3d;
    if (got == 12 && std::memcmp(start, "RIFF", 4) == 0 && std::memcmp(start + 8, "WAVE", 4) == 0) return Kind::wav;
    return Kind::tga;
}

uint32_t le(const unsigned char *p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// The demo never reads the music itself; this only says whether it looks like a playable WAV.
bool inspectWav(const char *name)
{
    char reason[256];
    std::FILE *file = openAssetFile(name, reason, sizeof reason);
    if (!file) {
        std::printf("%s: refused: %s\n", name, reason);
        return false;
    }
    unsigned char chunk[8], format[16] = {};
    bool haveFormat = false, haveData = false;
    std::fseek(file, 12, SEEK_SET);
    while (!(haveFormat && haveData) && std::fread(chunk, 1, 8, file) == 8) {
        const uint32_t size = le(chunk + 4, 4);
        if (size > 0x7FFFFFF0u) break;
        long skip = static_cast<long>(size + (size & 1));  // chunks are padded to even sizes
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            haveFormat = std::fread(format, 1, 16, file) == 16;
            skip -= 16;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            haveData = true;
        }
        if (std::fseek(file, skip, SEEK_CUR) != 0) break;
    }
    std::fclose(file);
    if (!haveFormat || !haveData) {
        std::printf("%s: refused: WAV without a %s chunk\n", name, haveFormat ? "data" : "format");
        return false;
    }
    std::printf("%s: ok wav %u Hz %u-bit %u channel%s\n", name, le(format + 4, 4), le(format + 14, 2),
                le(format + 2, 2), le(format + 2, 2) == 1 ? "" : "s");
    return true;
}

bool inspectTga(const char *name)
{
    char reason[256];
    TgaImage image;
    if (!readTgaFile(name, image, reason, sizeof reason)) {
        std::printf("%s: refused: %s\n", name, reason);
        return false;
    }
    std::printf("%s: ok tga %ux%u %u-bit\n", name, image.width, image.height, image.depth);
    freeTgaImage(image);
    return true;
}

void inspectMaterialTexture(int32_t index, const char *textureFile)
{
    if (textureFile[0] == '\0') {
        std::printf("  material %d: no texture file\n", index);
        return;
    }
    char reason[256];
    TgaImage image;
    if (readTgaFile(textureFile, image, reason, sizeof reason)) {
        std::printf("  material %d: %s: loads, tga %ux%u %u-bit\n", index, textureFile, image.width, image.height,
                    image.depth);
        freeTgaImage(image);
    } else {
        // The demo looks the name up from its working directory, not from the model's folder.
        std::printf("  material %d: %s: does not load: %s%s\n", index, textureFile, reason,
                    std::strncmp(reason, "cannot open", 11) == 0 ? " (names are taken from the working directory)"
                                                                 : "");
    }
}

bool inspectMs3d(const char *name)
{
    char reason[256];
    ModelArrays model;
    int32_t version = 0;
    if (!readMs3dFile(name, model, &version, reason, sizeof reason)) {
        std::printf("%s: refused: %s\n", name, reason);
        return false;
    }
    std::printf("%s: ok ms3d version %d, %d vertices, %d triangles, %d meshes, %d materials\n", name, version,
                model.vertexCount, model.triangleCount, model.meshCount, model.materialCount);
    for (int32_t i = 0; i < model.materialCount; ++i) inspectMaterialTexture(i, model.materials[i].textureFile);
    releaseModelArrays(model);
    return true;
}

int writePixels(const char *name)
{
    char reason[256];
    TgaImage image;
    if (!readTgaFile(name, image, reason, sizeof reason)) {
        std::fprintf(stderr, "%s: refused: %s\n", name, reason);
        return 1;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const size_t size = image.size;
    const size_t written = std::fwrite(image.pixels, 1, size, stdout);
    freeTgaImage(image);
    if (written != size || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: could not write the pixels\n", name);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(usage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--pixels") == 0) {
        if (argc != 3) {
            std::fputs(usage, stderr);
            return 2;
        }
        return writePixels(argv[2]);
    }
    bool allAccepted = true;
    for (int i = 1; i < argc; ++i) {
        const Kind kind = kindOf(argv[i]);
        const bool accepted = kind == Kind::ms3d  ? inspectMs3d(argv[i])
                              : kind == Kind::wav ? inspectWav(argv[i])
                                                  : inspectTga(argv[i]);
        allAccepted = allAccepted && accepted;
    }
    return allAccepted ? 0 : 1;
}
