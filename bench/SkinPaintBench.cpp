// The skin engine's hot loops on a 1920 x 1080 cache bitmap, against one plain BitBlt of the same area in the
// same run: rectangle blending, a form's 9-slice frame (unmasked with a tiled centre, and masked), texture
// tiling and a whole form-sized section (texture and gradient mixed, frame and corner images), with the AVX2 and
// SSSE3 loops where the processor has them and with SSE2 ones; then the peak working set. Run it under Wine (or
// Windows): skinpaint_bench.exe [rounds]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/BenchClock.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinManager.h"

namespace {

constexpr int W = 1920, H = 1080;

// The best of several rounds of f and of the reference, taken in turns so that both see the same machine load;
// in milliseconds.
struct Timing {
    double ms, referenceMs;
};
Timing BestMs(int rounds, const std::function<void()>& f, const std::function<void()>& reference) {
    f();  // warm up caches and lazily made DCs
    reference();
    Timing best{1e9, 1e9};
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        reference();
        double t1 = Now();
        f();
        double t2 = Now();
        best.referenceMs = std::min(best.referenceMs, (t1 - t0) * 1000);
        best.ms = std::min(best.ms, (t2 - t1) * 1000);
    }
    return best;
}

void Fill(TBitmap* b, uint32_t seed) {
    for (int y = 0; y < b->Height(); ++y) {
        auto* p = static_cast<uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < b->Width() * 3; ++x) p[x] = static_cast<uint8_t>((x * 7 + y * 13 + seed) & 0xFF);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    auto dst = CreateBmp24(W, H), src = CreateBmp24(W, H);
    Fill(dst.get(), 1);
    Fill(src.get(), 2);
    HDC ddc = dst->Canvas()->Handle(), sdc = src->Canvas()->Handle();

    // A master bitmap with a form frame (one 96 x 96 state, 8-pixel borders, no mask) and a masked button frame
    // (three 48 x 48 states with their masks below), plus a 64 x 64 texture.
    TsSkinManager manager(nullptr);
    manager.MasterBitmap = CreateBmp24(512, 256);
    Fill(manager.MasterBitmap.get(), 3);
    TsMaskData form;
    form.R = Rect(0, 0, 96, 96);
    form.ImageCount = 1;
    form.WL = form.WT = form.WR = form.WB = 8;
    form.Manager = &manager;
    TsMaskData button = form;
    button.R = Rect(96, 0, 96 + 3 * 48, 96);
    button.ImageCount = 3;
    button.MaskType = 1;
    button.WL = button.WT = button.WR = button.WB = 6;
    TsMaskData texture;
    texture.R = Rect(300, 0, 364, 64);
    texture.ImageCount = 1;
    texture.ImgType = itisaTexture;
    texture.Manager = &manager;
    TCacheInfo none;

    // A form-sized section: the texture and a two-colour gradient at 50 percent each, the form frame and four
    // 16 x 16 corner images with magenta outside a diagonal.
    TsGeneralData section;
    section.ClassName = "FORM";
    section.Color = 0xC0C0C0;
    section.ImagePercent = 50;
    section.GradientPercent = 50;
    section.GradientArray = {{0xFF8040, 0x4080FF, 100, 0, 0}};
    manager.Sections.push_back(section);
    auto addMask = [&](TsMaskData m, const char* key) {
        m.ClassName = "FORM";
        m.PropertyName = key;
        manager.Masks.push_back(m);
    };
    addMask(texture, "PATTERN");
    addMask(form, "BORDERSMASK");
    const char* corners[4] = {"IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT"};
    for (int k = 0; k < 4; ++k) {
        TsMaskData corner;
        corner.R = Rect(400 + 16 * k, 0, 416 + 16 * k, 16);
        corner.ImageCount = 1;
        corner.ImgType = itisaGlyph;
        corner.Manager = &manager;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (x + y < 6)
                    SetPixel(manager.MasterBitmap->Canvas()->Handle(), corner.R.left + x, y, RGB(255, 0, 255));
        addMask(corner, corners[k]);
    }
    GdiFlush();

    auto blt = [&] {
        BitBlt(ddc, 0, 0, W, H, sdc, 0, 0, SRCCOPY);
        GdiFlush();
    };
    struct Figure {
        const char* name;
        Timing t;
    };
    auto measure = [&] {
        return std::vector<Figure>{
            {"BlendRect (TacFastSum24)", BestMs(
                                             rounds,
                                             [&] {
                                                 acFastSum24.Attach(src.get(), dst.get());
                                                 acFastSum24.Alpha = 100;
                                                 acFastSum24.DstRect = Rect(0, 0, W, H);
                                                 acFastSum24.SrcPoint = Point(0, 0);
                                                 acFastSum24.BlendRect();
                                             },
                                             blt)},
            {"DrawMaskedFrame, form (tiled centre)",
             BestMs(
                 rounds, [&] { DrawMaskedFrame(dst.get(), Rect(0, 0, W, H), 0, form, none); }, blt)},
            {"DrawMaskedFrame, masked image",
             BestMs(
                 rounds, [&] { DrawMaskedFrame(dst.get(), Rect(0, 0, W, H), 1, button, none); }, blt)},
            // The same area as sixteen frames of a quarter of its width and height: many masked controls, whose
            // rows hold fewer repetitions of the centre.
            {"DrawMaskedFrame, 16 of 480 x 270",
             BestMs(
                 rounds,
                 [&] {
                     for (int k = 0; k < 16; ++k) {
                         int x = k % 4 * 480, y = k / 4 * 270;
                         DrawMaskedFrame(dst.get(), Rect(x, y, x + 480, y + 270), 1, button, none);
                     }
                 },
                 blt)},
            {"PaintSkinItem, form section", BestMs(
                                                rounds,
                                                [&] {
                                                    PaintSkinItem(0, "FORM", none, -1, -1, &manager, dst.get(),
                                                                  Point(0, 0), Rect(0, 0, W, H), 0, false);
                                                },
                                                blt)},
            {"PaintTexture, tiled 64 x 64", BestMs(
                                                rounds,
                                                [&] {
                                                    TRect r(0, 0, W, H);
                                                    PaintTexture(dst->Canvas(), r, nullptr, 0, texture);
                                                },
                                                blt)},
        };
    };
    // The loops as this processor runs them, then each narrower level it has, down to SSE2 alone (as an older
    // processor would run them).
    const TacPixelLoops widest = acWidestPixelLoops();
    for (TacPixelLoops level : {plAVX2, plSSSE3, plSSE2}) {
        if (level > widest)
            continue;
        acPixelLoops = level;
        std::vector<Figure> figures = measure();
        std::printf("%d x %d pixels, best of %d rounds, %s blending loops\n", W, H, rounds,
                    level == plAVX2 ? "AVX2" : level == plSSSE3 ? "SSSE3" : "SSE2");
        std::printf("  %-40s %8s   %s\n", "", "", "BitBlt SRCCOPY of the same area in the same rounds");
        for (const Figure& f : figures)
            std::printf("  %-40s %8.2f ms  %8.2f ms  %5.2f x\n", f.name, f.t.ms, f.t.referenceMs,
                        f.t.ms / f.t.referenceMs);
    }
    acPixelLoops = widest;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak working set %.1f MB\n", static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
