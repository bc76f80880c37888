#include "skin/adapters/acButtonWnds.h"
#include "skin/adapters/acStaticWnds.h"

#include "AdapterTestWindows.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/SkinTestControls.h"
#include "tests/support/MessageLoop.h"

#include "classlib/visual/Buttons.h"
#include "classlib/visual/Controls.h"
#include "classlib/visual/StdCtrls.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The ink of a picture inside the frame: the bounding box of pixels that are neither the background colour nor a
// border colour of the section.
TRect InkBox(TBitmap* Bmp, TColor Background) {
    TRect box(Bmp->Width(), Bmp->Height(), -1, -1);
    for (int y = FlatBorderWidth; y < Bmp->Height() - FlatBorderWidth; ++y)
        for (int x = FlatBorderWidth; x < Bmp->Width() - FlatBorderWidth; ++x)
            if (PixelOf(Bmp, x, y) != Background) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

bool Near(TColor A, TColor B, int Tolerance = 1) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF)) > Tolerance)
            return false;
    return true;
}

TColor Mix(TColor Own, TColor Parent, double K) {
    TColor c = 0;
    for (int shift : {0, 8, 16}) {
        double v = ((Own >> shift) & 0xFF) * K + ((Parent >> shift) & 0xFF) * (1 - K);
        c |= static_cast<TColor>(static_cast<int>(v + 0.5)) << shift;
    }
    return c;
}

// The parent is skinned too (a base adapter without a section), as in a skinned dialog: the mouse over it takes the
// hot look from the buttons.
class ButtonAdapters : public ::testing::Test {
protected:
    void SetUp() override {
        live = TacMainWnd::LiveCount();
        parentAdapter = CreateAdapter<TacMainWnd>(parent.Wnd, nullptr, nullptr, "", true);
        SetForegroundWindow(parent.Wnd);
        MoveMouseTo(300, 250);
        PumpMessagesFor(50);
    }
    void TearDown() override {
        parentAdapter.reset();
        EXPECT_EQ(TacMainWnd::LiveCount(), live);
    }
    HWND Button(const wchar_t* Text, DWORD Style = BS_PUSHBUTTON, int X = 20, int Y = 20) {
        return parent.Child(L"BUTTON", Text, Style | WS_TABSTOP, X, Y, 100, 30);
    }
    // The screen centre of a window.
    static POINT Centre(HWND Wnd) {
        RECT r{};
        GetWindowRect(Wnd, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static bool Shows(HWND Wnd, TColor Border, TColor Inside) {
        auto pic = PrintWindowPicture(Wnd);
        return PixelOf(pic.get(), 1, 1) == Border && PixelOf(pic.get(), 98, 28) == Border &&
               PixelOf(pic.get(), 5, 15) == Inside;
    }

    FlatSkin skin;
    PlainParent parent{40, 40, 360, 240};
    TacAdapterPtr<TacMainWnd> parentAdapter;
    int live = 0;
    const FlatSectionColors& colours = FlatSection("BUTTON");
};

}  // namespace

TEST_F(ButtonAdapters, NormalHotAndPressedByRealInput) {
    HWND button = Button(L"Press");
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    PumpMessagesFor(50);
    EXPECT_EQ(adapter->ButtonState(), 0);
    EXPECT_TRUE(Shows(button, Flat(colours.Border[0]), Flat(colours.Color)));

    POINT c = Centre(button);
    MoveMouseTo(c.x, c.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->ButtonState() == 1; }));
    EXPECT_TRUE(adapter->SkinData->MouseAbove);
    EXPECT_TRUE(Shows(button, Flat(colours.Border[1]), Flat(colours.HotColor)));
    // What the user sees on the screen.
    PumpMessagesFor(50);
    auto screen = ScreenCopyOf(button);
    EXPECT_EQ(PixelOf(screen.get(), 1, 1), Flat(colours.Border[1]));

    MouseButton(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->ButtonState() == 2; }));
    EXPECT_TRUE(Shows(button, Flat(colours.Border[2]), Flat(colours.HotColor)));
    MouseButton(false);
    PumpMessagesUntil([&] { return adapter->ButtonState() != 2; });

    // Back over the (skinned) parent the button loses its hot look; it keeps the focus the click gave it.
    SetFocus(parent.Wnd);
    MoveMouseTo(300, 250);
    ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->ButtonState() == 0; }));
    EXPECT_FALSE(adapter->SkinData->MouseAbove);
    EXPECT_TRUE(Shows(button, Flat(colours.Border[0]), Flat(colours.Color)));
}

// The section painter of the engine lays the section's hot texture under the hot frame; the frame's ring stays
// in its state colour and nothing of the flat hot colour is left inside.
TEST_F(ButtonAdapters, AHotButtonShowsItsSectionsTexture) {
    WriteSkinFolder(skin.Dir.Path(), MakeFlatTexturedSkin("FLATTEX"));
    skin.Manager.SetSkinName("FLATTEX");
    HWND button = Button(L"");
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    PumpMessagesFor(50);
    auto normal = PrintWindowPicture(button);
    EXPECT_EQ(PixelOf(normal.get(), 5, 15), Flat(colours.Color));
    EXPECT_EQ(CountOf(normal.get(), Flat(FlatTextureColors[0])), 0);

    POINT c = Centre(button);
    MoveMouseTo(c.x, c.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->ButtonState() == 1; }));
    auto hot = PrintWindowPicture(button);
    EXPECT_EQ(PixelOf(hot.get(), 1, 1), Flat(colours.Border[1]));
    // 94 x 24 pixels inside the ring, half of them of each texture colour; the texture starts at the button's
    // corner, so the 2 x 2 cells fall on even coordinates.
    int inside = (100 - 2 * FlatBorderWidth) * (30 - 2 * FlatBorderWidth);
    EXPECT_EQ(CountOf(hot.get(), Flat(FlatTextureColors[0])) + CountOf(hot.get(), Flat(FlatTextureColors[1])), inside);
    EXPECT_EQ(CountOf(hot.get(), Flat(colours.HotColor)), 0);
    EXPECT_EQ(PixelOf(hot.get(), 4, 4), Flat(FlatTextureColors[0]));
    EXPECT_EQ(PixelOf(hot.get(), 6, 4), Flat(FlatTextureColors[1]));
    MoveMouseTo(300, 250);
    ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->ButtonState() == 0; }));
    EXPECT_EQ(CountOf(PrintWindowPicture(button).get(), Flat(FlatTextureColors[0])), 0);
}

TEST_F(ButtonAdapters, FocusShowsTheDottedFrameAndADefaultButtonLooksHot) {
    HWND button = Button(L"Focus");
    HWND def = Button(L"Default", BS_DEFPUSHBUTTON, 20, 70);
    auto a = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    auto b = CreateAdapter<TacBtnWnd>(def, nullptr, nullptr, "BUTTON", true);
    EXPECT_EQ(b->ButtonState(), 1);
    EXPECT_TRUE(Shows(def, Flat(colours.Border[1]), Flat(colours.HotColor)));
    EXPECT_EQ(PixelOf(PrintWindowPicture(button).get(), 5, 15), Flat(colours.Color));
    SetFocus(button);
    PumpMessagesFor(30);
    EXPECT_TRUE(a->SkinData->Focused);
    auto focused = PrintWindowPicture(button);
    EXPECT_EQ(PixelOf(focused.get(), 5, 15), Flat(colours.HotColor));
    // Hot text is never black in the flat skin: black pixels are the focus frame's dots.
    EXPECT_GT(CountOf(focused.get(), Flat(colours.HotFontColor)), 10);
    EXPECT_GT(CountOf(focused.get(), 0), 4);
    SetFocus(parent.Wnd);
    PumpMessagesFor(30);
    EXPECT_FALSE(a->SkinData->Focused);
    EXPECT_EQ(PixelOf(PrintWindowPicture(button).get(), 5, 15), Flat(colours.Color));
}

TEST_F(ButtonAdapters, PressingShiftsTheCaptionByOnePixel) {
    HWND button = Button(L"Shift");
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    SetFocus(parent.Wnd);
    auto normal = PrintWindowPicture(button);
    SendMessageW(button, BM_SETSTATE, TRUE, 0);
    auto pressed = PrintWindowPicture(button);
    SendMessageW(button, BM_SETSTATE, FALSE, 0);
    TRect a = InkBox(normal.get(), Flat(colours.Color));
    TRect b = InkBox(pressed.get(), Flat(colours.HotColor));
    ASSERT_GT(a.Width(), 0);
    EXPECT_EQ(b.left, a.left + 1);
    EXPECT_EQ(b.top, a.top + 1);
    EXPECT_EQ(b.Width(), a.Width());
}

TEST_F(ButtonAdapters, ADisabledButtonFadesIntoItsParentAndShowsNoFocus) {
    HWND button = Button(L"Off");
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    // Where the focus frame's dots lie: black with the focus (the hot caption is not black), not without it.
    SetFocus(button);
    PumpMessagesFor(30);
    auto focused = PrintWindowPicture(button);
    SetFocus(parent.Wnd);
    PumpMessagesFor(30);
    auto plain = PrintWindowPicture(button);
    std::vector<POINT> dots;
    for (int y = 0; y < focused->Height(); ++y)
        for (int x = 0; x < focused->Width(); ++x)
            if (PixelOf(focused.get(), x, y) == 0 && PixelOf(plain.get(), x, y) != 0)
                dots.push_back({x, y});
    ASSERT_GT(dots.size(), 4u);

    // Disabled while it has the focus. Windows lets it keep the focus; Wine takes the focus away, and then the
    // button is told of it as Windows would leave it.
    SetFocus(button);
    PumpMessagesFor(30);
    EnableWindow(button, FALSE);
    PumpMessagesFor(30);
    if (!(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_FOCUS))
        SendMessageW(button, WM_SETFOCUS, 0, 0);
    ASSERT_TRUE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_FOCUS);
    auto pic = PrintWindowPicture(button);
    TColor parentColour = ColorToRGB(clBtnFace);
    EXPECT_TRUE(Near(PixelOf(pic.get(), 5, 15), Mix(Flat(colours.Color), parentColour, 0.4)));
    EXPECT_TRUE(Near(PixelOf(pic.get(), 1, 1), Mix(Flat(colours.Border[0]), parentColour, 0.4)));
    EXPECT_EQ(CountOf(pic.get(), 0), 0);
    // Where the dots would be, the faded face of the button.
    int faded = 0;
    for (POINT p : dots)
        faded += Near(PixelOf(pic.get(), p.x, p.y), Mix(Flat(colours.Color), parentColour, 0.4)) ? 1 : 0;
    EXPECT_EQ(faded, static_cast<int>(dots.size()));
}

TEST_F(ButtonAdapters, BackgroundErasingAndFramePaintingAreSwallowed) {
    HWND button = Button(L"Quiet");
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    auto bmp = CreateBmp24(100, 30);
    FillDC(bmp->Canvas()->Handle(), TRect(0, 0, 100, 30), clFuchsia);
    EXPECT_EQ(SendMessageW(button, WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0), 1);
    EXPECT_EQ(SendMessageW(button, WM_NCPAINT, 1, 0), 1);
    EXPECT_EQ(CountOf(bmp.get(), clFuchsia), 100 * 30);
}

TEST_F(ButtonAdapters, AClassLibraryButtonAndItsDefaultLook) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(420, 40, 300, 200);
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(10, 10, 100, 30);
    ok->SetCaption("OK");
    auto* other = new TButton(form);
    other->SetParent(form);
    other->SetBounds(10, 60, 100, 30);
    other->SetCaption("Other");
    form->Show();
    ok->SetDefault(true);
    TsCommonData okData(ok, true), otherData(other, true);
    {
        auto a = CreateAdapter<TacBtnWnd>(ok->Handle(), &okData, nullptr, "BUTTON", true);
        auto b = CreateAdapter<TacBtnWnd>(other->Handle(), &otherData, nullptr, "BUTTON", true);
        SetFocus(form->Handle());
        PumpMessagesFor(30);
        EXPECT_EQ(b->ButtonState(), 0);
        EXPECT_TRUE(Shows(other->Handle(), Flat(colours.Border[0]), Flat(colours.Color)));
        // The default button of the class library carries the default style, and looks hot for it.
        ASSERT_EQ(GetWindowLongW(ok->Handle(), GWL_STYLE) & 15, BS_DEFPUSHBUTTON);
        EXPECT_EQ(a->ButtonState(), 1);
        EXPECT_TRUE(Shows(ok->Handle(), Flat(colours.Border[1]), Flat(colours.HotColor)));
        // The control still clicks through the adapter.
        int clicks = 0;
        other->OnClick = [&](TObject*) { ++clicks; };
        POINT c = Centre(other->Handle());
        ClickAt(c.x, c.y);
        PumpMessagesUntil([&] { return clicks > 0; });
        EXPECT_EQ(clicks, 1);
    }
    form->Free();
}

TEST_F(ButtonAdapters, ABitBtnShowsItsGlyphCellByState) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(420, 40, 300, 200);
    auto* btn = new TBitBtn(form);
    btn->SetParent(form);
    btn->SetBounds(10, 10, 120, 40);
    btn->SetCaption("Go");
    // Four 12 x 12 cells of their own colours; the top-left pixel is the transparent colour.
    const TColor cells[4] = {0x0000C0, 0x00C000, 0xC00000, 0xC000C0};
    auto glyph = CreateBmp24(48, 12);
    for (int k = 0; k < 4; ++k)
        FillDC(glyph->Canvas()->Handle(), TRect(12 * k, 0, 12 * k + 12, 12), cells[k]);
    SetPixel(glyph->Canvas()->Handle(), 0, 0, RGB(0, 128, 128));
    btn->SetGlyph(glyph.get());
    btn->SetNumGlyphs(4);
    form->Show();
    TsCommonData data(btn, true);
    {
        auto adapter = CreateAdapter<TacBitBtnWnd>(btn->Handle(), &data, nullptr, "BUTTON", true);
        TSize size(0, 0);
        adapter->GlyphSize(size);
        EXPECT_EQ(size.cx, 12);
        EXPECT_EQ(size.cy, 12);
        auto glyphColourAt = [&](TBitmap* pic) {
            TRect g = adapter->GlyphRect();
            return PixelOf(pic, g.left + 6, g.top + 6);
        };
        SetFocus(form->Handle());
        EXPECT_EQ(glyphColourAt(PrintWindowPicture(btn->Handle()).get()), cells[0]);
        SendMessageW(btn->Handle(), BM_SETSTATE, TRUE, 0);
        EXPECT_EQ(glyphColourAt(PrintWindowPicture(btn->Handle()).get()), cells[3]);
        SendMessageW(btn->Handle(), BM_SETSTATE, FALSE, 0);
        btn->SetEnabled(false);
        EXPECT_TRUE(Near(glyphColourAt(PrintWindowPicture(btn->Handle()).get()),
                         Mix(cells[0], ColorToRGB(form->Color()), 0.4), 2));
    }
    form->Free();
}

TEST_F(ButtonAdapters, WithTheSkinRemovedAndTheAdapterGoneTheButtonIsItsOwnAgain) {
    HWND button = Button(L"Back");
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int regionBefore = GetWindowRgn(button, region);
    {
        auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
        EXPECT_GT(CountOf(PrintWindowPicture(button).get(), Flat(colours.Color)), 100);
        // Without a skin the adapter lets the button paint itself.
        skin.Manager.SetActive(false);
        EXPECT_EQ(CountOf(PrintWindowPicture(button).get(), Flat(colours.Color)), 0);
    }
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC)), original);
    EXPECT_EQ(GetWindowRgn(button, region), regionBefore);
    DeleteObject(region);
    auto pic = PrintWindowPicture(button);
    EXPECT_EQ(CountOf(pic.get(), Flat(colours.Color)), 0);
    EXPECT_EQ(CountOf(pic.get(), Flat(colours.Border[0])), 0);
}

TEST_F(ButtonAdapters, ABitmapButtonOfADialogKeepsItsImage) {
    HWND button = Button(L"", BS_BITMAP);
    auto image = CreateBmp24(20, 10);
    FillDC(image->Canvas()->Handle(), TRect(0, 0, 20, 10), RGB(200, 0, 200));
    HBITMAP handle = image->ReleaseHandle();
    SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(handle));
    {
        auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
        auto pic = PrintWindowPicture(button);
        EXPECT_EQ(PixelOf(pic.get(), 50, 15), TColor(RGB(200, 0, 200)));
        EXPECT_EQ(PixelOf(pic.get(), 5, 15), Flat(colours.Color));
        EXPECT_EQ(CountOf(pic.get(), RGB(200, 0, 200)), 200);
    }
    DestroyWindow(button);
    DeleteObject(handle);
}

// The test window as a user sees it; with BRIMLET_ADAPTER_SHOT set, its picture is saved there.
TEST_F(ButtonAdapters, TheTestWindowAsAUserSeesIt) {
    HWND normal = Button(L"Normal", BS_PUSHBUTTON, 20, 20);
    HWND hot = Button(L"Hot", BS_PUSHBUTTON, 130, 20);
    HWND pressed = Button(L"Pressed", BS_PUSHBUTTON, 240, 20);
    HWND def = Button(L"Default", BS_DEFPUSHBUTTON, 20, 60);
    HWND focused = Button(L"Focused", BS_PUSHBUTTON, 130, 60);
    HWND disabled = Button(L"Disabled", BS_PUSHBUTTON, 240, 60);
    std::vector<TacAdapterPtr<TacBtnWnd>> adapters;
    for (HWND w : {normal, hot, pressed, def, focused, disabled})
        adapters.push_back(CreateAdapter<TacBtnWnd>(w, nullptr, nullptr, "BUTTON", true));
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    HWND label = parent.Child(L"STATIC", L"A skinned label over two lines of text", SS_LEFT, 20, 110, 150, 36);
    HWND link = parent.Child(L"SysLink", L"A <a>skinned</a> link", 0, 190, 110, 150, 20);
    auto labelAdapter = CreateAdapter<TacStaticWnd>(label, nullptr, nullptr, "CHECKBOX", true);
    auto linkAdapter = CreateAdapter<TacLinkWnd>(link, nullptr, nullptr, "CHECKBOX", true);
    EnableWindow(disabled, FALSE);
    SetFocus(focused);
    SendMessageW(pressed, BM_SETSTATE, TRUE, 0);
    POINT c = Centre(hot);
    MoveMouseTo(c.x, c.y);
    PumpMessagesUntil([&] { return adapters[1]->ButtonState() == 1; });
    RedrawWindow(parent.Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(100);
    auto screen = ScreenCopyOf(parent.Wnd);
    // Each button shows its state's frame on the screen.
    const std::pair<HWND, int> expected[] = {{normal, 0}, {hot, 1}, {pressed, 2}, {def, 1}, {focused, 1}};
    for (auto [w, state] : expected) {
        RECT r{}, p{};
        GetWindowRect(w, &r);
        GetWindowRect(parent.Wnd, &p);
        EXPECT_EQ(PixelOf(screen.get(), r.left - p.left + 1, r.top - p.top + 1), Flat(colours.Border[state]));
    }
    if (const char* file = std::getenv("BRIMLET_ADAPTER_SHOT"))
        screen->SaveToFile(file);
    SendMessageW(pressed, BM_SETSTATE, FALSE, 0);
}

// The caption is painted as the window holds it, not through the code page, where these letters become "?".
TEST_F(ButtonAdapters, ACaptionOutsideTheCodePageIsPaintedAsTheWindowHoldsIt) {
    const std::wstring text = L"\u0416\u042F\u03BB\u0414";
    ASSERT_EQ(WideToAnsi(text), "????");
    // The ink of a caption in the font a dialog button without one of its own is painted in.
    auto ink = [](const std::wstring& Caption) {
        auto bmp = CreateBmp24(100, 30);
        HDC dc = bmp->Canvas()->Handle();
        FillDC(dc, TRect(0, 0, 100, 30), clWhite);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, 0);
        RECT r{0, 0, 100, 30};
        DrawTextW(dc, Caption.c_str(), static_cast<int>(Caption.size()), &r, DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER);
        SelectObject(dc, old);
        GdiFlush();
        return CountOf(bmp.get(), 0);
    };
    int wide = ink(text);
    ASSERT_NE(wide, ink(L"????"));
    HWND button = Button(text.c_str());
    auto adapter = CreateAdapter<TacBtnWnd>(button, nullptr, nullptr, "BUTTON", true);
    SetFocus(parent.Wnd);
    PumpMessagesFor(30);
    ASSERT_EQ(adapter->ButtonState(), 0);
    EXPECT_EQ(CountOf(PrintWindowPicture(button).get(), Flat(colours.FontColor)), wide);
}
