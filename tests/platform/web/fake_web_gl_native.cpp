// The fake WebGL side: see fake_web_gl_native.h.
#include "tests/platform/web/fake_web_gl_native.h"

#include "platform/web/web_gl_native.h"

FakeWebGl fakeWebGl;

namespace platform {
namespace webgl {
namespace native {

bool createContext(const ContextRequest &request)
{
    fakeWebGl.lastRequest = request;
    if (!fakeWebGl.contextAvailable) return false;
    ++fakeWebGl.created;
    return true;
}

void destroyContext() { ++fakeWebGl.destroyed; }

bool takeRestored()
{
    const bool restored = fakeWebGl.restoredPending;
    fakeWebGl.restoredPending = false;
    return restored;
}

void bufferScale(double &across, double &down)
{
    across = fakeWebGl.scaleAcross;
    down = fakeWebGl.scaleDown;
}

void textureImage(uint32_t name, int width, int height, uint32_t format, const unsigned char *pixels)
{
    const size_t pitch = (static_cast<size_t>(width) * (format == 0x1907 ? 3 : 4) + 3) / 4 * 4;
    fakeWebGl.uploads.push_back({name, width, height, format, {pixels, pixels + pitch * static_cast<size_t>(height)}});
    fakeWebGl.order.push_back("image");
}

void textureFilters(uint32_t name, uint32_t minFilter, uint32_t magFilter, uint32_t wrapS, uint32_t wrapT)
{
    fakeWebGl.filters.push_back({name, minFilter, magFilter, wrapS, wrapT});
    fakeWebGl.order.push_back("filters");
}

void run(const float *vertices, int vertexCount, const int32_t *commands, int commandCount)
{
    fakeWebGl.runs.push_back(
        {{vertices, vertices + vertexCount * vertexFloats}, {commands, commands + commandCount * commandWords}});
    fakeWebGl.order.push_back("run");
}

}  // namespace native
}  // namespace webgl
}  // namespace platform
