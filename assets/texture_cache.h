// Texture cache: every image reaches OpenGL through loadTexture, read once per file name.
#pragma once

#include <cstdint>
#include <vector>

struct TextureEntry {
    char fileName[128];
    uint32_t texture;
};

// In order of first successful load; entries are only ever appended.
extern std::vector<TextureEntry> textureCache;

// OpenGL texture name for a TGA file, 0 when it cannot be loaded. A failed name
// leaves no trace, so the next request tries the disk again. An image wider or taller than the
// context's GL_MAX_TEXTURE_SIZE is refused from its header, before any pixel is read.
uint32_t loadTexture(const char *fileName);
