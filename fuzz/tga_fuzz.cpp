// Fuzz target for the TGA reader: no crash, and an accepted file gives exactly the bytes it should.
#include "assets/tga_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    std::FILE *file = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    if (!file) return 0;
    TgaImage image;
    const bool accepted = readTga(file, image, nullptr, 0);
    std::fclose(file);

    // The accepted subset, stated again from the header alone.
    static const uint8_t prefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bool expected = size >= 18 && std::memcmp(data, prefix, 12) == 0;
    const size_t width = expected ? data[12] + 256u * data[13] : 0;
    const size_t height = expected ? data[14] + 256u * data[15] : 0;
    const size_t bpp = expected ? data[16] / 8u : 0;
    expected = expected && width && height && (data[16] == 24 || data[16] == 32) && size - 18 >= width * height * bpp;
    if (accepted != expected) std::abort();
    if (!accepted) return 0;

    // Red and blue exchanged, rows in stored order, each padded to a multiple of 4 with zeros.
    const size_t rowBytes = width * bpp, stride = (rowBytes + 3) & ~size_t(3);
    if (image.width != width || image.height != height || image.rowStride != stride || image.size != stride * height)
        std::abort();
    for (size_t y = 0; y < height; ++y) {
        const uint8_t *in = data + 18 + y * rowBytes;
        const uint8_t *out = image.pixels + y * stride;
        for (size_t x = 0; x < rowBytes; x += bpp)
            if (out[x] != in[x + 2] || out[x + 1] != in[x + 1] || out[x + 2] != in[x] ||
                (bpp == 4 && out[x + 3] != in[x + 3]))
                std::abort();
        for (size_t pad = rowBytes; pad < stride; ++pad)
            if (out[pad] != 0) std::abort();
    }
    freeTgaImage(image);
    return 0;
}
