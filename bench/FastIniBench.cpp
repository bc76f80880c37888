// Loading, reading every key and saving one change with TFastIniFile, against the platform's profile functions
// on the same files. Run it under Wine (or Windows): fastini_bench.exe [platform sample size]
#include "bench/BenchClock.h"
#include "classlib/runtime/Streams.h"
#include "settings/FastIniFile.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Shape {
    int Sections;
    int Keys;  // per section
};

std::string Section(int s) { return "Section" + IntToStr(s); }
std::string Key(int k) { return "Key" + IntToStr(k); }

void MakeFile(const std::string& name, Shape shape) {
    std::string text = "; generated for the benchmark\r\n";
    for (int s = 0; s < shape.Sections; ++s) {
        text.append("[").append(Section(s)).append("]\r\n");
        for (int k = 0; k < shape.Keys; ++k)
            text += Key(k) + "=value " + IntToStr(s) + "/" + IntToStr(k) + "\r\n";
        text += "\r\n";
    }
    TFileStream stream(name, fmCreate);
    stream.WriteBuffer(text.data(), static_cast<long>(text.size()));
}

std::string PlatformRead(const std::string& file, const std::string& section, const std::string& key) {
    char buffer[256];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, file.c_str());
    return std::string(buffer, n);
}

void Run(const std::string& folder, Shape shape, int sample) {
    std::string file = folder + "bench-" + IntToStr(shape.Sections) + "x" + IntToStr(shape.Keys) + ".ini";
    MakeFile(file, shape);
    const int total = shape.Sections * shape.Keys;
    std::printf("\n%d sections x %d keys = %d keys\n", shape.Sections, shape.Keys, total);

    // TFastIniFile: load and read every key once, then every key again (lookups alone).
    double t0 = Now();
    TFastIniFile ini(file);
    size_t bytes = 0;
    for (int s = 0; s < shape.Sections; ++s)
        for (int k = 0; k < shape.Keys; ++k)
            bytes += ini.ReadString(Section(s), Key(k), "").size();
    double firstPass = Now() - t0;
    t0 = Now();
    for (int s = 0; s < shape.Sections; ++s)
        for (int k = 0; k < shape.Keys; ++k)
            bytes += ini.ReadString(Section(s), Key(k), "").size();
    double secondPass = Now() - t0;
    t0 = Now();
    ini.WriteString(Section(shape.Sections / 2), Key(shape.Keys / 2), "changed");
    ini.UpdateFile();
    double save = Now() - t0;
    std::printf("  TFastIniFile  load + read all: %9.1f ms   read all again: %8.1f ms (%6.3f us/key)%s\n",
                firstPass * 1e3, secondPass * 1e3, secondPass * 1e6 / total,
                ini.KeyIndexMode() ? "   key-index mode" : "");
    std::printf("                change one key and save: %8.1f ms\n", save * 1e3);

    // The platform: a spread-out sample of keys (reading all of a large file this way takes minutes).
    int n = sample < total ? sample : total;
    PlatformRead(file, Section(0), Key(0));  // the first call reads and caches the file
    t0 = Now();
    for (int i = 0; i < n; ++i) {
        long long index = static_cast<long long>(i) * total / n;
        bytes += PlatformRead(file, Section(static_cast<int>(index / shape.Keys)),
                              Key(static_cast<int>(index % shape.Keys)))
                     .size();
    }
    double platform = (Now() - t0) / n;
    t0 = Now();
    WritePrivateProfileStringA(Section(shape.Sections / 2).c_str(), Key(shape.Keys / 2).c_str(), "again",
                               file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    double platformSave = Now() - t0;
    std::printf("  profile API   read (%d keys sampled): %9.3f us/key   (all keys: about %.1f ms)\n", n,
                platform * 1e6, platform * total * 1e3);
    std::printf("                change one key and save: %8.1f ms\n", platformSave * 1e3);
    std::printf("  reading every key: TFastIniFile (with loading) is %.0f times faster\n",
                platform * total / firstPass);
    if (bytes == 0)
        std::printf("(nothing read)\n");
    DeleteFileA(file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int sample = argc > 1 ? std::atoi(argv[1]) : 2000;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "brimlet-bench-" + IntToStr(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    try {
        Run(folder, {100, 100}, sample);
        Run(folder, {1000, 100}, sample);
        Run(folder, {100, 1000}, sample);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        RemoveDirectoryA(folder.c_str());
        return 1;
    }
    RemoveDirectoryA(folder.c_str());
    return 0;
}
