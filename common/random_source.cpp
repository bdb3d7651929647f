// The shared random source; every caller draws from it in a fixed order.
#include "common/random_source.h"

RandomSource randomSource;

void seedRandom(uint32_t seed) { randomSource.state = seed; }

int nextRandom()
{
    randomSource.state = randomSource.state * 214013u + 2531011u;
    return static_cast<int>((randomSource.state >> 16) & 32767u);
}
