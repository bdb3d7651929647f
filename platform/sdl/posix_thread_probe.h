// POSIX only: whether the process may start a thread at all.
#pragma once

namespace platform {

// Starts and joins one thread that does nothing. False when the system refuses it: a stack limit so large that no
// stack fits in memory (ulimit -s), or a limit on the number of processes.
bool threadsCanStart();

}  // namespace platform
