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
                     "An image wider or taller than 16384 pixels is refused: the demo asks its OpenGL for its own\n"
                     "bound, and 16384 is the largest that OpenGL implementations in use take.\n"
                     "Control characters and bytes that are not UTF-8 in what a file says (and in file names) are\n"
                     "written as \\xHH.\n"
                     "With --pixels, writes the bytes the demo hands to OpenGL for a TGA file: RGB or RGBA,\n"
                     "rows in stored order, each row padded with zeros to a multiple of 4 bytes.\n"
                     "Exit status: 0 when every file is accepted, 1 otherwise, 2 on a usage error.\n";

// The bound the inspector holds images to, where the demo asks its OpenGL.
uint32_t inspectorSideLimit() { return 16384; }

// Length of the UTF-8 sequence at `p` (at most `left` bytes), or 0 when it is not one; C1 controls (U+0080 to
// U+009F) count as not one, since terminals act on them too.
size_t utf8Length(const unsigned char *p, size_t left)
{
    size_t length = 0;
    uint32_t code = 0;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        length = 2;
        code = p[0] & 0x1Fu;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        length = 3;
        code = p[0] & 0x0Fu;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        length = 4;
        code = p[0] & 0x07u;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[i] & 0x3Fu);
    }
    const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code <= 0x9F) return 0;
    return length;
}

// A text from a file (or a file's name) as it may reach a terminal: no byte of it can move the cursor, change
// the title or hide what follows, as ls and git write names.
std::string shown(const char *text)
{
    std::string out;
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const size_t size = std::strlen(text);
    for (size_t i = 0; i < size;) {
        if (p[i] >= 0x20 && p[i] < 0x7F) {
            out += static_cast<char>(p[i++]);
            continue;
        }
        const size_t length = p[i] >= 0x80 ? utf8Length(p + i, size - i) : 0;
        if (length > 0) {
            out.append(text + i, length);
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", p[i++]);
        out += escaped;
    }
    return out;
}

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
        std::printf("%s: refused: %s: %s\n", shown(name).c_str(), shown(reason).c_str(), chime);
        return false;
    }
    platform::WavLayout layout;
    std::string why;
    const bool played = platform::examineWavFile(file, layout, why);
    std::fclose(file);
    if (!played) {
        std::printf("%s: refused: %s: %s\n", shown(name).c_str(), shown(why.c_str()).c_str(), chime);
        return false;
    }
    std::printf("%s: ok wav %u Hz %u-bit %u channel%s, %.1f s: the demo plays it, looping\n", shown(name).c_str(),
                layout.frequency, layout.bits, layout.channels, layout.channels == 1 ? "" : "s", layout.seconds());
    return true;
}

bool inspectTga(const char *name)
{
    char reason[256];
    TgaImage image;
    if (!readTgaFile(name, image, reason, sizeof reason, inspectorSideLimit)) {
        std::printf("%s: refused: %s\n", shown(name).c_str(), shown(reason).c_str());
        return false;
    }
    std::printf("%s: ok tga %ux%u %u-bit\n", shown(name).c_str(), image.width, image.height, image.depth);
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
    const std::string name = shown(textureFile);
    if (readTgaFile(textureFile, image, reason, sizeof reason, inspectorSideLimit)) {
        std::printf("  material %d: %s: loads, tga %ux%u %u-bit\n", index, name.c_str(), image.width, image.height,
                    image.depth);
        freeTgaImage(image);
    } else {
        // The demo looks the name up from its working directory, not from the model's folder.
        std::printf("  material %d: %s: does not load: %s%s\n", index, name.c_str(), shown(reason).c_str(),
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
        std::printf("%s: refused: %s\n", shown(name).c_str(), shown(reason).c_str());
        return false;
    }
    std::printf("%s: ok ms3d version %d, %d vertices, %d triangles, %d meshes, %d materials\n", shown(name).c_str(),
                version, model.vertexCount, model.triangleCount, model.meshCount, model.materialCount);
    for (int32_t i = 0; i < model.materialCount; ++i) inspectMaterialTexture(i, model.materials[i].textureFile);
    releaseModelArrays(model);
    return true;
}

int writePixels(const char *name)
{
    char reason[256];
    TgaImage image;
    if (!readTgaFile(name, image, reason, sizeof reason, inspectorSideLimit)) {
        std::fprintf(stderr, "%s: refused: %s\n", shown(name).c_str(), shown(reason).c_str());
        return 1;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const size_t size = image.size;
    const size_t written = std::fwrite(image.pixels, 1, size, stdout);
    freeTgaImage(image);
    if (written != size || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: could not write the pixels\n", shown(name).c_str());
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
