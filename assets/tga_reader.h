// Reads the accepted TGA subset into the exact bytes OpenGL is given, without touching OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Pixels ready for glTexImage2D with the default unpack alignment of 4: red, green, blue
// (and alpha for 32 bits), rows in stored order, each row padded with zeros to a multiple
// of 4 bytes (only 24-bit rows ever need it).
struct TgaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;         // 24 or 32
    size_t rowStride = 0;       // bytes from one row to the next
    size_t size = 0;            // rowStride * height
    uint8_t *pixels = nullptr;  // malloc'd; give back with freeTgaImage
};

// The largest width and height that will be accepted. Asked only once a header has passed every other check,
// so a refusal that the header alone decides costs no question to OpenGL; null: the format's own bound only.
using TgaSideLimit = uint32_t (*)();

// Reads from the current position of an open file. On refusal nothing stays allocated and,
// when `reason` is given, it holds a sentence saying why. An image wider or taller than `largestSide`
// gives is refused before any pixel is read.
bool readTga(std::FILE *file, TgaImage &image, char *reason, size_t reasonSize, TgaSideLimit largestSide = nullptr);

// Opens `fileName` for binary reading, reads it as above and closes it again.
bool readTgaFile(const char *fileName, TgaImage &image, char *reason, size_t reasonSize,
                 TgaSideLimit largestSide = nullptr);

void freeTgaImage(TgaImage &image);
