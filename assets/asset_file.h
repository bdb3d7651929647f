// Opens an asset for reading only when it is a regular file, without ever blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A binary stream on `fileName`, or null with `reason` (when given) saying why: the
// system's message for a file that cannot be opened, or what the name is when it is not
// a regular file. A FIFO, a device or a directory would block a read or read as nonsense.
// `size`, when given, receives the file's length as the open file reports it, beyond 4 GB too.
std::FILE *openAssetFile(const char *fileName, char *reason, size_t reasonSize, uint64_t *size = nullptr);

// Writes the printf-style reason for a refused file into `reason` (when given) and returns false, for a reader
// to say why in one line.
bool refuse(char *reason, size_t reasonSize, const char *format, ...);
