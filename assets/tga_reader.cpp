// TGA reader: uncompressed true-colour images of 24 or 32 bits, turned into OpenGL-ready rows.
#include "assets/tga_reader.h"

#include "assets/asset_file.h"
#include "common/file_position.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#define FROSTEL_TGA_SSSE3 __attribute__((target("ssse3")))
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#include <tmmintrin.h>
#define FROSTEL_TGA_SSSE3
#endif

namespace {

// Image ID length 0, no colour map, type 2 (uncompressed true-colour), zero colour map
// fields, zero X and Y origin.
const uint8_t tgaHeaderPrefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Pixels are read and swapped in pieces this size: few enough reads to keep their cost down, small
// enough that a piece is still in the cache when it is swapped.
const size_t pieceBytes = 256 * 1024;

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
        std::snprintf(out, outSize,
                      "the Y origin is %u, not 0 (some programs write the height there for "
                      "top-down images)",
                      header[10] + 256u * header[11]);
}

#ifdef FROSTEL_TGA_SSSE3
bool haveSsse3()
{
#ifdef _MSC_VER
    int info[4];
    __cpuid(info, 1);
    return (info[2] & (1 << 9)) != 0;
#else
    return __builtin_cpu_supports("ssse3");
#endif
}

// One byte shuffle per sixteen bytes, four at a time; returns how many pixels it swapped.
FROSTEL_TGA_SSSE3 size_t swapRedBlueSsse3(uint8_t *p, size_t count, size_t bytesPerPixel)
{
    size_t i = 0;
    if (bytesPerPixel == 4) {
        const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
        for (; i + 16 <= count; i += 16) {
            auto *q = reinterpret_cast<__m128i *>(p + 4 * i);
            const __m128i a = _mm_loadu_si128(q), b = _mm_loadu_si128(q + 1);
            const __m128i c = _mm_loadu_si128(q + 2), d = _mm_loadu_si128(q + 3);
            _mm_storeu_si128(q, _mm_shuffle_epi8(a, order));
            _mm_storeu_si128(q + 1, _mm_shuffle_epi8(b, order));
            _mm_storeu_si128(q + 2, _mm_shuffle_epi8(c, order));
            _mm_storeu_si128(q + 3, _mm_shuffle_epi8(d, order));
        }
        return i;
    }
    // Sixteen 3-byte pixels: four loads of four whole pixels each, shuffled into the low twelve
    // bytes, then joined into three full stores. Every load is done before the first store, and
    // the next step starts past them: a load waiting on an overlapping store would stall.
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, -1, -1, -1, -1);
    for (; i + 18 <= count; i += 16) {
        uint8_t *q = p + 3 * i;
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q)), order);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q + 12)), order);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q + 24)), order);
        const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q + 36)), order);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q), _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + 16), _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + 32), _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    return i;
}
#endif

// Blue and red change places in `count` pixels of 3 or 4 bytes: with byte shuffles where the
// processor has them (nearly every x86 in use), one pixel at a time elsewhere.
void swapRedBlue(uint8_t *p, size_t count, size_t bytesPerPixel)
{
    size_t i = 0;
#ifdef FROSTEL_TGA_SSSE3
    static const bool ssse3 = haveSsse3();
    if (ssse3) i = swapRedBlueSsse3(p, count, bytesPerPixel);
#endif
    for (uint8_t *q = p + bytesPerPixel * i, *end = p + bytesPerPixel * count; q != end; q += bytesPerPixel) {
        const uint8_t blue = q[0];
        q[0] = q[2];
        q[2] = blue;
    }
}

// Reads the pixel rows straight into their padded places and swaps each piece while it is still in
// the cache, so the pixels cross memory once, as in a plain read of the file. Returns the bytes read.
size_t readPixels(std::FILE *file, uint8_t *pixels, size_t dataSize, size_t rowLength, size_t rowStride, uint32_t depth)
{
    const size_t bytesPerPixel = depth / 8;
    size_t read = 0;
    if (rowStride == rowLength) {
        // Unpadded rows lie end to end: take them in pieces of a whole number of pixels.
        const size_t piece = pieceBytes / bytesPerPixel * bytesPerPixel;
        while (read < dataSize) {
            const size_t want = std::min(piece, dataSize - read);
            const size_t got = std::fread(pixels + read, 1, want, file);
            if (got < want) return read + got;
            swapRedBlue(pixels + read, want / bytesPerPixel, bytesPerPixel);
            read += want;
        }
        return read;
    }
    for (uint8_t *row = pixels; read < dataSize; row += rowStride) {
        const size_t got = std::fread(row, 1, rowLength, file);
        if (got < rowLength) return read + got;
        std::memset(row + rowLength, 0, rowStride - rowLength);
        swapRedBlue(row, rowLength / bytesPerPixel, bytesPerPixel);
        read += rowLength;
    }
    return read;
}

}  // namespace

bool readTga(std::FILE *file, TgaImage &image, char *reason, size_t reasonSize, TgaSideLimit largestSide)
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
    if (more < 6) return refuse(reason, reasonSize, "file ends after %zu bytes, inside the 18-byte header", 12 + more);

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
    const long long left = fileBytesLeft(file);
    if (left >= 0 && static_cast<uint64_t>(left) < dataSize)
        return refuse(reason, reasonSize,
                      "pixel data short: %ux%u at %u bits needs %llu bytes, the file holds %lld (%llu missing)", width,
                      height, depth, static_cast<unsigned long long>(dataSize), left,
                      static_cast<unsigned long long>(dataSize - static_cast<uint64_t>(left)));
    // An image that no texture can hold would cost its whole size in memory for nothing.
    if (largestSide) {
        const uint32_t side = largestSide();
        if (width > side || height > side)
            return refuse(reason, reasonSize,
                          "the image is %ux%u, more than %u pixels, the largest texture side allowed", width, height,
                          side);
    }
    if (bufferSize > SIZE_MAX)
        return refuse(reason, reasonSize, "the image is too large to hold in memory (%llu bytes)",
                      static_cast<unsigned long long>(bufferSize));
    auto *pixels = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(bufferSize)));
    if (!pixels)
        return refuse(reason, reasonSize, "cannot allocate %llu bytes for the pixels",
                      static_cast<unsigned long long>(bufferSize));
    const size_t rowLength = static_cast<size_t>(rowBytes), rowStride = static_cast<size_t>(stride);
    const size_t read = readPixels(file, pixels, static_cast<size_t>(dataSize), rowLength, rowStride, depth);
    if (read < dataSize) {
        std::free(pixels);
        return refuse(reason, reasonSize, "pixel data short: needs %llu bytes, read %zu (%llu missing)",
                      static_cast<unsigned long long>(dataSize), read,
                      static_cast<unsigned long long>(dataSize - read));
    }

    image.width = width;
    image.height = height;
    image.depth = depth;
    image.rowStride = rowStride;
    image.size = static_cast<size_t>(bufferSize);
    image.pixels = pixels;
    return true;
}

bool readTgaFile(const char *fileName, TgaImage &image, char *reason, size_t reasonSize, TgaSideLimit largestSide)
{
    image = TgaImage{};
    std::FILE *file = openAssetFile(fileName, reason, reasonSize);
    if (!file) return false;
    const bool ok = readTga(file, image, reason, reasonSize, largestSide);
    std::fclose(file);
    return ok;
}

void freeTgaImage(TgaImage &image)
{
    std::free(image.pixels);
    image = TgaImage{};
}
