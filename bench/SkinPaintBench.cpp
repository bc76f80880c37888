// The skin engine's painting on a 1920 x 1080 cache bitmap, each figure against a plain BitBlt of the same area in
// the same run: the pixel loops alone (rectangle blending, a form's 9-slice frame unmasked with a tiled centre and
// masked, texture tiling), then every way PaintSkinItem paints a section: a colour, a texture tiled, stretched,
// masked, laid over or a picture, gradients of rows, columns and triangles, alone and mixed with a texture in one
// pass or through a work bitmap, partly covering percents, transparency from 1 to 100 over a parent's picture,
// and many small masked frames; at every pixel-loop level the processor has, down to SSE2 alone. Then the peak
// working set. Run it under Wine (or Windows): skinpaint_bench.exe [rounds [part of a row's name]]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinManager.h"

namespace {

constexpr int W = 1920, H = 1080;
// The many small frames: buttons of 60 x 24 covering the area.
constexpr int ButtonW = 60, ButtonH = 24;

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

    // A master bitmap with a form frame (one 96 x 96 state, 8-pixel borders, no mask), a masked button frame
    // (three 48 x 48 states with their masks below), a 64 x 64 texture, a 64 x 64 masked texture (its mask below
    // it) and four 16 x 16 corner images.
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
    TsMaskData stretched = texture;
    stretched.DrawMode = 1;
    TsMaskData maskedTexture = texture;
    maskedTexture.R = Rect(0, 100, 64, 228);
    maskedTexture.MaskType = 1;
    TsMaskData overlay = maskedTexture;
    overlay.DrawMode = 10;
    TCacheInfo none;
    // The parent's picture under a transparent section.
    TCacheInfo parent = InitCacheInfo(src.get(), 0, 0);

    // The sections, one for each way of painting; PaintSkinItem finds their images by section name.
    auto addSection = [&](const TsGeneralData& data) {
        manager.Sections.push_back(data);
        return static_cast<int>(manager.Sections.size()) - 1;
    };
    auto addMask = [&](TsMaskData m, const char* section, const char* key) {
        m.ClassName = section;
        m.PropertyName = key;
        manager.Masks.push_back(m);
    };
    auto sectionOf = [](const char* name, int imagePercent, int gradientPercent, TsGradArray gradient = {}) {
        TsGeneralData s;
        s.ClassName = name;
        s.Color = 0xC0C0C0;
        s.ImagePercent = imagePercent;
        s.GradientPercent = gradientPercent;
        s.GradientArray = std::move(gradient);
        return s;
    };
    const TsGradArray rows = {{0xFF8040, 0x4080FF, 100, 0, 0}};
    const TsGradArray columns = {{0xFF8040, 0x4080FF, 100, 1, 0}};
    const TsGradArray triangles = {{0xFF8040, 0x4080FF, 100, 2, 0}};

    // A form-sized section: the texture and a gradient of rows at 50 percent each (mixed in one pass), the form
    // frame and four corner images with magenta outside a diagonal.
    const int formSection = addSection(sectionOf("FORM", 50, 50, rows));
    addMask(texture, "FORM", "PATTERN");
    addMask(form, "FORM", "BORDERSMASK");
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
        addMask(corner, "FORM", corners[k]);
    }
    // The form section at a transparency over the parent's picture (its images are the form's, by PARENTCLASS).
    auto transparentForm = [&](const char* name, int transparency) {
        TsGeneralData s = manager.Sections[formSection];
        s.ClassName = name;
        s.ParentClass = "FORM";
        s.Transparency = transparency;
        return addSection(s);
    };
    const int colour = addSection(sectionOf("COLOUR", 0, 0));
    const int tiled = addSection(sectionOf("TILED", 100, 0));
    addMask(texture, "TILED", "PATTERN");
    const int stretch = addSection(sectionOf("STRETCHED", 100, 0));
    addMask(stretched, "STRETCHED", "PATTERN");
    const int masked = addSection(sectionOf("MASKEDTEXTURE", 100, 0));
    addMask(maskedTexture, "MASKEDTEXTURE", "PATTERN");
    const int overlaid = addSection(sectionOf("OVERLAY", 50, 50, rows));
    addMask(overlay, "OVERLAY", "PATTERN");
    const int picture = addSection(sectionOf("PICTURE", 100, 0));
    {
        // A texture too large for the master bitmap is kept as a picture of its own.
        auto img = std::make_shared<TBitmap>();
        img->SetPixelFormat(pf24bit);
        img->SetSize(64, 64);
        Fill(img.get(), 4);
        TsPatternData p;
        p.Img = img;
        p.ClassName = "PICTURE";
        p.PropertyName = "PATTERN";
        manager.Patterns.push_back(p);
    }
    const int gradRows = addSection(sectionOf("GRADROWS", 0, 100, rows));
    const int gradColumns = addSection(sectionOf("GRADCOLUMNS", 0, 100, columns));
    const int gradTriangles = addSection(sectionOf("GRADTRIANGLES", 0, 100, triangles));
    const int columnsMix = addSection(sectionOf("COLUMNSMIX", 50, 50, columns));
    addMask(texture, "COLUMNSMIX", "PATTERN");
    const int trianglesMix = addSection(sectionOf("TRIANGLESMIX", 50, 50, triangles));
    addMask(texture, "TRIANGLESMIX", "PATTERN");
    const int stretchMix = addSection(sectionOf("STRETCHMIX", 50, 50, rows));
    addMask(stretched, "STRETCHMIX", "PATTERN");
    const int partial = addSection(sectionOf("PARTIAL", 30, 30, rows));
    addMask(texture, "PARTIAL", "PATTERN");
    const int transparent1 = transparentForm("TRANSPARENT1", 1);
    const int transparent50 = transparentForm("TRANSPARENT50", 50);
    const int transparent99 = transparentForm("TRANSPARENT99", 99);
    const int transparent100 = transparentForm("TRANSPARENT100", 100);
    const int buttons = addSection(sectionOf("BUTTON", 0, 0));
    addMask(button, "BUTTON", "BORDERSMASK");
    GdiFlush();

    auto blt = [&] {
        BitBlt(ddc, 0, 0, W, H, sdc, 0, 0, SRCCOPY);
        GdiFlush();
    };
    // The many small frames are measured against as many small BitBlts of the same pieces.
    auto bltPieces = [&] {
        for (int y = 0; y + ButtonH <= H; y += ButtonH)
            for (int x = 0; x + ButtonW <= W; x += ButtonW) BitBlt(ddc, x, y, ButtonW, ButtonH, sdc, x, y, SRCCOPY);
        GdiFlush();
    };
    auto item = [&](int section, const TCacheInfo& background = TCacheInfo()) {
        return [&, section, background] {
            PaintSkinItem(section, "", background, -1, -1, &manager, dst.get(), Point(0, 0), Rect(0, 0, W, H), 0,
                          false);
        };
    };
    struct Row {
        const char* name;
        std::function<void()> paint, reference;
    };
    auto blend = [&] {
        acFastSum24.Attach(src.get(), dst.get());
        acFastSum24.Alpha = 100;
        acFastSum24.DstRect = Rect(0, 0, W, H);
        acFastSum24.SrcPoint = Point(0, 0);
        acFastSum24.BlendRect();
    };
    // The same area as sixteen frames of a quarter of its width and height: many masked controls, whose rows hold
    // fewer repetitions of the centre.
    auto sixteenFrames = [&] {
        for (int k = 0; k < 16; ++k) {
            int x = k % 4 * 480, y = k / 4 * 270;
            DrawMaskedFrame(dst.get(), Rect(x, y, x + 480, y + 270), 1, button, none);
        }
    };
    auto tiling = [&] {
        TRect r(0, 0, W, H);
        PaintTexture(dst->Canvas(), r, nullptr, 0, texture);
    };
    auto manyButtons = [&] {
        for (int y = 0; y + ButtonH <= H; y += ButtonH)
            for (int x = 0; x + ButtonW <= W; x += ButtonW)
                PaintSkinItem(buttons, "", none, -1, -1, &manager, dst.get(), Point(x, y),
                              Rect(x, y, x + ButtonW, y + ButtonH), 0, false);
    };
    const std::vector<Row> table{
        {"BlendRect (TacFastSum24)", blend, blt},
        {"DrawMaskedFrame, form (tiled centre)", [&] { DrawMaskedFrame(dst.get(), Rect(0, 0, W, H), 0, form, none); },
         blt},
        {"DrawMaskedFrame, masked image", [&] { DrawMaskedFrame(dst.get(), Rect(0, 0, W, H), 1, button, none); }, blt},
        {"DrawMaskedFrame, 16 of 480 x 270", sixteenFrames, blt},
        {"PaintTexture, tiled 64 x 64", tiling, blt},
        {"PaintSkinItem, form section", item(formSection), blt},
        {"PaintSkinItem, colour", item(colour), blt},
        {"PaintSkinItem, texture tiled", item(tiled), blt},
        {"PaintSkinItem, texture stretched", item(stretch), blt},
        {"PaintSkinItem, masked texture", item(masked), blt},
        {"PaintSkinItem, overlay texture + rows", item(overlaid), blt},
        {"PaintSkinItem, picture texture", item(picture), blt},
        {"PaintSkinItem, gradient of rows", item(gradRows), blt},
        {"PaintSkinItem, gradient of columns", item(gradColumns), blt},
        {"PaintSkinItem, gradient of triangles", item(gradTriangles), blt},
        {"PaintSkinItem, tiled + columns", item(columnsMix), blt},
        {"PaintSkinItem, tiled + triangles", item(trianglesMix), blt},
        {"PaintSkinItem, stretched + rows", item(stretchMix), blt},
        {"PaintSkinItem, 30 % tiled + 30 % rows", item(partial), blt},
        {"PaintSkinItem, form 1 % transparent", item(transparent1, parent), blt},
        {"PaintSkinItem, form 50 % transparent", item(transparent50, parent), blt},
        {"PaintSkinItem, form 99 % transparent", item(transparent99, parent), blt},
        {"PaintSkinItem, form 100 % transparent", item(transparent100, parent), blt},
        // Against as many BitBlts of the same small pieces.
        {"PaintSkinItem, 1440 buttons of 60 x 24", manyButtons, bltPieces},
    };
    // The loops as this processor runs them, then each narrower level it has, down to SSE2 alone (as an older
    // processor would run them). A name given measures only the rows whose names hold it (for a profiler).
    const std::string only = argc > 2 ? argv[2] : "";
    const TacPixelLoops widest = acWidestPixelLoops();
    for (TacPixelLoops level : {plAVX2, plSSSE3, plSSE2}) {
        if (level > widest)
            continue;
        acPixelLoops = level;
        std::printf("%d x %d pixels, best of %d rounds, %s blending loops\n", W, H, rounds,
                    level == plAVX2 ? "AVX2" : level == plSSSE3 ? "SSSE3" : "SSE2");
        std::printf("  %-42s %8s   %s\n", "", "", "BitBlt SRCCOPY of the same area in the same rounds");
        for (const Row& row : table) {
            if (!only.empty() && std::string(row.name).find(only) == std::string::npos)
                continue;
            Timing t = BestMs(rounds, row.paint, row.reference);
            std::printf("  %-42s %8.2f ms  %8.2f ms  %5.2f x\n", row.name, t.ms, t.referenceMs, t.ms / t.referenceMs);
            std::fflush(stdout);
        }
    }
    acPixelLoops = widest;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak working set %.1f MB\n", static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
