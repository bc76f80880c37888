#pragma once
// What the running process holds, for tests and benchmarks that look for leaks.

// Open handles of this process (Wine's GetProcessHandleCount always says 0; the system's handle list is right).
int CountProcessHandles();
// Threads of this process.
int CountProcessThreads();
// Processor time (user and kernel) this process has used so far, in seconds.
double ProcessCpuSeconds();
