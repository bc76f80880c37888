#include "tests/support/SerialPeer.h"

#include "classlib/runtime/SysUtils.h"
#include "tests/support/UnixCommand.h"

#include <fstream>

namespace {
const int FirstPort = 20;
const int LastPort = 240;

HANDLE OpenFar(const std::string& name) {
    std::string path = "\\\\.\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        RaiseLastOSError(("CreateFileA(" + path + ")").c_str());
    COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 2000};
    SetCommTimeouts(h, &t);
    return h;
}
}  // namespace

SerialPeer::SerialPeer() {
    // Claim a pair of COM numbers: creating the folder is atomic, so parallel tests never share one.
    for (int n = FirstPort; n < LastPort && !FPortNumber; n += 2)
        Claim(n);
    if (!FPortNumber)
        throw Exception("No free COM number for a serial peer");
    Start();
}

SerialPeer::SerialPeer(int PortNumber) {
    // Tests running beside this one may hold the number for a while.
    DWORD start = GetTickCount();
    while (!Claim(PortNumber)) {
        if (GetTickCount() - start > 60000)
            throw Exception("COM" + std::to_string(PortNumber) + " stays taken by another serial peer");
        Sleep(100);
    }
    Start();
}

bool SerialPeer::Claim(int n) {
    std::string prefix = WinePrefixDir();
    // Not "com<n>": COM1 to COM9 are device names in any folder.
    std::string dir = prefix + "/drive_c/brimlet-serial/port" + std::to_string(n);
    CreateDirectoryA(WindowsPathOf(prefix + "/drive_c/brimlet-serial").c_str(), nullptr);
    if (!CreateDirectoryA(WindowsPathOf(dir).c_str(), nullptr))
        return false;
    FPortNumber = n;
    FDir = dir;
    return true;
}

void SerialPeer::Start() {
    std::string dos = WinePrefixDir() + "/dosdevices/";
    std::string n = std::to_string(FPortNumber), m = std::to_string(FPortNumber + 1);
    int status = RunUnixScript(
        "cd '" + FDir + "' || exit 1\n"
        "socat pty,raw,echo=0,link='" + FDir + "/dev' pty,raw,echo=0,link='" + FDir + "/far' </dev/null >socat.log 2>&1 &\n"
        "echo $! > pid\n"
        "i=0; while [ $i -lt 200 ] && { [ ! -e dev ] || [ ! -e far ]; }; do sleep 0.02; i=$((i+1)); done\n"
        "[ -e dev ] && [ -e far ] || exit 3\n"
        "ln -sfn '" + FDir + "/dev' '" + dos + "com" + n + "' && ln -sfn '" + FDir + "/far' '" + dos + "com" + m + "'\n");
    if (status != 0)
        throw Exception("socat did not create the pseudo-terminal pair (status " + std::to_string(status) + ")");
    FRunning = true;
    FFar = OpenFar("COM" + m);
}

SerialPeer::~SerialPeer() {
    try {
        StopModem();
        if (FFar != INVALID_HANDLE_VALUE)
            CloseHandle(FFar);
        std::string dos = WinePrefixDir() + "/dosdevices/";
        RunUnixScript("cd '" + FDir + "' && { [ -f pid ] && kill $(cat pid) 2>/dev/null; rm -f pid; }\n"
                      "rm -f '" + dos + "com" + std::to_string(FPortNumber) + "' '" + dos + "com" +
                      std::to_string(FPortNumber + 1) + "'\n"
                      "cd / && rm -rf '" + FDir + "'\n");
    } catch (const std::exception&) {
        // A destructor must not throw; scripts/test kills any socat left behind by its pid file.
    }
}

void SerialPeer::Vanish() {
    StopModem();
    RunUnixScript("cd '" + FDir + "' && kill $(cat pid) && rm -f pid\n"
                  "i=0; while [ $i -lt 200 ] && [ -e dev ]; do sleep 0.02; i=$((i+1)); done\n");
    FRunning = false;
}

void SerialPeer::Write(const std::string& bytes) {
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    BOOL ok = WriteFile(FFar, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(FFar, &ov, &written, TRUE);
    DWORD error = GetLastError();
    CloseHandle(ov.hEvent);
    if (!ok)
        RaiseOSError("WriteFile(serial peer)", error);
    if (written != bytes.size())
        throw Exception("The serial peer wrote " + std::to_string(written) + " of " + std::to_string(bytes.size()) +
                        " bytes");
}

void SerialPeer::ReadInto(std::string& buffer, DWORD waitMs) {
    // Wine leaves a read of an empty pty pending, so ask for exactly what is queued.
    DWORD start = GetTickCount();
    for (;;) {
        COMSTAT stat{};
        DWORD errors = 0;
        if (!ClearCommError(FFar, &errors, &stat))
            return;
        if (stat.cbInQue > 0) {
            std::string chunk(stat.cbInQue, '\0');
            OVERLAPPED ov{};
            ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            DWORD got = 0;
            BOOL ok = ReadFile(FFar, chunk.data(), stat.cbInQue, &got, &ov);
            if (!ok && GetLastError() == ERROR_IO_PENDING)
                ok = GetOverlappedResult(FFar, &ov, &got, TRUE);
            CloseHandle(ov.hEvent);
            if (ok) {
                chunk.resize(got);
                buffer += chunk;
                std::lock_guard<std::mutex> lock(FLock);
                FReceived += chunk;
            }
            return;
        }
        if (GetTickCount() - start >= waitMs)
            return;
        Sleep(1);
    }
}

std::string SerialPeer::Read(size_t count, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (FPending.size() < count && GetTickCount() - start < timeoutMs)
        ReadInto(FPending, 10);
    std::string r;
    r.swap(FPending);
    return r;
}

std::string SerialPeer::ReadUntil(const std::string& marker, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    size_t hit;
    while ((hit = FPending.find(marker)) == std::string::npos && GetTickCount() - start < timeoutMs)
        ReadInto(FPending, 10);
    if (hit == std::string::npos) {
        std::string r;
        r.swap(FPending);
        return r;
    }
    std::string r = FPending.substr(0, hit + marker.size());
    FPending.erase(0, hit + marker.size());
    return r;
}

std::string SerialPeer::ReadAvailable() {
    ReadInto(FPending, 0);
    std::string r;
    r.swap(FPending);
    return r;
}

std::string SerialPeer::StandardModem(const std::string& line) {
    if (line.size() >= 2 && (line[0] == 'A' || line[0] == 'a') && (line[1] == 'T' || line[1] == 't'))
        return "\r\nOK\r\n";
    return "\r\nERROR\r\n";
}

void SerialPeer::StartModem(Responder responder) {
    StopModem();
    FResponder = std::move(responder);
    FModemStop = false;
    FModem = std::thread([this] { ModemLoop(); });
}

void SerialPeer::StopModem() {
    FModemStop = true;
    if (FModem.joinable())
        FModem.join();
}

std::string SerialPeer::Received() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FReceived;
}

void SerialPeer::ModemLoop() {
    std::string line;
    while (!FModemStop) {
        std::string chunk;
        ReadInto(chunk, 20);
        for (char c : chunk) {
            if (c == 0x1A)
                line += c;  // Ctrl+Z ends an SMS text: the responder sees it at the end of the line
            if (c == '\r' || c == 0x1A) {
                std::string answer = FResponder ? FResponder(line) : std::string();
                line.clear();
                if (!answer.empty()) {
                    try {
                        Write(answer);
                    } catch (const std::exception&) {
                        return;  // the device vanished under us: nothing left to answer
                    }
                }
            } else if (c != '\n') {
                line += c;
            }
        }
    }
}
