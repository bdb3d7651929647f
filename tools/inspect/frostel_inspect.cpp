// frostel-inspect: tells a user whether each TGA, MS3D or WAV file loads (or plays), and if not, why.
#include "assets/asset_file.h"
#include "assets/ms3d_reader.h"
#include "assets/tga_reader.h"
#include "platform/wav_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char usage[] = "usage: frostel-inspect FILE...\n"
                     "       frostel-inspect --pixels FILE\n"
                     "Reads each file with the demo's own TGA or MS3D reader and prints one line per file:\n"
                     "  FILE: ok tga WIDTHxHEIGHT DEPTH-bit\n"
                     "  FILE: ok ms3d version V, N vertices, N triangles, N meshes, N materials\n"
                     "    (then one line per material: its texture file and whether that loads)\n"
                     "  FILE: ok wav RATE Hz BITS-bit CHANNELS channel(s), SECONDS s: the demo plays it, looping\n"
                     "  FILE: refused: REASON\n"
                     "  (a refused WAV says so, and that the demo plays its short chime instead)\n"
                     "Material texture names are taken relative to the working directory, as the demo does.\n"
                     "With --pixels, writes the bytes the demo hands to OpenGL for a TGA file: RGB or RGBA,\n"
                     "rows in stored order, each row padded with zeros to a multiple of 4 bytes.\n"
                     "Exit status: 0 when every file is accepted, 1 otherwise, 2 on a usage error.\n";

bool endsWith(const char *name, const char *want)
{
    const size_t length = std::strlen(name);
    const size_t wanted = std::strlen(want);
    if (length < wanted) return false;
    const char *ext = name + length - wanted;
    for (size_t i = 0; i < wanted; ++i) {
        char c = ext[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != want[i]) return false;
    }
    return true;
}

enum class Kind { tga, ms3d, wav };

// A model or a sound by its identifier or its extension; TGA has no identifier,
// so anything else is taken for an image.
Kind kindOf(const char *name)
{
    if (endsWith(name, ".ms3d")) return Kind::ms3d;
    if (endsWith(name, ".wav")) return Kind::wav;
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

// The decision the demo's own sound output takes, on Linux and in the browser: the same code.
bool inspectWav(const char *name)
{
    const char chime[] = "the demo plays its short chime instead";
    char reason[256];
    std::FILE *file = openAssetFile(name, reason, sizeof reason);
    if (!file) {
        std::printf("%s: refused: %s: %s\n", name, reason, chime);
        return false;
    }
    platform::WavLayout layout;
    std::string why;
    const bool played = platform::examineWavFile(file, layout, why);
    std::fclose(file);
    if (!played) {
        std::printf("%s: refused: %s: %s\n", name, why.c_str(), chime);
        return false;
    }
    std::printf("%s: ok wav %u Hz %u-bit %u channel%s, %.1f s: the demo plays it, looping\n", name, layout.frequency,
                layout.bits, layout.channels, layout.channels == 1 ? "" : "s", layout.seconds());
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
