// Helpers for the application tests: call names in order, and a fresh fake platform.
#pragma once

#include "scene/scene.h"
#include "scene/snowfall.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/fake_win32.h"
#include "tests/fakes/system_state.h"

#include <string>
#include <vector>

// Names of the logged Win32 calls (GL and the tick counter left out), in order.
inline std::vector<std::string> win32Calls(size_t from = 0)
{
    std::vector<std::string> out;
    for (size_t i = from; i < fake::log().size(); ++i) {
        const std::string &name = fake::log()[i].name;
        if (name.rfind("gl", 0) == 0 || name == "GetTickCount") continue;
        out.push_back(name);
    }
    return out;
}

inline const fake::Call &lastCall(const std::string &name)
{
    for (size_t i = fake::log().size(); i-- > 0;)
        if (fake::log()[i].name == name) return fake::log()[i];
    static fake::Call none;
    return none;
}

inline double handleValue(const void *h) { return double(reinterpret_cast<uintptr_t>(h)); }

inline void resetApp() { resetSystemState(); }
