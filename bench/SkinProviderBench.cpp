// A skinned 1280 x 1024 form on the flat form skin (its wide border makes the client area come from the frame
// cache too): repainting its frame and client area from the cache, against a BitBlt of the same area to the same
// window in the same run; and composing the cache anew (a new size or skin) for comparison. Prints the best of
// several rounds and the peak working set. Run it under Wine (or Windows): skinprovider_bench.exe [rounds]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/BenchClock.h"
#include "classlib/visual/Forms.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/support/MessageLoop.h"
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
        GdiFlush();
        double t1 = Now();
        f();
        GdiFlush();
        double t2 = Now();
        best.baselineMs = std::min(best.baselineMs, (t1 - t0) * 1000);
        best.ms = std::min(best.ms, (t2 - t1) * 1000);
    }
    return best;
}

class TfrmBench : public TForm {
    CLASS_INFO(TfrmBench, TForm)
public:
    using TForm::TForm;
};

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    TempDir dir;
    FlatFormOptions wide;
    wide.WideBorder = true;
    WriteSkinFolder(dir.Path(), MakeFlatFormSkin("FLATFORMWIDE", wide));
    TsSkinManager manager(nullptr);
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName("FLATFORMWIDE");
    if (!manager.Active()) {
        std::fprintf(stderr, "the flat form skin did not load\n");
        return 1;
    }
    auto* form = new TfrmBench(nullptr);
    form->SetPosition(poDesigned);
    form->SetBounds(0, 0, 1280, 1024);
    form->SetCaption("Skinned form benchmark");
    auto* provider = new TsSkinProvider(form);
    provider->AfterConstruction();
    form->AfterConstruction();
    form->Show();
    PumpMessagesFor(300);
    HWND wnd = form->Handle();
    int cw = form->ClientWidth(), ch = form->ClientHeight();
    std::printf("form 1280 x 1024, client %d x %d, frame cache %d x %d, cached client: %s\n", cw, ch,
                provider->SkinData()->CacheBmp()->Width(), provider->SkinData()->CacheBmp()->Height(),
                provider->SkinData()->IsCached() ? "yes" : "no");

    auto source = CreateBmp24(1280, 1024);
    HDC windowDC = GetWindowDC(wnd);
    HDC clientDC = GetDC(wnd);
    auto fromCache = [&] {
        provider->DrawFrameFromCache(windowDC);
        provider->PaintForm(clientDC, false);
    };
    auto blt = [&] { BitBlt(windowDC, 0, 0, 1280, 1024, source->Canvas()->Handle(), 0, 0, SRCCOPY); };
    auto compose = [&] {
        provider->SkinData()->BGChanged = true;
        provider->RepaintFrame();
    };
    Timing repaint = BestMs(rounds, fromCache, blt);
    std::printf("repaint of frame and client from the cache: %.3f ms (BitBlt of 1280 x 1024: %.3f ms, ratio %.2f)\n",
                repaint.ms, repaint.baselineMs, repaint.ms / repaint.baselineMs);
    Timing full = BestMs(rounds, compose, blt);
    std::printf("frame composed anew and painted: %.3f ms (BitBlt of 1280 x 1024: %.3f ms, ratio %.2f)\n", full.ms,
                full.baselineMs, full.ms / full.baselineMs);
    ReleaseDC(wnd, clientDC);
    ReleaseDC(wnd, windowDC);
    form->Free();

    PROCESS_MEMORY_COUNTERS m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    std::printf("peak working set: %.1f MB\n", static_cast<double>(m.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
