// Helpers shared by the scene tests: an independent copy of the random generator and the fakes' reset.
#pragma once

#include "common/frame_clock.h"
#include "common/random_source.h"
#include "scene/snowfall.h"
#include "scene/sparkles.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/fake_win32.h"
#include "tests/fakes/system_state.h"
#include "tests/reference_random.h"

#include <cstdint>

inline void resetScene() { resetSystemState(); }
