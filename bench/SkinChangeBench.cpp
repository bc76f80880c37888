// A skin change as a user waits for it: the showcase's windows (a form with one control of every class, its menus,
// a frame, an MDI parent with a child) from one skin to the next until every window has repainted, against
// repainting the same windows unskinned in the same rounds; also the first load, a repaint of the skinned windows
// and the removal of the skin. The fade of the change is off: it lasts as long as it is told to. Then the peak
// working set. Run it under Wine (or Windows) on a display: skinchange_bench.exe [rounds]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "skin/forms/acSkinLibrary.h"
#include "tests/showcase/ShowcaseForms.h"
#include "tests/support/TempDir.h"

namespace {

BOOL CALLBACK CountPending(HWND Wnd, LPARAM Param) {
    if (GetUpdateRect(Wnd, nullptr, FALSE)) ++*reinterpret_cast<int*>(Param);
    return TRUE;
}

// Windows of the tops (the tops included) that still have something to repaint.
int PendingWindows(const std::vector<HWND>& Tops) {
    int n = 0;
    for (HWND top : Tops) {
        if (GetUpdateRect(top, nullptr, FALSE)) ++n;
        EnumChildWindows(top, CountPending, reinterpret_cast<LPARAM>(&n));
    }
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM Param) {
    ++*reinterpret_cast<int*>(Param);
    return TRUE;
}

int CountWindows(const std::vector<HWND>& Tops) {
    int n = 0;
    for (HWND top : Tops) {
        ++n;
        EnumChildWindows(top, CountChild, reinterpret_cast<LPARAM>(&n));
    }
    return n;
}

// Handles messages until the queue is empty and no window of the tops waits for a repaint; a window that never
// stops asking for one is said after ten seconds.
void UntilRepainted(const std::vector<HWND>& Tops) {
    const DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        bool handled = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            handled = true;
        }
        if (!handled && PendingWindows(Tops) == 0)
            break;
        if (GetTickCount() - start > 10000) {
            std::fprintf(stderr, "%d windows still wait for a repaint after ten seconds\n", PendingWindows(Tops));
            break;
        }
    }
    GdiFlush();
}

void Settle(const std::vector<HWND>& Tops, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        UntilRepainted(Tops);
        Sleep(10);
    }
}

double TimedMs(const std::function<void()>& Step, const std::vector<HWND>& Tops) {
    double t0 = Now();
    Step();
    UntilRepainted(Tops);
    return (Now() - t0) * 1000;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    StartSkinLibrary();
    TempDir dir;
    WriteShowcaseSkins(dir.Path());
    // Far from every window, so that no control turns hot.
    SetCursorPos(1270, 1010);
    auto manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinnedPopups(true);
    manager->AnimEffects()->SkinChanging()->SetActive(false);
    SetShowcaseClassLists(manager.get());
    ShowcaseForms forms;
    forms.BuildMdiForms();
    forms.BuildMainForm();
    const std::vector<HWND>& tops = forms.Tops;
    Settle(tops, 500);

    auto repaint = [&] {
        for (HWND top : tops)
            RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    };
    auto load = [&](const char* name) {
        return [&, name] {
            manager->SetSkinName(name);
            manager->SetActive(true);
        };
    };
    struct Row {
        const char* name;
        double best = 1e9;
    };
    std::vector<Row> rows = {{"repaint, unskinned"},
                             {"first load of SAMPLE"},
                             {"repaint, skinned with SAMPLE"},
                             {"change SAMPLE -> FLATFORM"},
                             {"change FLATFORM -> SAMPLEPACKED"},
                             {"change SAMPLEPACKED -> SAMPLE"},
                             {"removal of SAMPLE"}};
    load("SAMPLE")();
    if (!manager->Active()) {
        std::printf("the sample skin does not load\n");
        return 1;
    }
    manager->SetActive(false);
    Settle(tops, 300);
    // One round goes through every row in turn, so that all see the same machine load; the first round warms up
    // fonts, caches and the system's first-use objects and is not counted.
    for (int round = 0; round <= rounds; ++round) {
        const double t[] = {TimedMs(repaint, tops),
                            TimedMs(load("SAMPLE"), tops),
                            TimedMs(repaint, tops),
                            TimedMs(load("FLATFORM"), tops),
                            TimedMs(load("SAMPLEPACKED"), tops),
                            TimedMs(load("SAMPLE"), tops),
                            TimedMs([&] { manager->SetActive(false); }, tops)};
        if (round == 0) continue;
        for (size_t i = 0; i < rows.size(); ++i) rows[i].best = std::min(rows[i].best, t[i]);
    }
    std::printf("the showcase: %d windows, best of %d rounds, until every window has repainted\n", CountWindows(tops),
                rounds);
    std::printf("  %-36s %8s   %s\n", "", "", "against repainting them unskinned in the same rounds");
    for (const Row& r : rows) std::printf("  %-36s %8.1f ms  %5.2f x\n", r.name, r.best, r.best / rows[0].best);
    forms.FreeForms();
    manager.reset();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak working set %.1f MB\n", static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
