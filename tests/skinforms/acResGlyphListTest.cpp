#include "skin/forms/acResGlyphList.h"

#include "ShellItems.h"
#include "skin/engine/acPNG.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/UnixCommand.h"

#include "classlib/visual/Forms.h"
#include "classlib/runtime/Streams.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

std::unique_ptr<TBitmap> WhiteBmp(int w, int h) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    bmp->Canvas()->Brush()->SetColor(clWhite);
    bmp->Canvas()->FillRect(TRect(0, 0, w, h));
    return bmp;
}

// Image Index of the glyph list drawn on white.
std::unique_ptr<TBitmap> DrawnGlyph(int Index) {
    auto bmp = WhiteBmp(48, 16);
    ResGlyphList()->Draw(bmp->Canvas(), 0, 0, Index);
    GdiFlush();
    return bmp;
}

// The glyph resource itself blended on white.
std::unique_ptr<TBitmap> DrawnResource(const char* Name) {
    TResourceStream stream(Module(), Name, RT_RCDATA);
    TPNGGraphic png;
    png.LoadFromStream(&stream);
    auto bmp = WhiteBmp(48, 16);
    png.Draw(bmp->Canvas(), TRect(0, 0, 48, 16));
    GdiFlush();
    return bmp;
}

// Pixels whose channels differ by more than one step (the system's icon blending rounds its own way).
int Differences(TBitmap* A, TBitmap* B) {
    int n = 0;
    for (int y = 0; y < A->Height(); ++y)
        for (int x = 0; x < A->Width(); ++x) {
            TColor a = A->PixelColor(x, y), b = B->PixelColor(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > 1) {
                    ++n;
                    break;
                }
        }
    return n;
}

TEST(ResGlyphList, AfterStartUpItHoldsTheFiveStripsInTheirOrder) {
    TsAlphaImageList* list = ResGlyphList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Owner(), nullptr);
    EXPECT_EQ(list->Width(), 48);
    EXPECT_EQ(list->Height(), 16);
    ASSERT_EQ(list->Count(), 5);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list->Handle(), &cx, &cy);
    EXPECT_EQ(cx, 48);
    EXPECT_EQ(cy, 16);
    for (int i = 0; i < 5; ++i) {
        auto drawn = DrawnGlyph(i);
        for (int j = 0; j < 5; ++j) {
            auto resource = DrawnResource(ResGlyphNames[j]);
            if (i == j)
                EXPECT_EQ(Differences(drawn.get(), resource.get()), 0) << ResGlyphNames[i];
            else
                EXPECT_GT(Differences(drawn.get(), resource.get()), 20) << ResGlyphNames[i] << " " << ResGlyphNames[j];
        }
    }
}

TEST(ResGlyphList, EachStripShowsItsGlyphInThreeStates) {
    for (int i = 0; i < 5; ++i) {
        auto drawn = DrawnGlyph(i);
        int ink[3] = {0, 0, 0};
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x)
                ink[x / 16] += drawn->PixelColor(x, y) != clWhite;
        for (int state = 0; state < 3; ++state)
            EXPECT_GT(ink[state], 8) << ResGlyphNames[i] << " state " << state;
    }
}

TEST(ResGlyphList, AMissingResourceIsReportedAndTheImagesBeforeItStay) {
    TsAlphaImageList list(nullptr);
    list.SetWidth(48);
    list.SetHeight(16);
    EXPECT_THROW(AddResGlyphs(&list, Module(), {"SF", "SX", "SC"}), EResNotFound);
    EXPECT_EQ(list.Count(), 1);
}

TEST(ResGlyphList, AResourceThatIsNoPngIsReportedByName) {
    TsAlphaImageList list(nullptr);
    list.SetWidth(48);
    list.SetHeight(16);
    try {
        AddResGlyphs(&list, Module(), {"SR", "NOTAPNG"});
        FAIL() << "added";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find("NOTAPNG"), std::string::npos) << e.what();
    }
    EXPECT_EQ(list.Count(), 1);
}

// The glyphs as a person sees them: on white and on a dark face, twice their size, and beside them the desktop's
// items with their icons and names, on a real window.
TEST(ResGlyphList, ShownOnAWindow) {
    TacShellFolder* desktop = DesktopFolder();
    ASSERT_NE(desktop, nullptr);
    std::vector<TShellItem> items = ListShellItems(desktop->ShellFolder());
    std::vector<HICON> icons;
    for (const TShellItem& item : items)
        icons.push_back(ShellItemIcon(item.ID.get()));

    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    form->SetBounds(40, 40, 460, 240);
    form->SetColor(clWhite);
    const TColor dark = 0x404040;
    form->OnPaint = [&](TObject*) {
        TCanvas* canvas = form->Canvas();
        canvas->Brush()->SetColor(dark);
        canvas->FillRect(TRect(70, 0, 130, 200));
        for (int i = 0; i < 5; ++i) {
            ResGlyphList()->Draw(canvas, 10, 10 + i * 36, i);
            ResGlyphList()->Draw(canvas, 76, 10 + i * 36, i);
            TResourceStream stream(Module(), ResGlyphNames[i], RT_RCDATA);
            TPNGGraphic png;
            png.LoadFromStream(&stream);
            png.Draw(canvas, TRect(140, 4 + i * 36, 140 + 96, 4 + i * 36 + 32));
        }
        canvas->Brush()->SetStyle(bsClear);
        for (size_t k = 0; k < items.size(); ++k) {
            int y = 10 + static_cast<int>(k) * 22;
            if (icons[k])
                DrawIconEx(canvas->Handle(), 250, y, icons[k], 16, 16, 0, nullptr, DI_NORMAL);
            canvas->TextOut(272, y + 1, items[k].Name);
        }
    };
    form->Show();
    form->BringToFront();
    PumpMessagesFor(700);

    // The window shows what the list draws into a bitmap.
    POINT origin = form->ClientOrigin();
    HDC screen = GetDC(nullptr);
    auto shown = WhiteBmp(48, 16);
    for (int i = 0; i < 5; ++i) {
        BitBlt(shown->Canvas()->Handle(), 0, 0, 48, 16, screen, origin.x + 10, origin.y + 10 + i * 36, SRCCOPY);
        GdiFlush();
        EXPECT_EQ(Differences(shown.get(), DrawnGlyph(i).get()), 0) << ResGlyphNames[i];
    }
    int iconInk = 0;
    for (size_t k = 0; k < items.size(); ++k)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                iconInk += GetPixel(screen, origin.x + 250 + x, origin.y + 10 + static_cast<int>(k) * 22 + y) !=
                           RGB(255, 255, 255);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(iconInk, static_cast<int>(items.size()) * 10);

    std::string shot = TestEnvDir() + "/skin-glyphs.png";
    EXPECT_EQ(RunUnixScript("import -display \"$DISPLAY\" -window root '" + shot + "'"), 0);
    form.reset();
    for (HICON icon : icons)
        if (icon)
            DestroyIcon(icon);
}

}  // namespace
