// The render harness's tick counter: GetTickCount answers what the test pinned, so seeds and motion are fixed.
#pragma once

#include <cstdint>

void pinTick(uint32_t now);
