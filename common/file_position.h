// Positions in an open file as 64-bit numbers on every build: `long` is 32 bits on Windows, so plain
// ftell and fseek fail (or wrap) past 2 GiB there.
#pragma once

#include <cstdint>
#include <cstdio>

// The current position, or -1 when the stream cannot tell.
int64_t filePosition(std::FILE *file);

// As fseek with SEEK_SET, SEEK_CUR or SEEK_END; true on success.
bool setFilePosition(std::FILE *file, int64_t offset, int whence);

// Bytes from the current position to the end, the position kept; -1 when the stream cannot tell.
int64_t fileBytesLeft(std::FILE *file);
