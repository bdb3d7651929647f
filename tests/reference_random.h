// The documented 15-bit generator, followed draw by draw beside the scene's and kept apart from the code under test.
#pragma once

#include <cstdint>

struct ReferenceRandom {
    uint32_t state = 0;
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 32767u);
    }
};
