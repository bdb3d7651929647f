// 64-bit file positions: the 64-bit calls of each C library.
#include "common/file_position.h"

#ifndef _WIN32
#include <sys/types.h>
static_assert(sizeof(off_t) >= 8, "file positions need 64 bits (build with _FILE_OFFSET_BITS=64)");
#endif

int64_t filePosition(std::FILE *file)
{
#ifdef _WIN32
    return static_cast<int64_t>(_ftelli64(file));
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

bool setFilePosition(std::FILE *file, int64_t offset, int whence)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), whence) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), whence) == 0;
#endif
}

int64_t fileBytesLeft(std::FILE *file)
{
    const int64_t here = filePosition(file);
    if (here < 0 || !setFilePosition(file, 0, SEEK_END)) return -1;
    const int64_t end = filePosition(file);
    if (!setFilePosition(file, here, SEEK_SET) || end < here) return -1;
    return end - here;
}
