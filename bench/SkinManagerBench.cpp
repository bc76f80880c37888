// The skin manager on the largest sample skin (the sample with 400 bulk sections, a 512 x 1856 master bitmap):
// a load from its folder and from its packed file, and a hue change (a reload with every pixel and colour
// turned), each against a baseline measured in the same run: reading the skin's files into memory, unpacking the
// packed file, and copying the master bitmap's pixels once. Prints the best of several rounds and the peak working
// set. Run it under Wine (or Windows): skinmanager_bench.exe [rounds]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/BenchClock.h"
#include "skin/engine/acSkinPack.h"
#include "skin/engine/sSkinManager.h"
#include "classlib/runtime/Streams.h"
#include "tests/skin/SkinSamples.h"
#include "tests/support/TempDir.h"

namespace {

struct Timing {
    double ms, baselineMs;
};

// The best of several rounds of f and of its baseline, taken in turns so that both see the same machine load.
Timing BestMs(int rounds, const std::function<void()>& f, const std::function<void()>& baseline) {
    Timing best{1e9, 1e9};
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        baseline();
        double t1 = Now();
        f();
        double t2 = Now();
        best.baselineMs = std::min(best.baselineMs, (t1 - t0) * 1000);
        best.ms = std::min(best.ms, (t2 - t1) * 1000);
    }
    return best;
}

double MegaBytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    TempDir dir;
    SampleSkin skin = MakeSampleSkin("LARGE", 400);
    WriteSkinFolder(dir.Path(), skin);
    SampleSkin packed = skin;
    packed.Name = "LARGEPACKED";
    std::string packedFile = WritePackedSkin(dir.Path(), packed);
    size_t skinBytes = 0;
    for (const SkinFile& f : skin.Files)
        skinBytes += f.Data.size();
    PROCESS_MEMORY_COUNTERS start = Memory();

    TsSkinManager manager(nullptr);
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName("LARGE");
    if (!manager.Active()) {
        std::fprintf(stderr, "the sample skin did not load\n");
        return 1;
    }
    std::printf("largest sample skin: %zu sections, %zu images, master bitmap %d x %d, %zu files of %.1f MB\n",
                manager.Sections.size(), manager.Masks.size(), manager.MasterBitmap->Width(),
                manager.MasterBitmap->Height(), skin.Files.size(), MegaBytes(skinBytes));

    auto readFiles = [&] {
        for (const SkinFile& f : skin.Files) {
            TMemoryStream bytes;
            bytes.LoadFromFile(dir.Path() + "LARGE\\" + f.Name);
            if (bytes.Size() != static_cast<long long>(f.Data.size()))
                std::abort();
        }
    };
    Timing folder = BestMs(rounds, [&] { manager.SetSkinName("LARGE"); }, readFiles);
    Timing pack = BestMs(
        rounds, [&] { manager.SetSkinName("LARGEPACKED"); },
        [&] {
            std::unique_ptr<TacSkinConvertor> c;
            LoadPackedSkinFile(packedFile, c, true);
        });
    int hue = 0;
    std::vector<char> copy;
    Timing recolour = BestMs(
        rounds, [&] { manager.SetHueOffset(hue = (hue + 37) % 360 + 1); },
        [&] {
            TBitmap* master = manager.MasterBitmap.get();
            size_t row = static_cast<size_t>(master->Width()) * 3;
            copy.resize(row * master->Height());
            for (int y = 0; y < master->Height(); ++y)
                std::memcpy(copy.data() + row * y, master->ScanLine(y), row);
        });
    PROCESS_MEMORY_COUNTERS end = Memory();

    std::printf("best of %d rounds\n", rounds);
    std::printf("  %-42s %9s   %s\n", "", "", "baseline in the same rounds");
    std::printf("  %-42s %9.2f ms  %9.2f ms  %6.1f x   (reading its files into memory)\n", "load from the folder",
                folder.ms, folder.baselineMs, folder.ms / folder.baselineMs);
    std::printf("  %-42s %9.2f ms  %9.2f ms  %6.1f x   (unpacking the file alone)\n", "load from the packed file",
                pack.ms, pack.baselineMs, pack.ms / pack.baselineMs);
    std::printf("  %-42s %9.2f ms  %9.2f ms  %6.1f x   (copying the master bitmap's pixels)\n",
                "hue change (reload and recolour)", recolour.ms, recolour.baselineMs,
                recolour.ms / recolour.baselineMs);
    std::printf("peak working set %.1f MB (%.1f MB before the first load; working set now %.1f MB)\n",
                MegaBytes(end.PeakWorkingSetSize), MegaBytes(start.PeakWorkingSetSize), MegaBytes(end.WorkingSetSize));
    return 0;
}
