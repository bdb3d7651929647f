// Texture cache: turns a TGA file name into an OpenGL texture, touching the disk once per name.
#include "assets/texture_cache.h"

#include "platform/platform.h"
#include "assets/tga_reader.h"

#include <cstring>
#include <exception>
#include <unordered_map>

std::vector<TextureEntry> textureCache;

namespace {

// Finds a name without walking the whole list: positions in textureCache by the hash of their name. It covers
// the first `indexed` entries; entries past them (an index that could not grow) are still walked.
struct NameIndex {
    std::unordered_multimap<uint64_t, size_t> positions;
    size_t indexed = 0;
    char lastName[sizeof(TextureEntry::fileName)] = {};  // the last indexed, to see a list emptied and filled again
};

NameIndex nameIndex;

uint64_t hashOf(const char *name)
{
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char *c = name; *c != '\0'; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return hash;
}

// Brings the index up to the list: the list is only ever appended to, but it may have been emptied since.
void followTheList()
{
    NameIndex &index = nameIndex;
    if (index.indexed > textureCache.size() ||
        (index.indexed > 0 && std::strcmp(textureCache[index.indexed - 1].fileName, index.lastName) != 0)) {
        index.positions.clear();
        index.indexed = 0;
    }
    try {
        for (; index.indexed < textureCache.size(); ++index.indexed) {
            const char *name = textureCache[index.indexed].fileName;
            index.positions.emplace(hashOf(name), index.indexed);
            std::memcpy(index.lastName, name, sizeof index.lastName);
        }
    } catch (const std::exception &) {
        // A full heap: what is not indexed is walked, so nothing is lost but speed.
    }
}

const TextureEntry *cached(const char *fileName)
{
    followTheList();
    const auto found = nameIndex.positions.equal_range(hashOf(fileName));
    for (auto at = found.first; at != found.second; ++at)
        if (std::strcmp(textureCache[at->second].fileName, fileName) == 0) return &textureCache[at->second];
    for (size_t i = nameIndex.indexed; i < textureCache.size(); ++i)
        if (std::strcmp(textureCache[i].fileName, fileName) == 0) return &textureCache[i];
    return nullptr;
}

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

// The context's own bound, asked only of an image that passed every other check.
uint32_t largestTextureSide()
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    // A context that does not say is held to the format's own bound.
    return side > 0 ? static_cast<uint32_t>(side) : 65535u;
}

}  // namespace

uint32_t loadTexture(const char *fileName)
{
    // A name that would not fit an entry with its zero could never be cached, so it is
    // refused outright rather than loaded again at every request.
    const size_t length = boundedLength(fileName, sizeof(TextureEntry::fileName));
    if (length == sizeof(TextureEntry::fileName)) return 0;

    if (const TextureEntry *entry = cached(fileName)) return entry->texture;

    // Room for the entry is made before a texture exists, so a full heap is an ordinary failed
    // load that the next request tries again, not an exception after a half-made texture.
    if (!roomForOneMore()) return 0;

    TgaImage image;
    if (!readTgaFile(fileName, image, nullptr, 0, largestTextureSide)) return 0;

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
