// Texture cache: turns a TGA file name into an OpenGL texture, touching the disk once per name.
#include "assets/texture_cache.h"

#include "platform/platform.h"
#include "assets/tga_reader.h"

#include <cstring>
#include <exception>

std::vector<TextureEntry> textureCache;

namespace {

// Length of `text`, or `limit` when no zero comes within the first `limit` bytes.
size_t boundedLength(const char *text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    return length;
}

bool roomForOneMore()
{
    if (textureCache.size() < textureCache.capacity()) return true;
    try {
        textureCache.reserve(textureCache.size() < 8 ? 8 : textureCache.size() * 2);
    } catch (const std::exception &) {
        return false;  // bad_alloc, or length_error past max_size
    }
    return true;
}

}  // namespace

uint32_t loadTexture(const char *fileName)
{
    // A name that would not fit an entry with its zero could never be cached, so it is
    // refused outright rather than loaded again at every request.
    const size_t length = boundedLength(fileName, sizeof(TextureEntry::fileName));
    if (length == sizeof(TextureEntry::fileName)) return 0;

    for (size_t i = 0; i < textureCache.size(); ++i)
        if (std::strcmp(textureCache[i].fileName, fileName) == 0) return textureCache[i].texture;

    // Room for the entry is made before a texture exists, so a full heap is an ordinary failed
    // load that the next request tries again, not an exception after a half-made texture.
    if (!roomForOneMore()) return 0;

    TgaImage image;
    if (!readTgaFile(fileName, image, nullptr, 0)) return 0;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    // The reader pads 24-bit rows to 4 bytes, which is what the default unpack alignment expects.
    const GLenum format = image.depth == 32 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(image.width),
                 static_cast<GLsizei>(image.height), 0, format, GL_UNSIGNED_BYTE, image.pixels);
    freeTgaImage(image);

    TextureEntry entry;
    std::memcpy(entry.fileName, fileName, length + 1);
    entry.texture = texture;
    textureCache.push_back(entry);
    return texture;
}
