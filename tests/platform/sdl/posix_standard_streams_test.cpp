// Closed standard descriptors are opened on /dev/null before anything else can take their numbers.
#include "platform/native_host.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool isDevNull(int fd)
{
    struct stat of = {}, null = {};
    return fstat(fd, &of) == 0 && stat("/dev/null", &null) == 0 && S_ISCHR(of.st_mode) && of.st_rdev == null.st_rdev;
}

// Runs `check` in a child whose descriptors in `closed` are shut first; the child's exit status is the
// number of the first expectation that failed, 0 when all held.
int inChildWithClosed(std::initializer_list<int> closed, int (*check)())
{
    const pid_t child = fork();
    if (child == 0) {
        for (int fd : closed) close(fd);
        _exit(check());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// The number the next open takes in a process with 0, 1 and 2 open: the child starts with this table.
int lowestFree()
{
    const int probe = open("/dev/null", O_RDONLY);
    close(probe);
    return probe;
}

TEST(StandardDescriptors, EachClosedOneComesBackOnDevNullAndTheNextOpenGetsWhatItWouldHave)
{
    // Every one of them alone, and all three together.
    static int which, next;
    next = lowestFree();
    for (int fd = 0; fd <= 2; ++fd) {
        which = fd;
        EXPECT_EQ(inChildWithClosed({fd},
                                    [] {
                                        if (!platform::makeStandardDescriptorsSafe()) return 1;
                                        if (!isDevNull(which)) return 2;
                                        return open("/dev/null", O_RDONLY) == next ? 0 : 3;
                                    }),
                  0)
            << "descriptor " << fd;
    }
    EXPECT_EQ(inChildWithClosed({0, 1, 2},
                                [] {
                                    if (!platform::makeStandardDescriptorsSafe()) return 1;
                                    for (int fd = 0; fd <= 2; ++fd)
                                        if (!isDevNull(fd)) return 2 + fd;
                                    // Writable where it must be: text for standard error goes nowhere, safely.
                                    return write(2, "x", 1) == 1 ? 0 : 5;
                                }),
              0);
}

TEST(StandardDescriptors, OpenOnesAreLeftAsTheyAre)
{
    EXPECT_EQ(inChildWithClosed({1},
                                [] {
                                    struct stat before0 = {}, before2 = {}, after0 = {}, after2 = {};
                                    fstat(0, &before0);
                                    fstat(2, &before2);
                                    platform::makeStandardDescriptorsSafe();
                                    fstat(0, &after0);
                                    fstat(2, &after2);
                                    if (before0.st_ino != after0.st_ino || before0.st_dev != after0.st_dev) return 1;
                                    if (before2.st_ino != after2.st_ino || before2.st_dev != after2.st_dev) return 2;
                                    return isDevNull(1) ? 0 : 3;
                                }),
              0);
    // With nothing closed nothing is opened: the next descriptor is the one it would have been.
    const int probe = lowestFree();
    EXPECT_TRUE(platform::makeStandardDescriptorsSafe());
    const int again = open("/dev/null", O_RDONLY);
    EXPECT_EQ(again, probe);
    close(again);
}

}  // namespace
