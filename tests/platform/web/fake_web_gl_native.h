// The WebGL side of the browser layer's GL, faked for host tests: it records what the layer asks of WebGL.
#pragma once

#include "platform/web/web_gl.h"

#include <cstdint>
#include <string>
#include <vector>

struct FakeWebGl {
    struct Run {
        std::vector<float> vertices;
        std::vector<int32_t> commands;  // commandWords words each
    };
    struct Upload {
        uint32_t name;
        int width;
        int height;
        uint32_t format;
        std::vector<unsigned char> bytes;
    };
    struct Filters {
        uint32_t name, minFilter, magFilter, wrapS, wrapT;
    };

    bool contextAvailable = true;
    bool restoredPending = false;
    double scaleAcross = 1.0;
    double scaleDown = 1.0;
    int created = 0;
    int destroyed = 0;
    platform::webgl::ContextRequest lastRequest;
    std::vector<Run> runs;
    std::vector<Upload> uploads;
    std::vector<Filters> filters;
    std::vector<std::string> order;  // "run", "image", "filters" as they came
};

// Cleared by each test's set-up.
extern FakeWebGl fakeWebGl;
