// Asset opening: a file is checked on the open descriptor, so nothing can be swapped in between.
#include "assets/asset_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

void say(char *reason, size_t reasonSize, const char *prefix, const char *what)
{
    if (reason && reasonSize) std::snprintf(reason, reasonSize, "%s%s", prefix, what);
}

#ifdef _WIN32
using FileStatus = struct _stat64;
int openForReading(const char *name) { return _open(name, _O_RDONLY | _O_BINARY); }
int statusOf(int fd, FileStatus &status) { return _fstat64(fd, &status); }
void closeFile(int fd) { _close(fd); }
std::FILE *streamOf(int fd) { return _fdopen(fd, "rb"); }
const char *kindOf(const FileStatus &status)
{
    if ((status.st_mode & _S_IFMT) == _S_IFDIR) return "a directory";
    if ((status.st_mode & _S_IFMT) == _S_IFCHR) return "a device";
    return "not a plain file";
}
#else
using FileStatus = struct stat;
int openForReading(const char *name)
{
    // Opening a FIFO for reading waits for a writer unless it is non-blocking; on a regular
    // file the flag changes nothing, so it may stay set.
    int flags = O_RDONLY | O_NONBLOCK;
#ifdef O_CLOEXEC
    flags |= O_CLOEXEC;
#endif
#ifdef O_NOCTTY
    flags |= O_NOCTTY;
#endif
    return open(name, flags);
}
int statusOf(int fd, FileStatus &status) { return fstat(fd, &status); }
void closeFile(int fd) { close(fd); }
std::FILE *streamOf(int fd) { return fdopen(fd, "rb"); }
const char *kindOf(const FileStatus &status)
{
    if (S_ISDIR(status.st_mode)) return "a directory";
    if (S_ISFIFO(status.st_mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(status.st_mode)) return "a character device";
    if (S_ISBLK(status.st_mode)) return "a block device";
    if (S_ISSOCK(status.st_mode)) return "a socket";
    return "not a plain file";
}
#endif

bool isRegular(const FileStatus &status) { return (status.st_mode & S_IFMT) == S_IFREG; }

}  // namespace

std::FILE *openAssetFile(const char *fileName, char *reason, size_t reasonSize, uint64_t *size)
{
    const int fd = openForReading(fileName);
    if (fd < 0) {
        say(reason, reasonSize, "cannot open: ", std::strerror(errno));
        return nullptr;
    }
    FileStatus status{};
    if (statusOf(fd, status) != 0) {
        say(reason, reasonSize, "cannot open: ", std::strerror(errno));
        closeFile(fd);
        return nullptr;
    }
    if (!isRegular(status)) {
        say(reason, reasonSize, "not a regular file: it is ", kindOf(status));
        closeFile(fd);
        return nullptr;
    }
    std::FILE *file = streamOf(fd);
    if (!file) {
        say(reason, reasonSize, "cannot open: ", std::strerror(errno));
        closeFile(fd);
        return nullptr;
    }
    if (size) *size = static_cast<uint64_t>(status.st_size);
    return file;
}

bool refuse(char *reason, size_t reasonSize, const char *format, ...)
{
    if (reason && reasonSize) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(reason, reasonSize, format, args);
        va_end(args);
    }
    return false;
}
