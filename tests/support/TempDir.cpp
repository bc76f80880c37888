#include "tests/support/TempDir.h"

#include "classlib/runtime/SysUtils.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>

static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + "\\");
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        FPath = std::string(base) + "brimlet-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(++counter) + "\\";
        if (CreateDirectoryA(FPath.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            RaiseLastOSError("CreateDirectoryA");
    }
}

TempDir::~TempDir() { RemoveTree(FPath); }

std::string ReadFileBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw Exception("Cannot open " + fileName);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw Exception("Cannot write " + fileName);
}
