// Process entry on hosts that are not Windows.
#include "app/demo.h"

#ifndef __EMSCRIPTEN__
#include "platform/sdl/posix_standard_streams.h"
#endif

int main()
{
#ifndef __EMSCRIPTEN__
    // First of all: a closed standard descriptor would be taken by the first file or connection opened.
    platform::openStandardDescriptors();
#endif
    return runDemo();
}
