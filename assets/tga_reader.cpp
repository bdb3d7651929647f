// TGA reader: uncompressed true-colour images of 24 or 32 bits, turned into OpenGL-ready rows.
#include "assets/tga_reader.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

// Image ID length 0, no colour map, type 2 (uncompressed true-colour), zero colour map
// fields, zero X and Y origin.
const uint8_t tgaHeaderPrefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

bool refuse(char *reason, size_t reasonSize, const char *format, ...)
{
    if (reason && reasonSize) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(reason, reasonSize, format, args);
        va_end(args);
    }
    return false;
}

// What a person should hear about the first header byte that differs from the prefix.
void describePrefixByte(char *out, size_t outSize, size_t index, const uint8_t *header)
{
    const char *typeName = "an unknown image type";
    switch (header[2]) {
    case 1: typeName = "colour-mapped"; break;
    case 3: typeName = "greyscale"; break;
    case 9: typeName = "run-length encoded colour-mapped"; break;
    case 10: typeName = "run-length encoded true-colour"; break;
    case 11: typeName = "run-length encoded greyscale"; break;
    default: break;
    }
    if (index == 0)
        std::snprintf(out, outSize, "a %u-byte image ID comes first; only files without one are read", header[0]);
    else if (index == 1)
        std::snprintf(out, outSize, "the file has a colour map; only true-colour files without one are read");
    else if (index == 2)
        std::snprintf(out, outSize, "image type %u (%s); only type 2, uncompressed true-colour, is read", header[2],
                      typeName);
    else if (index < 8)
        std::snprintf(out, outSize, "the colour map fields are not zero");
    else if (index < 10)
        std::snprintf(out, outSize, "the X origin is %u, not 0", header[8] + 256u * header[9]);
    else
        std::snprintf(out, outSize, "the Y origin is %u, not 0 (some programs write the height there for "
                      "top-down images)", header[10] + 256u * header[11]);
}

// Bytes left from the current position, or -1 when the stream cannot tell.
long long bytesLeft(std::FILE *file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return static_cast<long long>(end) - here;
}

}  // namespace

bool readTga(std::FILE *file, TgaImage &image, char *reason, size_t reasonSize)
{
    image = TgaImage{};
    uint8_t header[18];
    const size_t got = std::fread(header, 1, 12, file);
    if (got < 12) return refuse(reason, reasonSize, "file ends after %zu bytes, inside the 18-byte header", got);
    for (size_t i = 0; i < 12; ++i)
        if (header[i] != tgaHeaderPrefix[i]) {
            char meaning[128];
            describePrefixByte(meaning, sizeof meaning, i, header);
            return refuse(reason, reasonSize, "header byte %zu is 0x%02x, expected 0x%02x: %s", i, header[i],
                          tgaHeaderPrefix[i], meaning);
        }
    const size_t more = std::fread(header + 12, 1, 6, file);
    if (more < 6)
        return refuse(reason, reasonSize, "file ends after %zu bytes, inside the 18-byte header", 12 + more);

    const uint32_t width = header[12] + 256u * header[13];
    const uint32_t height = header[14] + 256u * header[15];
    const uint32_t depth = header[16];
    if (width == 0 || height == 0)
        return refuse(reason, reasonSize, "the image is %ux%u; width and height must not be 0", width, height);
    if (depth != 24 && depth != 32)
        return refuse(reason, reasonSize, "depth is %u bits; only 24 and 32 are read", depth);

    // 65535 x 65535 x 4 needs 34 bits: keep the arithmetic in 64 bits and check it fits.
    const uint64_t bytesPerPixel = depth / 8;
    const uint64_t rowBytes = width * bytesPerPixel;
    const uint64_t stride = (rowBytes + 3) / 4 * 4;
    const uint64_t dataSize = rowBytes * height;
    const uint64_t bufferSize = stride * height;

    // Seeing a short file before allocating spares a huge buffer for a header that lies.
    const long long left = bytesLeft(file);
    if (left >= 0 && static_cast<uint64_t>(left) < dataSize)
        return refuse(reason, reasonSize,
                      "pixel data short: %ux%u at %u bits needs %llu bytes, the file holds %lld (%llu missing)",
                      width, height, depth, static_cast<unsigned long long>(dataSize), left,
                      static_cast<unsigned long long>(dataSize - static_cast<uint64_t>(left)));
    if (bufferSize > SIZE_MAX)
        return refuse(reason, reasonSize, "the image is too large to hold in memory (%llu bytes)",
                      static_cast<unsigned long long>(bufferSize));
    auto *pixels = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(bufferSize)));
    if (!pixels)
        return refuse(reason, reasonSize, "cannot allocate %llu bytes for the pixels",
                      static_cast<unsigned long long>(bufferSize));
    const size_t read = std::fread(pixels, 1, static_cast<size_t>(dataSize), file);
    if (read < dataSize) {
        std::free(pixels);
        return refuse(reason, reasonSize, "pixel data short: needs %llu bytes, read %zu (%llu missing)",
                      static_cast<unsigned long long>(dataSize), read,
                      static_cast<unsigned long long>(dataSize - read));
    }

    // Spread the rows out to their padded places, last row first so that no row is
    // overwritten before it has moved, then swap blue and red in place.
    const size_t rowLength = static_cast<size_t>(rowBytes), rowStride = static_cast<size_t>(stride);
    const size_t step = static_cast<size_t>(bytesPerPixel);
    for (size_t row = height; row-- > 0;) {
        uint8_t *dst = pixels + row * rowStride;
        if (rowStride != rowLength) {
            std::memmove(dst, pixels + row * rowLength, rowLength);
            std::memset(dst + rowLength, 0, rowStride - rowLength);
        }
        for (size_t x = 0; x < rowLength; x += step) {
            const uint8_t blue = dst[x];
            dst[x] = dst[x + 2];
            dst[x + 2] = blue;
        }
    }

    image.width = width;
    image.height = height;
    image.depth = depth;
    image.rowStride = rowStride;
    image.size = static_cast<size_t>(bufferSize);
    image.pixels = pixels;
    return true;
}

bool readTgaFile(const char *fileName, TgaImage &image, char *reason, size_t reasonSize)
{
    image = TgaImage{};
    std::FILE *file = std::fopen(fileName, "rb");
    if (!file) return refuse(reason, reasonSize, "cannot open: %s", std::strerror(errno));
    const bool ok = readTga(file, image, reason, reasonSize);
    std::fclose(file);
    return ok;
}

void freeTgaImage(TgaImage &image)
{
    std::free(image.pixels);
    image = TgaImage{};
}
