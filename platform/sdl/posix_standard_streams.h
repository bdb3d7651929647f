// POSIX only: the three standard descriptors, made safe to write to before the program opens anything.
#pragma once

namespace platform {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. A program started with one of them
// closed would otherwise hand that number to the next file or connection it opens, and text meant for
// standard error (a library's complaint) would be written into it. False when one could not be opened.
bool openStandardDescriptors();

}  // namespace platform
