#include "tests/support/UnixCommand.h"

#include "classlib/runtime/SysUtils.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>

std::string WindowsPathOf(const std::string& unixPath) {
    std::string r = "Z:" + unixPath;
    for (char& c : r)
        if (c == '/')
            c = '\\';
    return r;
}

static std::string RequiredEnv(const char* name) {
    const char* v = getenv(name);
    if (!v || !*v)
        throw Exception(std::string("The test environment variable ") + name +
                        " is not set: run the tests through scripts/test");
    return v;
}

std::string TestEnvDir() { return RequiredEnv("BRIMLET_TESTENV"); }
std::string WinePrefixDir() { return RequiredEnv("WINEPREFIX"); }

int RunUnixScript(const std::string& script, unsigned timeoutMs) {
    static std::atomic<int> counter{0};
    std::string base = TestEnvDir() + "/peers/cmd-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(++counter);
    std::string scriptFile = base + ".sh", doneFile = base + ".done";
    {
        std::ofstream out(WindowsPathOf(scriptFile), std::ios::binary);
        out << "PATH=/usr/bin:/bin\nexport PATH\n(\n" << script << "\n)\necho $? > '" << doneFile << ".tmp'\nmv '"
            << doneFile << ".tmp' '" << doneFile << "'\n";
        if (!out)
            throw Exception("Cannot write " + scriptFile);
    }
    // Wine starts Linux executables natively; the handle it returns cannot be waited for, so the
    // script reports its end through a file.
    std::string cmd = "/bin/sh \"" + scriptFile + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        RaiseLastOSError("CreateProcessA(/bin/sh)");
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    std::string done = WindowsPathOf(doneFile);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            throw Exception("The Linux command did not finish in time: " + script);
        Sleep(5);
    }
    std::ifstream in(done);
    int status = -1;
    in >> status;
    in.close();
    DeleteFileA(done.c_str());
    DeleteFileA(WindowsPathOf(scriptFile).c_str());
    return status;
}
