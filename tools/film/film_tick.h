// frostel-film's tick counter: GetTickCount answers the time the film has reached, never the clock's.
#pragma once

#include <cstdint>

void setFilmTick(uint32_t now);
