// The benchmarks' tick counter: GetTickCount answers a value the harness sets, at the real counter's cost.
#pragma once

#include <cstdint>

void setBenchTick(uint32_t now);
