// Skins made to cost the loader all their size allows (chains and loops of parents, long gradients, many sections,
// keys, bitmaps and packed items, big bitmaps; tests/skin's generator makes them), each at four sizes from one to
// eight times the smallest, against a sound skin of the same size in the same run: the time of a whole load and the
// peak working set it adds, from the folder and from the packed file, and how both grow from the smallest size to
// the largest. Then the largest files the loader promises to bound: descriptions of about 1 MB and packed files of
// up to 16 MB. Every load runs in a process of its own, so that each peak is that load's alone.
// Run it under Wine (or Windows): hostileskin_bench.exe
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/HostileSkinSamples.h"
#include "tests/support/TempDir.h"

namespace {

double MegaBytes(double bytes) { return bytes / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    return m;
}

// In the child: loads the skin Name of Dir three times, prints the best time, the peak working set over the working
// set before the first load, whether it loaded, its image count and the load error.
int LoadInThisProcess(const std::string& Dir, const std::string& Name) {
    TsSkinManager manager(nullptr);
    manager.SetSkinDirectory(Dir + "\\");
    manager.SetActive(false);
    manager.SetSkinName(Name);
    SIZE_T before = Memory().WorkingSetSize;
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        manager.SetActive(false);
        double t0 = Now();
        manager.SetActive(true);
        best = std::min(best, Now() - t0);
    }
    SIZE_T peak = Memory().PeakWorkingSetSize;
    std::string error = manager.LoadError();
    std::replace(error.begin(), error.end(), '\n', ' ');
    std::printf("%.3f %.3f %d %zu %zu %s\n", best * 1000, MegaBytes(static_cast<double>(peak - before)),
                manager.Active() ? 1 : 0, manager.Sections.size(), manager.Masks.size() + manager.Patterns.size(),
                error.c_str());
    return 0;
}

struct LoadResult {
    double Ms = 0, PeakMB = 0;
    bool Loaded = false;
    size_t Sections = 0, Images = 0;
    std::string Error;
};

LoadResult LoadInChild(const std::string& Dir, const std::string& Name) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    // Without its trailing backslash, which would escape the closing quote.
    std::string dir = Dir;
    while (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    std::string command = "\"" + std::string(exe) + "\" --load \"" + dir + "\" " + Name;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    LoadResult r;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
        r.Error = "CreatePipe failed";
        return r;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        r.Error = "CreateProcess failed: " + std::to_string(GetLastError());
        return r;
    }
    std::string out;
    char buffer[4096];
    DWORD got;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    int loaded = 0, used = 0;
    if (std::sscanf(out.c_str(), "%lf %lf %d %zu %zu %n", &r.Ms, &r.PeakMB, &loaded, &r.Sections, &r.Images, &used) <
        5) {
        r.Error = "the child printed: " + out;
        return r;
    }
    r.Loaded = loaded != 0;
    r.Error = out.substr(static_cast<size_t>(used));
    while (!r.Error.empty() && (r.Error.back() == '\n' || r.Error.back() == '\r'))
        r.Error.pop_back();
    return r;
}

std::string Outcome(const LoadResult& r) {
    if (r.Loaded)
        return "loaded, " + std::to_string(r.Sections) + " sections, " + std::to_string(r.Images) + " images";
    return "refused: " + r.Error;
}

struct Measured {
    LoadResult Folder, Packed, SoundFolder, SoundPacked;
    size_t Bytes = 0;
};

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

// Writes the skin as a packed file and, unless PackedOnly, as a folder, and loads them in children. Skins of tens
// of thousands of files are measured packed only: Wine looks a name up in a folder by reading the folder.
void Measure(const std::string& Dir, const SampleSkin& Skin, bool PackedOnly, LoadResult& Folder, LoadResult& Packed) {
    SampleSkin packed = Skin;
    packed.Name = Skin.Name + "_PACKED";
    WritePackedSkin(Dir, packed);
    Packed = LoadInChild(Dir, packed.Name);
    if (PackedOnly) {
        Folder.Error = "not measured";
        return;
    }
    WriteSkinFolder(Dir, Skin);
    Folder = LoadInChild(Dir, Skin.Name);
}

std::vector<int> SizesOf(THostileShape Shape) {
    switch (Shape) {
    case THostileShape::Chain:
    case THostileShape::Cycle:
        return {500, 1000, 2000, 4000};
    case THostileShape::LongGradient:
        return {2500, 5000, 10000, 20000};
    case THostileShape::ManySections:
        return {300, 600, 1200, 2400};
    case THostileShape::ManyKeys:
        return {5000, 10000, 20000, 40000};
    case THostileShape::ManyBitmaps:
        return {256, 512, 1024, 2048};
    case THostileShape::PackedItems:
        return {1000, 2000, 4000, 8000};
    case THostileShape::BigBitmap:
        return {1024, 1448, 2048, 2896};  // twice the pixels at each step
    }
    return {};
}

void Row(const char* What, size_t Bytes, const LoadResult& Hostile, const LoadResult& Sound) {
    std::printf("  %-8s %9.1f KB  %9.1f ms  %8.1f MB   sound %9.1f ms %8.1f MB   %s\n", What,
                static_cast<double>(Bytes) / 1024, Hostile.Ms, Hostile.PeakMB, Sound.Ms, Sound.PeakMB,
                Outcome(Hostile).c_str());
}

// A packed file of Items items of Bytes random (incompressible) bytes each, every one named by a key.
SampleSkin RandomItemsSkin(const std::string& Name, int Items, size_t Bytes) {
    SampleSkin skin = MakeSoundSkinOfSize(0, 0, Name);
    std::mt19937 random(Items);
    skin.Files[0].Data += "[RANDOM]\r\n";
    for (int i = 0; i < Items; ++i) {
        std::string data(Bytes, '\0');
        for (char& c : data)
            c = static_cast<char>(random());
        std::string name = "R" + std::to_string(i) + ".BMP";
        skin.Files.push_back({name, data});
        skin.Files[0].Data += "K" + std::to_string(i) + "=" + name + "\r\n";
    }
    return skin;
}

// Items of zeros that unpack to about Total bytes, from a packed file of a few hundred KB.
SampleSkin ZeroItemsSkin(const std::string& Name, size_t Total) {
    SampleSkin skin = MakeSoundSkinOfSize(0, 0, Name);
    skin.Files[0].Data += "[ZEROS]\r\n";
    for (size_t i = 0, done = 0; done < Total; ++i) {
        size_t size = std::min<size_t>(Total - done, 32u * 1024 * 1024);
        std::string name = "Z" + std::to_string(i) + ".BMP";
        skin.Files.push_back({name, std::string(size, '\0')});
        skin.Files[0].Data += "K" + std::to_string(i) + "=" + name + "\r\n";
        done += size;
    }
    return skin;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--load") == 0) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: hostileskin_bench.exe --load <folder> <skin>\n");
            return 2;
        }
        return LoadInThisProcess(argv[2], argv[3]);
    }
    TempDir dir;
    std::printf(
        "Hostile skins against sound skins of the same size; best of 3 loads, peak working set added by the "
        "load, each in a process of its own.\n");
    for (THostileShape shape : HostileShapes()) {
        std::printf("%s\n", HostileShapeName(shape));
        std::vector<Measured> rows;
        std::vector<int> sizes = SizesOf(shape);
        for (int size : sizes) {
            SampleSkin hostile = MakeHostileSkin(shape, size, "HOSTILE");
            Measured m;
            m.Bytes = SkinBytes(hostile);
            size_t options = hostile.Files[0].Data.size();
            SampleSkin sound = MakeSoundSkinOfSize(options, m.Bytes - options, "SOUND");
            bool packedOnly = shape == THostileShape::PackedItems;
            Measure(dir.Path(), hostile, packedOnly, m.Folder, m.Packed);
            Measure(dir.Path(), sound, packedOnly, m.SoundFolder, m.SoundPacked);
            std::printf(" size %d, %s %.1f KB, sound skin %.1f KB\n", size, "files",
                        static_cast<double>(m.Bytes) / 1024, static_cast<double>(SkinBytes(sound)) / 1024);
            if (!packedOnly)
                Row("folder", m.Bytes, m.Folder, m.SoundFolder);
            Row("packed", m.Bytes, m.Packed, m.SoundPacked);
            rows.push_back(m);
        }
        const Measured &a = rows.front(), &b = rows.back();
        std::printf(" growth from size %d to %d (%.1fx the bytes):", sizes.front(), sizes.back(),
                    Ratio(static_cast<double>(b.Bytes), static_cast<double>(a.Bytes)));
        if (shape != THostileShape::PackedItems)
            std::printf(" folder load %.1fx (sound %.1fx), peak %.1fx (sound %.1fx);", Ratio(b.Folder.Ms, a.Folder.Ms),
                        Ratio(b.SoundFolder.Ms, a.SoundFolder.Ms), Ratio(b.Folder.PeakMB, a.Folder.PeakMB),
                        Ratio(b.SoundFolder.PeakMB, a.SoundFolder.PeakMB));
        std::printf(" packed load %.1fx (sound %.1fx), peak %.1fx (sound %.1fx)\n", Ratio(b.Packed.Ms, a.Packed.Ms),
                    Ratio(b.SoundPacked.Ms, a.SoundPacked.Ms), Ratio(b.Packed.PeakMB, a.Packed.PeakMB),
                    Ratio(b.SoundPacked.PeakMB, a.SoundPacked.PeakMB));
    }

    std::printf(
        "The bounds: a description of about 1 MB of every shape loads or is refused within 1 s, a packed "
        "file of up to 16 MB within 2 s\n");
    struct Limit {
        std::string What;
        SampleSkin Skin;
    };
    std::vector<Limit> limits;
    limits.push_back({"1 MB chain past the section limit", MakeHostileSkin(THostileShape::Chain, 34000, "L1")});
    limits.push_back({"1 MB of parent loops", MakeHostileSkin(THostileShape::Cycle, 34000, "L2")});
    limits.push_back({"1 MB gradient", MakeHostileSkin(THostileShape::LongGradient, 20000, "L3")});
    limits.push_back({"1 MB of full sections", MakeHostileSkin(THostileShape::ManySections, 2400, "L4")});
    limits.push_back({"1 MB of keys naming one image", MakeHostileSkin(THostileShape::ManyKeys, 40000, "L5")});
    limits.push_back({"1 MB of keys naming missing items", MakeHostileSkin(THostileShape::PackedItems, 48000, "L6")});
    limits.push_back({"16 MB of random packed items", RandomItemsSkin("L7", 256, 64 * 1024)});
    limits.push_back({"a 2896 x 2896 8-bit bitmap", MakeHostileSkin(THostileShape::BigBitmap, 2896, "L8")});
    limits.push_back({"a 4096 x 4096 8-bit bitmap", MakeHostileSkin(THostileShape::BigBitmap, 4096, "L12")});
    limits.push_back({"items unpacking to 63 MB", ZeroItemsSkin("L9", 63u * 1024 * 1024)});
    limits.push_back({"items unpacking to 66 MB", ZeroItemsSkin("L10", 66u * 1024 * 1024)});
    limits.push_back({"16,000 tiny packed items", MakeHostileSkin(THostileShape::PackedItems, 16000, "L11")});
    for (Limit& l : limits) {
        LoadResult folder, packed;
        const std::string& n = l.Skin.Name;
        bool packedOnly = n == "L6" || n == "L9" || n == "L10" || n == "L11";
        SampleSkin skin = l.Skin;
        skin.Name += "_PACKED";
        std::string file = WritePackedSkin(dir.Path(), skin);
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
        packed = LoadInChild(dir.Path(), skin.Name);
        double unpacked = static_cast<double>(SkinBytes(l.Skin));
        std::printf(" %-36s options %7.1f KB, unpacked %7.1f MB, packed file %6.2f MB\n", l.What.c_str(),
                    static_cast<double>(l.Skin.Files[0].Data.size()) / 1024, MegaBytes(unpacked),
                    MegaBytes(static_cast<double>(data.nFileSizeLow)));
        if (!packedOnly) {
            WriteSkinFolder(dir.Path(), l.Skin);
            folder = LoadInChild(dir.Path(), l.Skin.Name);
            std::printf("   folder %8.1f ms, peak %7.1f MB (%.1fx the unpacked size)  %s\n", folder.Ms, folder.PeakMB,
                        Ratio(folder.PeakMB, MegaBytes(unpacked)), Outcome(folder).c_str());
        }
        std::printf("   packed %8.1f ms, peak %7.1f MB (%.1fx the unpacked size)  %s\n", packed.Ms, packed.PeakMB,
                    Ratio(packed.PeakMB, MegaBytes(unpacked)), Outcome(packed).c_str());
    }
    return 0;
}
