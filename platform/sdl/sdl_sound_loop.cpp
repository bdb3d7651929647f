// Copies a sound from its source block by block, wrapping or ending.
#include "platform/sdl/sdl_sound_loop.h"

#include <algorithm>

namespace platform {

size_t readSound(SoundCursor &cursor, uint8_t *out, size_t length)
{
    size_t written = 0;
    while (written < length && !soundEnded(cursor)) {
        if (cursor.position >= cursor.size) {
            cursor.position = 0;  // only a loop gets here: soundEnded stops a one-shot
        }
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(length - written, cursor.size - cursor.position));
        const size_t got = cursor.read(cursor.source, cursor.start + cursor.position, out + written, wanted);
        written += got;
        cursor.position += got;
        if (got < wanted) {
            cursor.looping = false;
            cursor.position = cursor.size;
        }
    }
    return written;
}

bool soundEnded(const SoundCursor &cursor)
{
    return cursor.read == nullptr || cursor.size == 0 || (!cursor.looping && cursor.position >= cursor.size);
}

size_t inputFramesFor(size_t outputFrames, uint32_t from, uint32_t to, size_t least, size_t most)
{
    if (to == 0) return most;
    const uint64_t frames = (static_cast<uint64_t>(outputFrames) * from + to - 1) / to;
    return static_cast<size_t>(std::clamp<uint64_t>(frames, least, std::max(least, most)));
}

}  // namespace platform
