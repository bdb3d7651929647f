// POSIX only: one thread started and joined, to learn whether any can be.
#include "platform/sdl/posix_thread_probe.h"

#include <system_error>
#include <thread>

namespace platform {

bool threadsCanStart()
{
    try {
        std::thread([] { std::this_thread::yield(); }).join();
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

}  // namespace platform
