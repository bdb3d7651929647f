// Reads a PCM sound into an output stream, once or looping.
// Portable: the audio callback only calls this, so the wrapping can be tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct SoundCursor {
    const uint8_t *data = nullptr;
    size_t size = 0;  // bytes, a whole number of frames already in the output format
    size_t position = 0;
    bool looping = false;
};

// Fills all `length` bytes of `out`: the sound from the cursor on, wrapping to the
// start when looping; once a one-shot sound has ended the rest is `silence`.
// Returns whether the sound is still playing afterwards.
bool readSound(SoundCursor &cursor, uint8_t *out, size_t length, uint8_t silence);

}  // namespace platform
