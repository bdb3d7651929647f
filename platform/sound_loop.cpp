// Copies a sound into the output stream, wrapping or ending in silence.
#include "platform/sound_loop.h"

#include <algorithm>
#include <cstring>

namespace platform {

bool readSound(SoundCursor &cursor, uint8_t *out, size_t length, uint8_t silence)
{
    size_t written = 0;
    // An empty sound has nothing to loop over; without this guard the loop would never end.
    if (cursor.data != nullptr && cursor.size > 0) {
        while (written < length) {
            if (cursor.position >= cursor.size) {
                if (!cursor.looping) {
                    break;
                }
                cursor.position = 0;
            }
            const size_t chunk = std::min(length - written, cursor.size - cursor.position);
            std::memcpy(out + written, cursor.data + cursor.position, chunk);
            written += chunk;
            cursor.position += chunk;
        }
    }
    std::memset(out + written, silence, length - written);
    if (cursor.data == nullptr || cursor.size == 0) {
        return false;
    }
    return cursor.looping || cursor.position < cursor.size;
}

}  // namespace platform
