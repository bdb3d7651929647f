// Resident memory of the running process, for the memory figures of the benchmarks.
#pragma once

// VmRSS in KiB, or -1 when it cannot be read.
long residentKb();
