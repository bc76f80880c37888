// The skin provider on real forms: the frame, caption, caption buttons and client area of skinned forms of every
// border style, read from the screen and from the forms' own printing against the flat form skin's section colours;
// the window region read back against the border image's corners; forms without a skin, or whose skin goes, painted
// by the system again with their own procedure and region.
#include "skin/forms/sSkinProvider.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/TempDir.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "classlib/visual/StdCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace FormSkin;

void Settle(DWORD ms = 200) {
    PumpMessagesFor(ms);
}

std::unique_ptr<TBitmap> PrintWindowOf(HWND Wnd) {
    RECT r;
    GetWindowRect(Wnd, &r);
    auto bmp = MakeBmp(r.right - r.left, r.bottom - r.top, clFuchsia);
    PrintWindow(Wnd, bmp->Canvas()->Handle(), 0);
    GdiFlush();
    return bmp;
}

// Pixels of the window that lie inside its region and differ between the two pictures.
int DifferentInRegion(HWND Wnd, TBitmap* A, TBitmap* B) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool has = GetWindowRgn(Wnd, region) != ERROR;
    int n = 0;
    for (int y = 0; y < A->Height(); ++y)
        for (int x = 0; x < A->Width(); ++x)
            if ((!has || PtInRegion(region, x, y)) && Px(A, x, y) != Px(B, x, y))
                ++n;
    DeleteObject(region);
    return n;
}

// Gives Form a main menu of items with those captions.
void AddMainMenu(TForm* Form, std::initializer_list<const char*> Captions) {
    auto* menu = new TMainMenu(Form);
    for (const char* caption : Captions) {
        auto* item = new TMenuItem(Form);
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }
    Form->SetMenu(menu);
}

// Where the menu bar's entry at Position lies in the window.
RECT MenuEntryRect(HWND Wnd, UINT Position) {
    RECT window, item{};
    GetWindowRect(Wnd, &window);
    GetMenuItemRect(Wnd, GetMenu(Wnd), Position, &item);
    OffsetRect(&item, -window.left, -window.top);
    return item;
}

class TfrmSkinned : public TForm {
    CLASS_INFO(TfrmSkinned, TForm)
public:
    using TForm::TForm;
};

// Answers the question whether it keeps its own region, in front of everything else on the form.
class TOwnRegionHook {
public:
    explicit TOwnRegionHook(TControl* Form) { FHook.Install(Form, TWndMethod(this, &TOwnRegionHook::WndProc)); }
    int Asked = 0;

private:
    void WndProc(TMessage& Message) {
        if (Message.Msg == 0xBC4D && Message.WParam == 16802) {
            ++Asked;
            Message.Result = 16802;
            return;
        }
        FHook.CallPrevious(Message);
    }
    TWindowProcHook FHook;
};

// Notes every message that passes it on its way to the form's own handlers.
class TSpyHook {
public:
    explicit TSpyHook(TControl* Form) { FHook.Install(Form, TWndMethod(this, &TSpyHook::WndProc)); }
    std::vector<UINT> Seen;
    bool Saw(UINT Msg) const {
        for (UINT m : Seen)
            if (m == Msg)
                return true;
        return false;
    }

private:
    void WndProc(TMessage& Message) {
        Seen.push_back(Message.Msg);
        FHook.CallPrevious(Message);
    }
    TWindowProcHook FHook;
};

class SkinProvider : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin());
        FlatFormOptions wide;
        wide.WideBorder = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMWIDE", wide));
        FlatFormOptions big;
        big.SmallIcons = false;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMBIG", big));
        FlatFormOptions bare;
        bare.Glyphs = false;
        bare.TitleButton = false;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMBARE", bare));
        FlatFormOptions menu;
        menu.MenuItem = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMMENU", menu));
        FlatFormOptions shortGlyphs;
        shortGlyphs.BigGlyphHeight = 14;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMSHORT", shortGlyphs));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        // The pointer is where the program that ran before left it; a caption button under it would show its hot
        // state. In the screen's corner it is over no form's caption, maximized ones included.
        ParkPointer();
    }
    void TearDown() override {
        for (TForm* f : Forms)
            f->Free();
        Forms.clear();
        Manager.reset();
        Settle(50);
    }
    void LoadSkin(const std::string& Name = "FLATFORM") {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName(Name);
        ASSERT_TRUE(Manager->Active());
        ASSERT_GE(Manager->GetSkinIndex("FORMTITLE"), 0);
    }
    // A form of that border style at (X, Y), not shown yet.
    TForm* MakeForm(TFormBorderStyle Style, int X = 40, int Y = 40, int W = 300, int H = 200) {
        auto* form = new TfrmSkinned(nullptr);
        Forms.push_back(form);
        form->SetBorderStyle(Style);
        form->SetPosition(poDesigned);
        form->SetBounds(X, Y, W, H);
        form->SetCaption("Skinned form");
        return form;
    }
    TsSkinProvider* AddProvider(TForm* Form) {
        auto* provider = new TsSkinProvider(Form);
        provider->AfterConstruction();
        Form->AfterConstruction();
        return provider;
    }
    TsSkinProvider* SkinnedForm(TFormBorderStyle Style, int X = 40, int Y = 40, int W = 300, int H = 200) {
        TForm* form = MakeForm(Style, X, Y, W, H);
        TsSkinProvider* provider = AddProvider(form);
        form->Show();
        SetForegroundWindow(form->Handle());
        Settle();
        return provider;
    }
    // A sizeable form with the size grip, shown under that skin.
    TsSkinProvider* GrippedForm(const std::string& Skin) {
        LoadSkin(Skin);
        TForm* form = MakeForm(bsSizeable);
        TsSkinProvider* provider = AddProvider(form);
        provider->SetGripMode(gmRightBottom);
        form->Show();
        SetForegroundWindow(form->Handle());
        Settle();
        return provider;
    }
    static void ExpectRegionCorners(HWND Wnd, int W, int H) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetWindowRgn(Wnd, region), COMPLEXREGION);
        RECT box;
        GetRgnBox(region, &box);
        EXPECT_EQ(box.right - box.left, W);
        EXPECT_EQ(box.bottom - box.top, H);
        // Row 0: three magenta pixels from each side; row 1: one. The same at the bottom.
        for (int x : {0, 1, 2, W - 3, W - 2, W - 1})
            EXPECT_FALSE(PtInRegion(region, x, 0)) << x;
        EXPECT_TRUE(PtInRegion(region, 3, 0));
        EXPECT_TRUE(PtInRegion(region, W - 4, 0));
        EXPECT_FALSE(PtInRegion(region, 0, 1));
        EXPECT_FALSE(PtInRegion(region, W - 1, 1));
        EXPECT_TRUE(PtInRegion(region, 1, 1));
        for (int x : {0, 1, 2, W - 3, W - 2, W - 1})
            EXPECT_FALSE(PtInRegion(region, x, H - 1)) << x;
        EXPECT_TRUE(PtInRegion(region, 3, H - 1));
        EXPECT_FALSE(PtInRegion(region, 0, H - 2));
        EXPECT_TRUE(PtInRegion(region, 1, H - 2));
        EXPECT_TRUE(PtInRegion(region, 0, 2));
        EXPECT_TRUE(PtInRegion(region, W / 2, H / 2));
        DeleteObject(region);
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    std::vector<TForm*> Forms;
};

TEST_F(SkinProvider, PaintsASizeableFormFromTheSkinSections) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    ASSERT_EQ(provider->SysBorderWidth(), 4);
    ASSERT_EQ(provider->SysCaptionHeight(), 19);
    auto shot = ScreenCopyOf(wnd);
    const int W = 300, H = 200;
    // The caption band (active), the ring of the form's border image on three sides, the client in the active
    // form colour.
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 3, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), W - 1, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 150, H - 2), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(FormHot));
    EXPECT_EQ(Px(shot.get(), 4, 23), Opaque(FormHot));
    // Caption text in the active text colour between the icon and the buttons.
    EXPECT_GT(CountOf(shot.get(), TitleHotFont, 24, 4, W - 90, 23), 30);
    // Close, maximize and minimize from the right, 2 pixels apart, their insides in the normal state colour.
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("MAX", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("MIN", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    const TsCaptionButton& close = provider->CaptionButton(TsSkinProvider::cbClose);
    EXPECT_EQ(close.Rect, TRect(W - 4 - 2 - BigWidth, 3, W - 6, 3 + BigHeight));
    EXPECT_EQ(provider->CaptionButton(TsSkinProvider::cbMax).Rect.right, close.Rect.left - ButtonSpacing);
    EXPECT_EQ(Px(shot.get(), close.Rect.left + 5, 10), Opaque(GlyphColor("CLOSE", true, 0)));
    // The buttons' frame from the right border, three buttons and two corners wide.
    int frameLeft = W - 4 - (3 * (BigWidth + ButtonSpacing) + 2 * TitleButtonCorner);
    EXPECT_EQ(Px(shot.get(), frameLeft, 12), Opaque(TitleButtonRing[0]));
    EXPECT_EQ(Px(shot.get(), frameLeft - 1, 12), Opaque(TitleHot));
    ExpectRegionCorners(wnd, W, H);
    // The system's buttons are gone from the style while the provider draws its own.
    EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(SkinProvider, PrintsTheSamePictureAsTheScreenShows) {
    LoadSkin("FLATFORMMENU");
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    auto shot = ScreenCopyOf(wnd);
    auto print = PrintOf(wnd);
    auto printWindow = PrintWindowOf(wnd);
    EXPECT_EQ(DifferentInRegion(wnd, shot.get(), print.get()), 0);
    EXPECT_EQ(DifferentInRegion(wnd, shot.get(), printWindow.get()), 0);
    EXPECT_EQ(Px(print.get(), 150, 120), Opaque(FormHot));
    EXPECT_EQ(Px(print.get(), 22, 8), Opaque(TitleHot));

    // With a main menu: the line's items are in the picture, as on the screen.
    TForm* form = MakeForm(bsSizeable, 360, 40);
    AddMainMenu(form, {"&File", "&Edit"});
    AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND menuWnd = form->Handle();
    RECT item = MenuEntryRect(menuWnd, 0);
    shot = ScreenCopyOf(menuWnd);
    print = PrintOf(menuWnd);
    printWindow = PrintWindowOf(menuWnd);
    EXPECT_GT(CountOf(shot.get(), MenuItemFont, item.left, item.top, item.right, item.bottom), 5);
    EXPECT_GT(CountOf(print.get(), MenuItemFont, item.left, item.top, item.right, item.bottom), 5);
    EXPECT_EQ(DifferentInRegion(menuWnd, shot.get(), print.get()), 0);
    EXPECT_EQ(DifferentInRegion(menuWnd, shot.get(), printWindow.get()), 0);
}

TEST_F(SkinProvider, AnItemAddedToTheMenuLaterIsTheSkinsToo) {
    LoadSkin("FLATFORMMENU");
    TForm* form = MakeForm(bsSizeable);
    AddMainMenu(form, {"&File"});
    AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    auto* item = new TMenuItem(form);
    item->SetCaption("&View");
    form->Menu()->Items()->Add(item);
    Settle();
    RECT added = MenuEntryRect(wnd, 1);
    ASSERT_GT(added.right, added.left);
    auto shot = ScreenCopyOf(wnd);
    EXPECT_GT(CountOf(shot.get(), MenuItemFont, added.left, added.top, added.right, added.bottom), 5);
    // Over the skin's menu line, not the system's menu colour.
    EXPECT_GT(CountOf(shot.get(), MenuLine, added.left, added.top, added.right, added.bottom),
              (added.right - added.left) * (added.bottom - added.top) / 2);
    auto print = PrintOf(wnd);
    EXPECT_EQ(DifferentInRegion(wnd, shot.get(), print.get()), 0);
}

TEST_F(SkinProvider, AFormPaintedWithoutCacheShowsWhatItPaintsItself) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    const TColor own = static_cast<TColor>(0x2090E0);
    form->OnPaint = [form, own](TObject*) {
        form->Canvas()->Brush()->SetColor(own);
        form->Canvas()->FillRect(TRect(10, 10, 50, 30));
    };
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    // The flat skin's uniform form is painted straight to the screen, not through the frame cache.
    ASSERT_FALSE(provider->SkinData()->IsCached());
    auto counted = [own](TBitmap* b) { return CountPx(b, [own](TColor p) { return p == own; }); };
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(counted(shot.get()), 40 * 20);
    EXPECT_EQ(Px(shot.get(), 4 + 10, 23 + 10), own);
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(FormHot));
    auto print = PrintOf(wnd);
    EXPECT_EQ(counted(print.get()), 40 * 20);
    EXPECT_EQ(DifferentInRegion(wnd, shot.get(), print.get()), 0);
    // Painted again after the form was covered.
    InvalidateRect(wnd, nullptr, TRUE);
    Settle(100);
    EXPECT_EQ(counted(ScreenCopyOf(wnd).get()), 40 * 20);
}

TEST_F(SkinProvider, AFormDescriptionWithAManagerAndAProviderComesUpSkinned) {
    std::string dir = Dir->Path();
    std::string text = "object Described: TForm\r\n"
                       "  Left = 60\r\n  Top = 60\r\n  Width = 300\r\n  Height = 200\r\n"
                       "  Caption = 'Described'\r\n  Position = poDesigned\r\n"
                       "  object Skins: TsSkinManager\r\n"
                       "    SkinDirectory = '" + dir + "'\r\n"
                       "    SkinName = 'FLATFORM'\r\n"
                       "  end\r\n"
                       "  object Provider: TsSkinProvider\r\n"
                       "    GripMode = gmRightBottom\r\n"
                       "    ScreenSnap = True\r\n"
                       "    SnapBuffer = 12\r\n"
                       "    ResizeMode = rmBorder\r\n"
                       "    CaptionAlignment = taCenter\r\n"
                       "    TitleButtons = <\r\n"
                       "      item\r\n"
                       "        Name = 'Pin'\r\n"
                       "      end>\r\n"
                       "  end\r\n"
                       "end\r\n";
    // Read as a form reads its description while it is made.
    TForm* form = MakeForm(bsSizeable);
    ReadComponentText(text, form);
    form->AfterConstruction();
    auto* provider = dynamic_cast<TsSkinProvider*>(form->FindComponent("Provider"));
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->Form(), form);
    EXPECT_EQ(provider->GripMode(), gmRightBottom);
    EXPECT_TRUE(provider->ScreenSnap());
    EXPECT_EQ(provider->SnapBuffer(), 12);
    EXPECT_EQ(provider->ResizeMode(), rmBorder);
    EXPECT_EQ(provider->CaptionAlignment(), taCenter);
    ASSERT_EQ(provider->TitleButtons()->Count(), 1);
    EXPECT_EQ(provider->TitleButtons()->Items(0)->Name(), "Pin");
    // The description's own manager is the one in force: the form comes up with the skin's frame.
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(FormHot));
    EXPECT_EQ(CountOf(shot.get(), GripColor), (GripSize - 2) * (GripSize - 2));
    ExpectRegionCorners(wnd, 300, 200);

    // Written back, the provider and the manager carry what was read; the manager's two read-only texts travel too
    // and change nothing when read.
    std::string written = WriteComponentText(form);
    for (const char* line : {"object Provider: TsSkinProvider", "GripMode = gmRightBottom", "SnapBuffer = 12",
                             "ResizeMode = rmBorder", "CaptionAlignment = taCenter", "Name = 'Pin'",
                             "Version = '6.00 beta'"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
    auto* skins = dynamic_cast<TsSkinManager*>(form->FindComponent("Skins"));
    ASSERT_NE(skins, nullptr);
    EXPECT_NE(written.find("SkinInfo = '" + skins->SkinInfo() + "'"), std::string::npos);
    TForm* copy = MakeForm(bsSizeable, 400, 60);
    ReadComponentText(written, copy);
    auto* read = dynamic_cast<TsSkinProvider*>(copy->FindComponent("Provider"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->SnapBuffer(), 12);
    EXPECT_EQ(read->TitleButtons()->Count(), 1);
    EXPECT_EQ(TsSkinManager::Version(), "6.00 beta");
}

TEST_F(SkinProvider, ComposesAWideBorderWithTheSectionCorners) {
    LoadSkin("FLATFORMWIDE");
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    auto shot = ScreenCopyOf(wnd);
    // The border image's ring is 7 wide: it reaches 3 pixels into the client area; the client shows the frame
    // cache, whose centre is the form colour of the border image.
    EXPECT_EQ(Px(shot.get(), 6, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 7, 100), Opaque(Form));
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(Form));
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(TitleHot));
    ExpectRegionCorners(wnd, 300, 200);
    auto print = PrintOf(wnd);
    EXPECT_EQ(DifferentInRegion(wnd, shot.get(), print.get()), 0);
}

TEST_F(SkinProvider, PaintsTheSizeGripOnAFormPaintedWithoutCache) {
    TsSkinProvider* provider = GrippedForm("FLATFORM");
    TCustomForm* form = provider->Form();
    ASSERT_FALSE(provider->SkinData()->IsCached());
    auto shot = ScreenCopyOf(form->Handle());
    EXPECT_EQ(CountOf(shot.get(), GripColor), (GripSize - 2) * (GripSize - 2));
    EXPECT_EQ(Px(shot.get(), 300 - 4 - GripSize + 1, 200 - 4 - GripSize + 1), Opaque(GripColor));
    // Grown and shrunk, one grip at the new corner and nothing left at the old one.
    for (TRect bounds : {TRect(40, 40, 380, 290), TRect(40, 40, 320, 250)}) {
        form->SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
        Settle(150);
        shot = ScreenCopyOf(form->Handle());
        EXPECT_EQ(CountOf(shot.get(), GripColor), (GripSize - 2) * (GripSize - 2)) << bounds.Width();
        EXPECT_EQ(Px(shot.get(), bounds.Width() - 4 - GripSize + 1, bounds.Height() - 4 - GripSize + 1), Opaque(GripColor));
    }
}

TEST_F(SkinProvider, PaintsTheSizeGripIntoTheFrameCache) {
    TCustomForm* form = GrippedForm("FLATFORMWIDE")->Form();
    auto shot = ScreenCopyOf(form->Handle());
    // Inside the borders at the bottom right; its inside (the mask's black) in the grip's colour.
    EXPECT_EQ(CountOf(shot.get(), GripColor), (GripSize - 2) * (GripSize - 2));
    EXPECT_EQ(Px(shot.get(), 300 - 4 - GripSize + 1, 200 - 4 - GripSize + 1), Opaque(GripColor));
}

struct StyleCase {
    TFormBorderStyle Style;
    int Border, Caption;
    bool Big;
    int Buttons;  // caption buttons shown
};

class SkinProviderStyles : public SkinProvider, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(SkinProviderStyles, GivesEachBorderStyleItsFrameAndButtons) {
    LoadSkin();
    const StyleCase& c = GetParam();
    TsSkinProvider* provider = SkinnedForm(c.Style);
    HWND wnd = provider->Form()->Handle();
    EXPECT_EQ(provider->SysBorderWidth(), c.Border);
    EXPECT_EQ(provider->SysCaptionHeight(), c.Caption);
    auto shot = ScreenCopyOf(wnd);
    int W = 300, H = 200;
    if (c.Style == bsNone) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(wnd, region), ERROR);
        DeleteObject(region);
        EXPECT_EQ(CountOf(shot.get(), FormHot), W * H);
        return;
    }
    EXPECT_EQ(Px(shot.get(), W - 100, c.Border + 2), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), W / 2, H - 1), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), W / 2, H / 2), Opaque(FormHot));
    int gw = c.Big ? BigWidth : SmallWidth, gh = c.Big ? BigHeight : SmallHeight;
    int inside = (gw - 2) * (gh - 2);
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", c.Big, 0)), inside);
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("MAX", c.Big, 0)), c.Buttons > 1 ? inside : 0);
    const TsCaptionButton& close = provider->CaptionButton(TsSkinProvider::cbClose);
    int spacing = c.Big ? ButtonSpacing : 0;
    EXPECT_EQ(close.Rect.right, W - c.Border - spacing);
    // Glyphs lower than 16 pixels sit 2 lower on the two big caption styles.
    bool bigCaption = c.Style == bsSizeable || c.Style == bsSingle;
    EXPECT_EQ(close.Rect.top, (c.Caption - gh + c.Border) / 2 + (bigCaption && gh < 16 ? 2 : 0));
    ExpectRegionCorners(wnd, W, H);
}

INSTANTIATE_TEST_SUITE_P(BorderStyles, SkinProviderStyles,
                         ::testing::Values(StyleCase{bsSizeable, 4, 19, true, 3}, StyleCase{bsSingle, 3, 19, true, 3},
                                           StyleCase{bsDialog, 3, 19, false, 1},
                                           StyleCase{bsToolWindow, 3, 16, false, 1}, StyleCase{bsNone, 0, 0, true, 0}));

TEST_F(SkinProvider, GlyphsLowerThanSixteenPixelsSitTwoPixelsLower) {
    LoadSkin("FLATFORMSHORT");
    const int gh = 14;
    for (TFormBorderStyle style : {bsSizeable, bsSingle}) {
        TsSkinProvider* provider = SkinnedForm(style);
        ASSERT_EQ(provider->ButtonHeight(), gh);
        int border = provider->SysBorderHeight();
        const TsCaptionButton& close = provider->CaptionButton(TsSkinProvider::cbClose);
        EXPECT_EQ(close.Rect.top, (19 - gh + border) / 2 + 2) << style;
        EXPECT_EQ(close.Rect.bottom, close.Rect.top + gh);
        auto shot = ScreenCopyOf(provider->Form()->Handle());
        // The glyph's inside starts one row below its top: the row above it is the caption's.
        EXPECT_EQ(Px(shot.get(), close.Rect.left + 5, close.Rect.top + 1), Opaque(GlyphColor("CLOSE", true, 0)));
        EXPECT_NE(Px(shot.get(), close.Rect.left + 5, close.Rect.top - 1), Opaque(GlyphColor("CLOSE", true, 0)));
    }
}

TEST_F(SkinProvider, DrawsTheCaptionButtonsInTheirStates) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    const int inside = (BigWidth - 2) * (BigHeight - 2);
    for (int state : {1, 2, 0}) {
        provider->CaptionButton(TsSkinProvider::cbClose).State = state;
        provider->RepaintFrame();
        Settle(50);
        auto shot = ScreenCopyOf(wnd);
        EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", true, state)), inside) << state;
        EXPECT_EQ(CountOf(shot.get(), GlyphColor("MAX", true, 0)), inside) << state;
    }
    // An inactive form shows the inactive caption and every button's inactive image.
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    Settle(50);
    auto inactive = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(inactive.get(), 22, 8), Opaque(Title));
    EXPECT_EQ(CountOf(inactive.get(), GlyphColor("CLOSE", true, 3)), inside);
    EXPECT_EQ(CountOf(inactive.get(), GlyphColor("MIN", true, 3)), inside);
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    Settle(50);
    EXPECT_EQ(Px(ScreenCopyOf(wnd).get(), 22, 8), Opaque(TitleHot));
}

TEST_F(SkinProvider, ShowsTheButtonsTheSystemMenuOffersAndTheRestoreGlyph) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    form->SetBorderIcons({biSystemMenu, biMinimize});
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    const int inside = (BigWidth - 2) * (BigHeight - 2);
    auto shot = ScreenCopyOf(form->Handle());
    // Without biMaximize there is no maximize button: minimize stands next to close.
    for (int state = 0; state < 4; ++state)
        EXPECT_EQ(CountOf(shot.get(), GlyphColor("MAX", true, state)), 0) << state;
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("MIN", true, 0)), inside);
    EXPECT_EQ(provider->CaptionButton(TsSkinProvider::cbMin).Rect.right,
              provider->CaptionButton(TsSkinProvider::cbClose).Rect.left - ButtonSpacing);
    form->SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    form->SetWindowState(wsMaximized);
    Settle();
    auto maximized = ScreenCopyOf(form->Handle());
    EXPECT_EQ(CountOf(maximized.get(), GlyphColor("NORM", true, 0)), inside);
    EXPECT_EQ(CountOf(maximized.get(), GlyphColor("MAX", true, 0)), 0);
}

TEST_F(SkinProvider, PaintsTheMenuLineUnderTheCaption) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    auto* menu = new TMainMenu(form);
    for (const char* caption : {"&File", "&Edit"}) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }
    form->SetMenu(menu);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    EXPECT_EQ(provider->MenuLineHeight(), GetSystemMetrics(SM_CYMENU) - 1);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetClientOffset), 0),
              MAKELONG(4, 23 + GetSystemMetrics(SM_CYMENU)));
    auto shot = ScreenCopyOf(wnd);
    // The line's section right of the items, up to the right border; the items drawn over it by the menu painter.
    EXPECT_EQ(Px(shot.get(), 290, 30), Opaque(MenuLine));
    RECT window, item;
    GetWindowRect(wnd, &window);
    ASSERT_TRUE(GetMenuItemRect(wnd, GetMenu(wnd), 0, &item));
    OffsetRect(&item, -window.left, -window.top);
    EXPECT_GE(item.top, 23);
    int text = CountPx(
        shot.get(), [](TColor c) { return c != Opaque(MenuLine); }, item.left, item.top, item.right, item.bottom);
    EXPECT_GT(text, 5);
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(FormHot));
    // A caption-only repaint (the form turns inactive) keeps the menu line.
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    Settle(50);
    auto inactive = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(inactive.get(), 22, 8), Opaque(Title));
    EXPECT_EQ(Px(inactive.get(), 290, 24), Opaque(MenuLine));
    EXPECT_EQ(Px(inactive.get(), 290, 30), Opaque(MenuLine));
    EXPECT_GT(
        CountPx(
            inactive.get(), [](TColor c) { return c != Opaque(MenuLine); }, item.left, item.top, item.right, item.bottom),
        5);
}

TEST_F(SkinProvider, ToolWindowTakesTheBigGlyphsWithoutSmallOnes) {
    LoadSkin("FLATFORMBIG");
    TsSkinProvider* provider = SkinnedForm(bsToolWindow);
    auto shot = ScreenCopyOf(provider->Form()->Handle());
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_TRUE(provider->CaptionButton(TsSkinProvider::cbClose).Big);
}

TEST_F(SkinProvider, PlacesUserButtonsLeftOfTheSystemOnes) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    TsSkinProvider* provider = AddProvider(form);
    TsTitleButton* button = provider->TitleButtons()->Add();
    (void)button;
    provider->RepaintFrame();
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    const TRect& user = provider->TitleButtons()->Items(0)->BtnRect;
    const TRect& min = provider->CaptionButton(TsSkinProvider::cbMin).Rect;
    EXPECT_EQ(user.right, min.left - ButtonSpacing - 8);
    EXPECT_EQ(user.Width(), TitleButtonSize);
    auto shot = ScreenCopyOf(form->Handle());
    EXPECT_EQ(Px(shot.get(), user.left + 1, user.top + 1), Opaque(TitleButtonRing[0]));
    EXPECT_EQ(Px(shot.get(), user.left + TitleButtonSize / 2, user.top + 8), Opaque(TitleButtonCentre[0]));
}

TEST_F(SkinProvider, LaysOutButtonsOf21PixelsWithoutGlyphs) {
    LoadSkin("FLATFORMBARE");
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    EXPECT_EQ(provider->ButtonHeight(), 21);
    EXPECT_EQ(provider->ButtonWidth(provider->CaptionButton(TsSkinProvider::cbMax)), 21);
    // Close needs its glyph to be placed; maximize and minimize take their places without one.
    const TsCaptionButton& max = provider->CaptionButton(TsSkinProvider::cbMax);
    EXPECT_EQ(max.Rect.right, 300 - 4 - ButtonSpacing);
    EXPECT_EQ(max.Rect.Width(), 21);
    EXPECT_EQ(provider->CaptionButton(TsSkinProvider::cbMin).Rect.right, max.Rect.left - ButtonSpacing);
    EXPECT_EQ(provider->ButtonsWidth(), 3 * (21 + ButtonSpacing));
    EXPECT_EQ(Px(ScreenCopyOf(provider->Form()->Handle()).get(), 150, 8), Opaque(TitleHot));
}

TEST_F(SkinProvider, KeepsTheSkinnedCaptionWhenTheTextChanges) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    int before = CountOf(ScreenCopyOf(wnd).get(), TitleHotFont);
    provider->Form()->SetCaption("A much longer caption of the skinned form");
    Settle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_GT(CountOf(shot.get(), TitleHotFont), before);
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE, 0);
    // A caption wider than the room between icon and buttons is cut (with an ellipsis) 6 pixels before them.
    int textRight = 300 - provider->ButtonsWidth() - 6;
    EXPECT_EQ(CountOf(shot.get(), TitleHotFont, textRight, 4, 300, 23), 0);
    EXPECT_GT(CountOf(shot.get(), TitleHotFont, textRight - 12, 4, textRight, 23), 0);
}

TEST_F(SkinProvider, TakesTheGlobalColourOrGivesTheButtonFaceBack) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    EXPECT_EQ(provider->TitleSkin(), "");
    EXPECT_EQ(ColorToRGB(provider->Form()->Color()), Opaque(Global));
    provider->SetUseGlobalColor(false);
    EXPECT_EQ(provider->Form()->Color(), clBtnFace);
    provider->SetUseGlobalColor(true);
    EXPECT_EQ(ColorToRGB(provider->Form()->Color()), Opaque(Global));
}

TEST_F(SkinProvider, RegionFollowsTheFormsSize) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    TForm* form = static_cast<TForm*>(provider->Form());
    form->SetBounds(60, 60, 360, 260);
    Settle();
    ExpectRegionCorners(form->Handle(), 360, 260);
    auto shot = ScreenCopyOf(form->Handle());
    EXPECT_EQ(Px(shot.get(), 180, 258), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 358, 130), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 180, 130), Opaque(FormHot));
    const TsCaptionButton& close = provider->CaptionButton(TsSkinProvider::cbClose);
    EXPECT_EQ(close.Rect.right, 360 - 4 - ButtonSpacing);
}

TEST_F(SkinProvider, AnswersTheSkinCommandsAndSwallowsWhatWouldShowTheSystemFrame) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    form->HandleNeeded();
    TSpyHook spy(form);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    Settle();
    HWND wnd = form->Handle();
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(GetWndProvider(wnd), provider);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetClientOffset), 0), MAKELONG(4, 23));
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetApplication), 0),
              reinterpret_cast<LRESULT>(Application.Get()));
    spy.Seen.clear();
    for (UINT msg : {0x93u, static_cast<UINT>(WM_PRINTCLIENT), 0xBC4Du, 0xB034u, 0xB04Cu}) {
        EXPECT_EQ(SendMessageA(wnd, msg, 16802, 0), 0) << msg;
        EXPECT_FALSE(spy.Saw(msg)) << msg;
    }
    // A background question gets the frame cache with the client area's place in it.
    TacBGInfo info;
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
    EXPECT_NE(info.BgType, 0);
}

TEST_F(SkinProvider, AttachesAdaptersToTheChildrenAndGivesThemBack) {
    LoadSkin();
    // The application names its edit class in the manager's first class-name list.
    Manager->ThirdLists(0)->SetText("TEdit");
    TForm* form = MakeForm(bsSizeable);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 120, 24);
    auto* skipped = new TEdit(form);
    skipped->SetParent(form);
    skipped->SetBounds(20, 60, 120, 24);
    skipped->SetTag(-98);
    form->HandleNeeded();
    LONG_PTR editProcedure = GetWindowLongPtrA(edit->Handle(), GWLP_WNDPROC);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    ASSERT_NE(provider->Adapter(), nullptr);
    EXPECT_NE(GetPropA(edit->Handle(), "ACSBSC"), nullptr);
    EXPECT_EQ(GetPropA(skipped->Handle(), "ACSBSC"), nullptr);
    EXPECT_EQ(SendMessageA(edit->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    Manager->SetActive(false);
    Settle();
    EXPECT_EQ(provider->Adapter(), nullptr);
    EXPECT_EQ(GetPropA(edit->Handle(), "ACSBSC"), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(edit->Handle(), GWLP_WNDPROC), editProcedure);
}

TEST_F(SkinProvider, KeepsTheRegionOfAWindowThatAnswersForItsOwn) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    form->HandleNeeded();
    AddProvider(form);
    TOwnRegionHook own(form);
    form->Show();
    Settle();
    EXPECT_GT(own.Asked, 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form->Handle(), region), ERROR);
    DeleteObject(region);
    EXPECT_EQ(Px(ScreenCopyOf(form->Handle()).get(), 150, 120), Opaque(FormHot));
}

TEST_F(SkinProvider, LeavesAFormWithoutManagerToTheSystem) {
    TForm* form = MakeForm(bsSizeable);
    form->HandleNeeded();
    LONG_PTR procedure = GetWindowLongPtrA(form->Handle(), GWLP_WNDPROC);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), procedure);
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(wnd, region), ERROR);
    DeleteObject(region);
    // The caption is the system's, not the skin's.
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(CountOf(shot.get(), TitleHot), 0);
    EXPECT_EQ(CountOf(shot.get(), Ring), 0);
    EXPECT_EQ(GetWndProvider(wnd), provider);
}

TEST_F(SkinProvider, GivesTheFormBackWhenTheSkinGoes) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    form->HandleNeeded();
    HWND wnd = form->Handle();
    LONG_PTR procedure = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    TWndMethod own = form->WindowProc();
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(wnd);
    Settle();
    ASSERT_GT(CountOf(ScreenCopyOf(wnd).get(), TitleHot), 100);
    Manager->SetActive(false);
    Settle();
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), procedure);
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(wnd, region), ERROR);
    DeleteObject(region);
    auto plain = ScreenCopyOf(wnd);
    EXPECT_EQ(CountOf(plain.get(), TitleHot), 0);
    EXPECT_EQ(CountOf(plain.get(), Ring), 0);
    // The skin comes back: so do the skinned frame and the region.
    Manager->SetActive(true);
    Settle();
    EXPECT_GT(CountOf(ScreenCopyOf(wnd).get(), TitleHot), 100);
    ExpectRegionCorners(wnd, 300, 200);
    // The provider goes: the form's own WindowProc is back.
    provider->Free();
    Settle();
    EXPECT_TRUE(form->WindowProc() == own);
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), procedure);
    EXPECT_EQ(GetWindowRgn(wnd, region = CreateRectRgn(0, 0, 0, 0)), ERROR);
    DeleteObject(region);
    EXPECT_EQ(CountOf(ScreenCopyOf(wnd).get(), TitleHot), 0);
}

TEST_F(SkinProvider, SecondProviderStaysInactive) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    AddProvider(form);
    auto* second = new TsSkinProvider(form);
    EXPECT_EQ(second->Form(), nullptr);
    form->Show();
    Settle();
    EXPECT_GT(CountOf(ScreenCopyOf(form->Handle()).get(), TitleHot), 100);
}

TEST_F(SkinProvider, DwmWithoutTheLibraryAnswersNotImplemented) {
    TacDwmEntryPoints saved = acDwm();
    acDwm().SetWindowAttribute = nullptr;
    int value = 1;
    EXPECT_EQ(acDwmSetWindowAttribute(nullptr, 2, &value, sizeof value), E_NOTIMPL);
    acDwm() = saved;
    // Under this system composition is never on.
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    EXPECT_FALSE(provider->DwmAvailable());
}

// Every border style side by side, for a look at the screen (BRIMLET_HOLD_MS keeps them there).
TEST_F(SkinProvider, ShowsEveryBorderStyle) {
    LoadSkin();
    int x = 10;
    for (TFormBorderStyle style : {bsSizeable, bsSingle, bsDialog, bsToolWindow, bsNone}) {
        TForm* form = MakeForm(style, x, 300, 240, 160);
        if (style == bsSizeable) {
            form->SetBorderIcons({biSystemMenu, biMinimize, biMaximize, biHelp});
            auto* menu = new TMainMenu(form);
            for (const char* caption : {"&File", "&Edit"}) {
                auto* item = new TMenuItem(form);
                item->SetCaption(caption);
                menu->Items()->Add(item);
            }
            form->SetMenu(menu);
        }
        AddProvider(form)->TitleButtons()->Add();
        form->Show();
        x += 250;
    }
    Settle();
    if (const char* hold = std::getenv("BRIMLET_HOLD_MS"))
        Settle(static_cast<DWORD>(std::atoi(hold)));
    // Each whole client area in the form colour of its state.
    for (TForm* form : Forms) {
        auto shot = ScreenCopyOf(form->Handle());
        RECT window;
        GetWindowRect(form->Handle(), &window);
        POINT origin{0, 0};
        ClientToScreen(form->Handle(), &origin);
        int l = origin.x - window.left, t = origin.y - window.top;
        int r = l + form->ClientWidth(), b = t + form->ClientHeight();
        EXPECT_EQ(CountOf(shot.get(), FormHot, l, t, r, b) + CountOf(shot.get(), Form, l, t, r, b),
                  form->ClientWidth() * form->ClientHeight())
            << form->BorderStyle();
    }
}

}  // namespace

// --- caption covers ---

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM Count) {
    ++*reinterpret_cast<int*>(Count);
    return TRUE;
}

// Every window of this thread, shown or not.
int ThreadWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

// Pixels of the screen copy that differ from the frame cache at the window's place inside the frame.
int DifferentFromCache(TBitmap* Shot, TBitmap* Cache, int OffsetX, int OffsetY, int Rows = -1) {
    int n = 0;
    for (int y = 0; y < (Rows < 0 ? Shot->Height() : Rows); ++y)
        for (int x = 0; x < Shot->Width(); ++x)
            if (Px(Shot, x, y) != Px(Cache, x + OffsetX, y + OffsetY))
                ++n;
    return n;
}

}  // namespace

TEST_F(SkinProvider, CoversTheCaptionWithTheComposedFrameAndLeavesNoWindowBehind) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    ASSERT_EQ(GetForegroundWindow(), wnd);
    int windowsBefore = ThreadWindows();
    provider->UnlockCaption();  // without a cover: nothing happens
    EXPECT_EQ(provider->CaptionCover(), nullptr);

    provider->LockCaption(false);
    TForm* cover = provider->CaptionCover();
    ASSERT_NE(cover, nullptr);
    HWND coverWnd = cover->Handle();
    EXPECT_EQ(cover->Tag(), -98);
    EXPECT_TRUE(IsWindowVisible(coverWnd));
    EXPECT_EQ(GetForegroundWindow(), wnd);
    EXPECT_EQ(GetWindowLongA(coverWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // Left alone by the skinning: no provider answers for it, no region, nothing attached to it.
    EXPECT_EQ(SendMessageA(coverWnd, SM_QUORVEXCMD, MakeSkinCmd(scGetProvider), 0), 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(coverWnd, region), ERROR);
    DeleteObject(region);
    EXPECT_EQ(cover->ComponentCount(), 0);
    // Over the caption area: the form's top-left corner, its width, borders plus caption high.
    RECT form, covered;
    GetWindowRect(wnd, &form);
    GetWindowRect(coverWnd, &covered);
    EXPECT_EQ(covered.left, form.left);
    EXPECT_EQ(covered.top, form.top);
    EXPECT_EQ(covered.right - covered.left, 300);
    EXPECT_EQ(covered.bottom - covered.top, provider->CaptionAreaHeight());
    EXPECT_EQ(provider->CaptionAreaHeight(), 23);
    // The composed caption, not an empty surface (the X server gets the picture a moment later).
    Settle();
    auto shot = ScreenCopyOf(coverWnd);
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_EQ(CountOf(shot.get(), 0x000000), 0);
    EXPECT_EQ(DifferentFromCache(shot.get(), provider->SkinData()->CacheBmp(), 0, 0), 0);

    // A second lock reuses the cover.
    provider->LockCaption(false);
    EXPECT_EQ(provider->CaptionCover(), cover);
    EXPECT_EQ(ThreadWindows(), windowsBefore + 1);
    Settle();
    EXPECT_EQ(Px(ScreenCopyOf(coverWnd).get(), 120, 1), Opaque(TitleHot));

    provider->UnlockCaption();
    EXPECT_EQ(provider->CaptionCover(), nullptr);
    EXPECT_FALSE(IsWindow(coverWnd));
    EXPECT_EQ(ThreadWindows(), windowsBefore);
    EXPECT_EQ(GetForegroundWindow(), wnd);
}

TEST_F(SkinProvider, TheSkinnedCaptionComesBackAfterTheSystemDrewUnderTheCover) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    provider->LockCaption(false);
    HWND coverWnd = provider->CaptionCover()->Handle();
    // The system's own caption goes under the cover; the cover still shows the skinned one.
    DefWindowProcA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Drawn by the system"));
    DefWindowProcA(wnd, WM_NCACTIVATE, TRUE, 0);
    Settle();
    EXPECT_EQ(Px(ScreenCopyOf(coverWnd).get(), 120, 1), Opaque(TitleHot));
    provider->UnlockCaption();
    Settle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(TitleHot));
    // All but the region's cut corners (3 + 1 pixels at each top corner) as the cache has them.
    EXPECT_LE(DifferentFromCache(shot.get(), provider->SkinData()->CacheBmp(), 0, 0, provider->CaptionAreaHeight()), 8);
}

TEST_F(SkinProvider, CoverOfAStayOnTopFormIsTopmostAndMayCoverTheWholeForm) {
    LoadSkin();
    TForm* form = MakeForm(bsSizeable);
    form->SetFormStyle(fsStayOnTop);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    provider->LockCaption(true);
    HWND coverWnd = provider->CaptionCover()->Handle();
    EXPECT_NE(GetWindowLongA(coverWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetForegroundWindow(), wnd);
    RECT covered;
    GetWindowRect(coverWnd, &covered);
    EXPECT_EQ(covered.bottom - covered.top, 200);
    Settle();
    auto shot = ScreenCopyOf(coverWnd);
    EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 100), Opaque(Ring));
    // Without WholeForm only the caption area.
    provider->LockCaption(false);
    GetWindowRect(coverWnd, &covered);
    EXPECT_EQ(covered.bottom - covered.top, provider->CaptionAreaHeight());
    provider->UnlockCaption();
    EXPECT_FALSE(IsWindow(coverWnd));
}

TEST_F(SkinProvider, CoverOfAnOrdinaryFormStaysOutOfTheTopmostBand) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    provider->LockCaption(true);
    HWND coverWnd = provider->CaptionCover()->Handle();
    EXPECT_EQ(GetWindowLongA(coverWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT covered;
    GetWindowRect(coverWnd, &covered);
    EXPECT_EQ(covered.bottom - covered.top, 200);
    // Above its form all the same.
    EXPECT_EQ(WindowFromPoint(POINT{covered.left + 150, covered.top + 10}), coverWnd);
    provider->UnlockCaption();
    EXPECT_FALSE(IsWindow(coverWnd));
}

TEST_F(SkinProvider, MenuLoopCoverShowsTheRightEndOfTheMenuLineUntilTheLoopEnds) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    HWND wnd = provider->Form()->Handle();
    int windowsBefore = ThreadWindows();
    provider->ShowMenuLoopCover();
    ASSERT_NE(MenuLoopCover, nullptr);
    TForm* cover = MenuLoopCover;
    provider->ShowMenuLoopCover();  // made once
    EXPECT_EQ(MenuLoopCover, cover);
    HWND coverWnd = cover->Handle();
    EXPECT_EQ(cover->Tag(), -98);
    EXPECT_EQ(GetForegroundWindow(), wnd);
    RECT form, covered;
    GetWindowRect(wnd, &form);
    GetWindowRect(coverWnd, &covered);
    EXPECT_EQ(covered.left, form.right - 60);
    EXPECT_EQ(covered.top, form.top + provider->SysCaptionHeight());
    EXPECT_EQ(covered.right - covered.left, 60);
    EXPECT_EQ(covered.bottom - covered.top, GetSystemMetrics(SM_CYMENU) + 3);
    Settle();
    auto shot = ScreenCopyOf(coverWnd);
    TBitmap* cache = provider->SkinData()->CacheBmp();
    EXPECT_EQ(DifferentFromCache(shot.get(), cache, 300 - 60, provider->SysCaptionHeight()), 0)
        << std::hex << Px(shot.get(), 10, 2) << " " << Px(cache, 250, 21) << " " << Px(shot.get(), 10, 10) << " "
        << Px(cache, 250, 29);
    TsSkinProvider::FreeMenuLoopCover();
    EXPECT_EQ(MenuLoopCover, nullptr);
    EXPECT_FALSE(IsWindow(coverWnd));
    EXPECT_EQ(ThreadWindows(), windowsBefore);
    TsSkinProvider::FreeMenuLoopCover();  // nothing left to free
}

TEST_F(SkinProvider, CoversGoWithTheirProvider) {
    LoadSkin();
    TsSkinProvider* provider = SkinnedForm(bsSizeable);
    int windowsBefore = ThreadWindows();
    provider->LockCaption(false);
    provider->ShowMenuLoopCover();
    HWND captionCover = provider->CaptionCover()->Handle();
    HWND loopCover = MenuLoopCover->Handle();
    provider->Free();
    EXPECT_FALSE(IsWindow(captionCover));
    EXPECT_FALSE(IsWindow(loopCover));
    EXPECT_EQ(MenuLoopCover, nullptr);
    EXPECT_EQ(ThreadWindows(), windowsBefore);
}
