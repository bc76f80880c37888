#pragma once
// What the running process holds, for tests and benchmarks that look for leaks.

#include <windows.h>

#include <cstddef>

// Open handles of this process (Wine's GetProcessHandleCount always says 0; the system's handle list is right).
int CountProcessHandles();
// Threads of this process.
int CountProcessThreads();
// Processor time (user and kernel) this process has used so far, in seconds.
double ProcessCpuSeconds();
// CPU time (kernel and user) one thread has used, in seconds; -1 when it cannot be read.
double ThreadCpuSeconds(HANDLE thread);
// The most memory this process has had in its working set so far, in bytes.
size_t PeakWorkingSetBytes();
