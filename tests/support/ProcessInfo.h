#pragma once
// What the running process holds, for tests and benchmarks that look for leaks.

#include <windows.h>

// Open handles of this process (Wine's GetProcessHandleCount always says 0; the system's handle list is right).
int CountProcessHandles();
// Threads of this process.
int CountProcessThreads();
// Processor time (user and kernel) this process has used so far, in seconds.
double ProcessCpuSeconds();
// CPU time (kernel and user) one thread has used, in seconds; -1 when it cannot be read.
double ThreadCpuSeconds(HANDLE thread);
