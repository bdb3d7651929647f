// POSIX only: closed standard descriptors are opened on /dev/null, as careful Unix programs do at start.
#include "platform/native_host.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool makeStandardDescriptorsSafe()
{
    bool allOpen = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest free number is taken, so this lands on `fd` itself: every lower one is open by now.
        const int opened = open("/dev/null", O_RDWR | O_NOCTTY);
        if (opened < 0) {
            allOpen = false;
        } else if (opened != fd) {
            // Only if something else raced us to the number; move it where it belongs.
            if (dup2(opened, fd) < 0) {
                allOpen = false;
            }
            close(opened);
        }
    }
    return allOpen;
}

}  // namespace platform
