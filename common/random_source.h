// The one pseudo-random generator: a 32-bit linear congruential state yielding 15-bit values.
#pragma once

#include <cstdint>

struct RandomSource {
    uint32_t state = 0;
};

extern RandomSource randomSource;

void seedRandom(uint32_t seed);
// Next value in 0 ... 32767.
int nextRandom();
