#include "tests/support/ProcessInfo.h"

#include <windows.h>
#include <winternl.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace {

// The layout of SystemHandleInformation (class 16).
struct HandleEntry {
    ULONG OwnerPid;
    BYTE ObjectType;
    BYTE HandleFlags;
    USHORT HandleValue;
    PVOID ObjectPointer;
    ULONG AccessMask;
};
struct HandleList {
    ULONG Count;
    HandleEntry Handles[1];
};
const auto SystemHandleInformationClass = static_cast<SYSTEM_INFORMATION_CLASS>(16);

}  // namespace

int CountProcessHandles() {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        NTSTATUS status = NtQuerySystemInformation(SystemHandleInformationClass, buffer.data(),
                                                   static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0)
            break;
        if (buffer.size() >= (1u << 28))
            return -1;
        buffer.resize(buffer.size() * 2);
    }
    auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    int mine = 0;
    for (ULONG i = 0; i < list->Count; ++i)
        if (list->Handles[i].OwnerPid == GetCurrentProcessId())
            ++mine;
    return mine;
}

int CountProcessThreads() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++n;
    CloseHandle(snap);
    return n;
}

double ThreadCpuSeconds(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](FILETIME f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](FILETIME f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

size_t PeakWorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}
