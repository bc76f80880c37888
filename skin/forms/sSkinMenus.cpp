#include "sSkinMenus.h"
#include "sSkinProvider.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinManager.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// --- what one popup being shown leaves behind (library-wide: one popup menu opens at a time) ---

struct TacMenuCache {
    TMenuItem* FirstItem = nullptr;  // the first item of the popup being measured and painted
    std::unique_ptr<TBitmap> Background;
    std::string ExtraSection = "EXTRALINE";
    std::string ExtraCaption = "Don`t forget OnGetExtraLineData event...";
    std::unique_ptr<TBitmap> ExtraGlyph;
    bool ExtraLineVisible = false;
    bool ExtraLineShown = false;  // fetched for this popup
    bool Fetching = false;
    int MeasuredKind = mkNormal;
    std::map<TMenuItem*, TSize> Measured;  // the sizes measured for the popup's items
};

TacMenuCache& Cache() {
    static TacMenuCache cache;
    return cache;
}

TFont*& MenuFontOverride() {
    static TFont* font = nullptr;
    return font;
}

void ClearCache() {
    TacMenuCache& c = Cache();
    c.FirstItem = nullptr;
    c.Background.reset();
    c.ExtraLineShown = false;
    c.ExtraLineVisible = false;
    c.Measured.clear();
}

bool IsNTPlatform() {
    static const bool nt = [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    }();
    return nt;
}

int WindowsMajorVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(&info) ? static_cast<int>(info.dwMajorVersion) : 0;
#pragma GCC diagnostic pop
}

// The handlers put on the items: a painter's methods in objects that can be recognised again, so that a handler
// of the application's own is never taken for ours.
struct TacMenuMeasure {
    TsSkinableMenus* Owner;
    bool Line;
    void operator()(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) const {
        try {
            if (Line)
                Owner->MeasureLineItem(Sender, ACanvas, Width, Height);
            else
                Owner->MeasureItem(Sender, ACanvas, Width, Height);
        } catch (...) {
            // A measure runs inside the system's menu code: the application reports the fault.
            Application->HandleException(Sender);
        }
    }
};

struct TacMenuDraw {
    TsSkinableMenus* Owner;
    bool Line;
    void operator()(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State) const {
        try {
            if (Line)
                Owner->DrawLineItem(Sender, ACanvas, ARect, State);
            else
                Owner->DrawItem(Sender, ACanvas, ARect, State);
        } catch (...) {
            Application->HandleException(Sender);
        }
    }
};

bool IsOurMeasure(const TMenuMeasureItemEvent& Event, const TsSkinableMenus* Owner) {
    const auto* h = Event.target<TacMenuMeasure>();
    return h && h->Owner == Owner;
}
bool IsOurDraw(const TAdvancedMenuDrawItemEvent& Event, const TsSkinableMenus* Owner) {
    const auto* h = Event.target<TacMenuDraw>();
    return h && h->Owner == Owner;
}

void ClearOurs(TMenuItem* Item, const TsSkinableMenus* Owner) {
    if (IsOurDraw(Item->OnAdvancedDrawItem, Owner))
        Item->OnAdvancedDrawItem = nullptr;
    if (IsOurMeasure(Item->OnMeasureItem, Owner))
        Item->OnMeasureItem = nullptr;
}

void SetPopupHandlers(TMenuItem* Item, TsSkinableMenus* Owner) {
    if (!Item->OnAdvancedDrawItem)
        Item->OnAdvancedDrawItem = TacMenuDraw{Owner, false};
    if (!Item->OnMeasureItem)
        Item->OnMeasureItem = TacMenuMeasure{Owner, false};
}

void SetLineHandlers(TMenuItem* Item, TsSkinableMenus* Owner) {
    Item->OnAdvancedDrawItem = TacMenuDraw{Owner, true};
    Item->OnMeasureItem = TacMenuMeasure{Owner, true};
}

TFont* CurrentMenuFont() {
    if (TFont* font = MenuFontOverride())
        return font;
    return Screen ? Screen->MenuFont() : nullptr;
}

TCustomForm* ParentFormOf(TMenuItem* Item) {
    TMenu* menu = Item->GetParentMenu();
    for (TComponent* c = menu ? menu->Owner() : nullptr; c; c = c->Owner())
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            return form;
    return nullptr;
}

std::string RemoveAmpersands(std::string Text) {
    Text.erase(std::remove(Text.begin(), Text.end(), '&'), Text.end());
    return Text;
}

// Copies Bmp's pixels towards Background's by Factor (0.4: four tenths of the background show).
void FadeOver(TBitmap* Bmp, TBitmap* Background, double Factor) {
    GdiFlush();
    int w = std::min(Bmp->Width(), Background->Width()), h = std::min(Bmp->Height(), Background->Height());
    for (int y = 0; y < h; ++y) {
        auto* d = static_cast<uint8_t*>(Bmp->ScanLine(y));
        const auto* s = static_cast<const uint8_t*>(Background->ScanLine(y));
        for (int x = 0; x < w * 3; ++x)
            d[x] = static_cast<uint8_t>(std::lround(d[x] * (1 - Factor) + s[x] * Factor));
    }
}

std::unique_ptr<TBitmap> CopyOf(TBitmap* Bmp) {
    auto copy = CreateBmp24(Bmp->Width(), Bmp->Height());
    BitBlt(copy->Canvas()->Handle(), 0, 0, Bmp->Width(), Bmp->Height(), Bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
    return copy;
}

// The Webdings character that stands for a system command in a skinned system menu, 0 for none.
char SystemGlyphOf(int Tag) {
    switch (Tag) {
    case SC_MINIMIZE:
        return '0';
    case SC_MAXIMIZE:
        return '1';
    case SC_CLOSE:
        return 'r';
    case SC_RESTORE:
        return '2';
    }
    return 0;
}

}  // namespace

TacMenuItemKind MenuItemKind(const TMenuItem* Item) {
    const std::string& c = Item->Caption();
    if (c == "-")
        return mkSeparator;
    if (c.size() > 1 && c.front() == '-' && c.back() == '-')
        return mkDivText;
    return mkNormal;
}

void SetSkinnedMenuFont(TFont* Font) { MenuFontOverride() = Font; }
TFont* SkinnedMenuFont() { return MenuFontOverride(); }

// --- TsSkinableMenus ---

TsSkinableMenus::TsSkinableMenus(TsSkinManager* SkinManager)
    : FCaptionFont(std::make_unique<TFont>()), FSkinManager(SkinManager) {}

TsSkinableMenus::~TsSkinableMenus() {
    // No item may keep a handler of a painter that is gone.
    if (FActive) {
        FActive = false;
        HookAll();
    }
}

void TsSkinableMenus::UpdateMenus() {
    SetActive(FSkinManager && FSkinManager->SkinData() && FSkinManager->SkinData()->Active);
}

void TsSkinableMenus::SetActive(bool Value) {
    if (Value == FActive)
        return;
    FActive = Value;
    HookAll();
}

TBitmap* TsSkinableMenus::PopupBackground() { return Cache().Background.get(); }

void TsSkinableMenus::ClearMenuCache() { ClearCache(); }

int TsSkinableMenus::SkinBorderWidth() {
    if (FSkinBorderWidth < 0) {
        FSkinBorderWidth = 0;
        if (FSkinManager) {
            int mask = FSkinManager->GetMaskIndex(FSkinManager->GetSkinIndex("MAINMENU"), "MAINMENU", "BORDERSMASK");
            if (FSkinManager->IsValidImgIndex(mask)) {
                int width = FSkinManager->Masks[static_cast<size_t>(mask)].BorderWidth;
                FSkinBorderWidth = width < 1 ? 3 : width;
            }
        }
    }
    return FSkinBorderWidth;
}

// --- hooking ---

void TsSkinableMenus::HookAll() {
    if (!FSkinManager || FSkinManager->ComponentState().Contains(csDesigning))
        return;
    TApplication* app = Application;
    if (!app)
        return;
    bool popups = FActive && FSkinManager->SkinnedPopups();
    std::function<void(TComponent*)> walk = [&](TComponent* owner) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            TComponent* c = owner->Components(i);
            if (auto* main = dynamic_cast<TMainMenu*>(c)) {
                HookMainMenu(main, FActive);
                for (int k = 0; k < main->Items()->Count(); ++k)
                    HookSubItems(main->Items()->Items(k), popups);
            } else if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
                HookPopupMenu(popup, popups);
            } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
                TMenu* menu = item->GetParentMenu();
                if (!dynamic_cast<TMainMenu*>(menu))
                    HookSubItems(item, popups);
            }
            walk(c);
        }
    };
    walk(app);
}

void TsSkinableMenus::HookMainMenu(TMainMenu* Menu, bool Value) {
    bool skinActive = FSkinManager && FSkinManager->SkinData() && FSkinManager->SkinData()->Active;
    TMenuItem* root = Menu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (!Value)
            ClearOurs(item, this);
        else if (skinActive)
            SetLineHandlers(item, this);
    }
    if (!Menu->Destroying())
        Menu->SetOwnerDraw(Value);
}

void TsSkinableMenus::HookPopupMenu(TPopupMenu* Menu, bool Value) {
    // The handlers first, so that the menu built anew by the switch is measured by them.
    HookSubItems(Menu->Items(), Value);
    if (!Menu->Destroying())
        Menu->SetOwnerDraw(Value);
}

void TsSkinableMenus::HookSubItems(TMenuItem* Item, bool Value) {
    for (int i = 0; i < Item->Count(); ++i) {
        TMenuItem* sub = Item->Items(i);
        if (!IsTopLineItem(sub)) {
            if (Value)
                SetPopupHandlers(sub, this);
            else
                ClearOurs(sub, this);
        }
        HookSubItems(sub, Value);
    }
}

void TsSkinableMenus::InitItem(bool Value, TMenuItem* Item) {
    if (TMenu* menu = Item->GetParentMenu(); menu && !menu->Destroying())
        menu->SetOwnerDraw(Value);
    if (!Value) {
        ClearOurs(Item, this);
        return;
    }
    if (IsTopLineItem(Item))
        SetLineHandlers(Item, this);
    else if (FSkinManager && FSkinManager->SkinnedPopups())
        SetPopupHandlers(Item, this);
}

bool TsSkinableMenus::IsHooked(const TMenuItem* Item) const {
    return IsOurDraw(Item->OnAdvancedDrawItem, this) && IsOurMeasure(Item->OnMeasureItem, this);
}

// --- measures ---

bool TsSkinableMenus::IsDivText(const TMenuItem* Item) { return MenuItemKind(Item) == mkDivText; }

bool TsSkinableMenus::IsTopLineItem(const TMenuItem* Item) {
    return Item->Parent() && dynamic_cast<TMainMenu*>(Item->GetParentMenu()) &&
           Item->Parent() == Item->GetParentMenu()->Items();
}

TSize TsSkinableMenus::GetGlyphSize(TMenuItem* Item, bool IsTopLine) {
    if (Item->HasBitmap())
        return TSize(Item->Bitmap()->Width(), Item->Bitmap()->Height());
    if (IsTopLine)
        return TSize(0, 0);
    if (TCustomImageList* images = Item->GetImageList())
        return TSize(images->Width(), images->Height());
    return TSize(16, 16);
}

int TsSkinableMenus::GetItemHeight(TMenuItem* Item, TCanvas* ACanvas) {
    TacMenuItemKind kind = MenuItemKind(Item);
    if (kind == mkSeparator)
        return 2;
    if (TFont* font = CurrentMenuFont())
        ACanvas->Font()->Assign(font);
    // Halves go to the even neighbour, as the class library rounds.
    int text = static_cast<int>(std::nearbyint(ACanvas->TextHeight("W") * 1.25));
    if (kind == mkDivText)
        return text + 2 * FMargin;
    return std::max(text, static_cast<int>(GetGlyphSize(Item, false).cy)) + 2 * FMargin;
}

int TsSkinableMenus::ExtraLineWidth() {
    if (!FSkinManager || !FSkinManager->MenuSupport()->UseExtraLine() || !Cache().ExtraLineVisible)
        return 0;
    return FSkinManager->MenuSupport()->ExtraLineWidth();
}

int TsSkinableMenus::PopupWidth(TMenuItem* Item) {
    TMenuItem* parent = Item->Parent();
    if (!parent)
        return 0;
    int total = 0, column = 0;
    bool first = true;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* it = parent->Items(i);
        if (!it->Visible())
            continue;
        if (it->Break() != mbNone && !first) {
            total += column + 4;
            column = 0;
        }
        first = false;
        auto m = Cache().Measured.find(it);
        if (m != Cache().Measured.end())
            column = std::max(column, static_cast<int>(m->second.cx));
    }
    return total + column + 12;
}

int TsSkinableMenus::PopupHeight(TMenuItem* Item) {
    TMenuItem* parent = Item->Parent();
    if (!parent)
        return 0;
    int tallest = 0, column = 0;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* it = parent->Items(i);
        if (!it->Visible())
            continue;
        if (it->Break() != mbNone)
            column = 0;
        auto m = Cache().Measured.find(it);
        if (m != Cache().Measured.end())
            column += m->second.cy;
        tallest = std::max(tallest, column);
    }
    return tallest;
}

void TsSkinableMenus::FetchExtraLine(TMenuItem* FirstItem) {
    TacMenuCache& c = Cache();
    if (c.Fetching || c.ExtraLineShown || !FSkinManager || FSkinManager->ComponentState().Contains(csDesigning))
        return;
    if (FirstItem->Name() == "SkinSelectItem") {
        // The skin-selection menu never has an extra line.
        c.ExtraLineVisible = false;
        return;
    }
    c.Fetching = true;
    struct Reset {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{c.Fetching};
    c.ExtraSection = "EXTRALINE";
    c.ExtraGlyph.reset();
    c.ExtraCaption = "Don`t forget OnGetExtraLineData event...";
    c.ExtraLineVisible = true;
    if (FSkinManager->OnGetMenuExtraLineData)
        FSkinManager->OnGetMenuExtraLineData(FirstItem, c.ExtraSection, c.ExtraCaption, c.ExtraGlyph,
                                             c.ExtraLineVisible);
    c.ExtraCaption = RemoveAmpersands(c.ExtraCaption);
    if (!c.ExtraLineVisible)
        c.ExtraGlyph.reset();
    c.ExtraLineShown = true;
}

void TsSkinableMenus::PrepareFont(TMenuItem* Item, TCanvas* ACanvas) {
    if (TFont* font = CurrentMenuFont())
        ACanvas->Font()->Assign(font);
    if (TCustomForm* form = ParentFormOf(Item))
        ACanvas->Font()->SetCharset(form->Font()->Charset());
    if (Item->Default())
        ACanvas->Font()->SetStyle(ACanvas->Font()->Style() + TFontStyles{fsBold});
}

int TsSkinableMenus::SectionFontColor(const std::string& Section, bool Hot) const {
    int index = FSkinManager ? FSkinManager->GetSkinIndex(Section) : -1;
    if (!FSkinManager || !FSkinManager->IsValidSkinIndex(index))
        return ColorToRGB(clMenuText);
    const TsGeneralData& d = FSkinManager->Sections[static_cast<size_t>(index)];
    return ColorToRGB(Hot ? d.HotFontColor[0] : d.FontColor[0]);
}

void TsSkinableMenus::MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || item->Destroying())
        return;
    TacMenuCache& c = Cache();
    TMenuItem* first = item->Parent() && item->Parent()->Count() ? item->Parent()->Items(0) : item;
    if (first != c.FirstItem) {
        ClearMenuCache();
        c.FirstItem = first;
    }
    TacMenuItemKind kind = MenuItemKind(item);
    c.MeasuredKind = kind;
    FetchExtraLine(first);
    PrepareFont(item, ACanvas);
    std::string text;
    if (kind == mkDivText)
        text = "-" + item->Caption() + "-";
    else if (kind == mkNormal) {
        text = item->Caption();
        if (item->ShortCut() != scNone)
            text += ShortCutToText(item->ShortCut());
    }
    TRect r(0, 0, 0, 0);
    if (!text.empty())
        DrawTextStr(ACanvas->Handle(), text, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
    TSize glyph = GetGlyphSize(item, false);
    Width = 2 * glyph.cx + r.Width() + 3 * FMargin + FSpacing;
    bool columns = false;
    if (TMenuItem* parent = item->Parent())
        for (int i = 0; i < parent->Count(); ++i)
            columns = columns || parent->Items(i)->Break() != mbNone;
    if (!columns)
        Width += ExtraLineWidth();
    Height = GetItemHeight(item, ACanvas);
    c.Measured[item] = TSize(Width, Height);
}

void TsSkinableMenus::MeasureLineItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || item->Destroying())
        return;
    PrepareFont(item, ACanvas);
    Height = GetSystemMetrics(SM_CYMENU) - 1;
    Width = ACanvas->TextWidth(StripHotkey(item->Caption()));
    if (TCustomImageList* images = item->GetImageList(); images && item->ImageIndex() >= 0)
        Width += images->Width() + 6;
}

// --- the popup's background ---

void TsSkinableMenus::DrawWndBorder(HWND Wnd, int Width, int Height, TMenuItem* FirstItem) {
    TacMenuCache& c = Cache();
    if (c.Background && c.FirstItem == FirstItem && c.Background->Width() == Width &&
        c.Background->Height() == Height)
        return;
    if (!FSkinManager || Width <= 0 || Height <= 0)
        return;
    c.FirstItem = FirstItem;
    auto bmp = CreateBmp24(Width, Height);
    TRect all(0, 0, Width, Height);
    int menuIndex = FSkinManager->GetSkinIndex("MAINMENU");
    PaintSkinItem(menuIndex, "MAINMENU", TCacheInfo(), -1, -1, FSkinManager, bmp.get(), TPoint(0, 0), all, 0);
    int border = SkinBorderWidth();
    // The items begin where the client area does; the strips lie under their left ends.
    int left = border;
    if (Wnd) {
        RECT wr;
        POINT origin{0, 0};
        GetWindowRect(Wnd, &wr);
        ClientToScreen(Wnd, &origin);
        left = std::max<int>(left, origin.x - wr.left);
    }
    int extra = ExtraLineWidth();
    if (extra > 0) {
        TRect strip(left, border, left + extra, Height - border);
        PaintSkinItem(FSkinManager->GetSkinIndex(c.ExtraSection), c.ExtraSection, TCacheInfo(), -1, -1, FSkinManager,
                      bmp.get(), TPoint(0, 0), strip, 0);
        int textBottom = strip.bottom;
        if (c.ExtraGlyph && !c.ExtraGlyph->Empty()) {
            int gx = strip.left + (strip.Width() - c.ExtraGlyph->Width()) / 2;
            int gy = strip.bottom - 12 - c.ExtraGlyph->Height();
            c.ExtraGlyph->SetTransparent(true);
            bmp->Canvas()->Draw(gx, gy, c.ExtraGlyph.get());
            textBottom = gy;
        }
        // The caption reads upwards. It is written level into a mask and turned by hand: fonts that cannot be
        // rotated (raster fonts) would otherwise leave the strip empty.
        auto mask = CreateBmp24(1, 1);
        TCanvas* mc = mask->Canvas();
        mc->Font()->Assign(FSkinManager->MenuSupport()->ExtraLineFont());
        mc->Font()->SetOrientation(0);
        TSize size = mc->TextExtent(c.ExtraCaption);
        if (size.cx > 0 && size.cy > 0) {
            mask->SetSize(size.cx, size.cy);
            FillDC(mc->Handle(), TRect(0, 0, size.cx, size.cy), 0);
            mc->Font()->SetColor(0xFFFFFF);
            mc->Brush()->SetStyle(bsClear);
            SetBkMode(mc->Handle(), TRANSPARENT);
            mc->TextOut(0, 0, c.ExtraCaption);
            GdiFlush();
            int colour = SectionFontColor(c.ExtraSection, false);
            uint8_t rgb[3] = {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                              static_cast<uint8_t>(colour)};
            int tx = strip.left + (strip.Width() - size.cy) / 2;
            int ty = strip.top + (textBottom - strip.top + size.cx) / 2 - 1;
            // The pixels are written by hand: the strip may be wider than the popup (the width is the
            // application's), so the bitmap bounds them too.
            const int right = std::min<int>(strip.right, Width), bottom = std::min(textBottom, Height);
            const int leftmost = std::max<int>(strip.left, 0), topmost = std::max<int>(strip.top, 0);
            for (int sy = 0; sy < size.cy; ++sy) {
                const auto* row = static_cast<const uint8_t*>(mask->ScanLine(sy));
                int dx = tx + sy;
                if (dx < leftmost || dx >= right)
                    continue;
                for (int sx = 0; sx < size.cx; ++sx) {
                    int dy = ty - sx;
                    if (dy < topmost || dy >= bottom || row[sx * 3 + 1] < 128)
                        continue;
                    auto* p = static_cast<uint8_t*>(bmp->ScanLine(dy)) + dx * 3;
                    p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2];
                }
            }
        }
    }
    TSize glyph = GetGlyphSize(FirstItem, false);
    TRect column(left + extra, border, left + extra + glyph.cx + 2 * FMargin, Height - border);
    std::string icoLine = FSkinManager->MenuSupport()->IcoLineSkin();
    if (icoLine.empty())
        icoLine = "ICOLINE";  // a manager that was never loaded from a form has not set its default yet
    PaintSkinItem(FSkinManager->GetSkinIndex(icoLine), icoLine, TCacheInfo(), -1, -1, FSkinManager, bmp.get(),
                  TPoint(0, 0), column, 0);
    FBorderRects.clear();
    int mask = FSkinManager->GetMaskIndex(menuIndex, "MAINMENU", "BORDERSMASK");
    if (FSkinManager->IsValidImgIndex(mask)) {
        const TsMaskData& m = FSkinManager->Masks[static_cast<size_t>(mask)];
        AddMaskRgnRects(FBorderRects, Width, m, false, 0);
        AddMaskRgnRects(FBorderRects, Width, m, true, Height - m.WB);
    }
    c.Background = std::move(bmp);
    if (Wnd)
        HookPopupWnd(c.Background.get(), Wnd);
}

void TsSkinableMenus::HookPopupWnd(TBitmap* Bitmap, HWND Wnd) {
    if (FBusy || !Wnd)
        return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)) != PopupWndProc) {
        SetWindowLongPtrA(Wnd, GWLP_USERDATA, GetWindowLongPtrA(Wnd, GWLP_WNDPROC));
        SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PopupWndProc));
    }
    if (!IsNTPlatform() || !Bitmap || SendMessageA(Wnd, SM_QUORVEXCMD, MakeSkinCmd(scSetUpdating), 0) != 0)
        return;
    SendMessageA(Wnd, SM_QUORVEXCMD, MakeSkinCmd(scMenuBgChanged), 0);
    FBusy = true;
    struct Reset {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{FBusy};
    HRGN region = CreateRectRgn(0, 0, Bitmap->Width(), Bitmap->Height());
    auto cut = [&](const TRect& r) {
        HRGN part = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(region, region, part, RGN_DIFF);
        DeleteObject(part);
    };
    if (FBorderRects.empty())
        cut(TRect(0, 0, 1, 1));
    else
        for (const TRect& r : FBorderRects)
            cut(r);
    // The window owns the region from here on.
    if (!SetWindowRgn(Wnd, region, TRUE))
        DeleteObject(region);
}

// --- painting the items ---

void TsSkinableMenus::DrawSeparator(TMenuItem* Item, TBitmap* Bmp, const TRect& R) {
    int extra = ExtraLineWidth();
    int glyphOffset = extra + GetGlyphSize(Item, false).cx + 2 * FMargin;
    int left = std::max(extra + FMargin + FSpacing, glyphOffset + 2);
    TRect line(R.left + left, R.top, R.right - FMargin, R.bottom);
    int divider = FSkinManager->GetSkinIndex("DIVIDERV");
    if (FSkinManager->IsValidSkinIndex(divider)) {
        PaintSkinItem(divider, "DIVIDERV", TCacheInfo(), -1, -1, FSkinManager, Bmp, TPoint(0, 0), line, 0);
        return;
    }
    int mid = R.top + (R.Height() - 2) / 2;
    FillDC(Bmp->Canvas()->Handle(), TRect(line.left, mid, line.right, mid + 1), 0xFFFFFF);
    FillDC(Bmp->Canvas()->Handle(), TRect(line.left, mid + 1, line.right, mid + 2), 0x808080);
}

void TsSkinableMenus::DrawDivText(TMenuItem* Item, TBitmap* Bmp, const TRect& R) {
    int extra = ExtraLineWidth();
    TRect area(R.left + extra, R.top, R.right, R.bottom);
    PaintSkinItem(FSkinManager->GetSkinIndex("TOOLBAR"), "TOOLBAR", TCacheInfo(), -1, -1, FSkinManager, Bmp,
                  TPoint(0, 0), area, 0);
    std::string text = Item->Caption().substr(1, Item->Caption().size() - 2);
    TCanvas* canvas = Bmp->Canvas();
    if (FCaptionFont)
        canvas->Font()->Assign(FCaptionFont.get());
    canvas->Font()->SetColor(SectionFontColor("TOOLBAR", false));
    canvas->Brush()->SetStyle(bsClear);
    DrawTextOn(canvas, text, area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TsSkinableMenus::DrawItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || !FSkinManager || ARect.IsEmpty())
        return;
    TacMenuCache& c = Cache();
    TMenuItem* first = item->Parent() && item->Parent()->Count() ? item->Parent()->Items(0) : item;
    if (first != c.FirstItem) {
        // Drawn without a measure of ours (a menu measured before the hook): start this popup afresh.
        ClearMenuCache();
        c.FirstItem = first;
        FetchExtraLine(first);
    }
    HWND wnd = IsNTPlatform() ? WindowFromDC(ACanvas->Handle()) : nullptr;
    RECT wr{};
    POINT origin{0, 0};
    int width, height;
    if (wnd && GetWindowRect(wnd, &wr)) {
        width = wr.right - wr.left;
        height = wr.bottom - wr.top;
        ClientToScreen(wnd, &origin);
        origin.x -= wr.left;
        origin.y -= wr.top;
    } else {
        wnd = nullptr;
        width = PopupWidth(item) + 2 * FBorderWidth;
        height = PopupHeight(item) + 2 * FBorderWidth;
        origin = POINT{FBorderWidth, FBorderWidth};
    }
    DrawWndBorder(wnd, width, height, first);
    TBitmap* background = c.Background.get();
    if (!background)
        return;
    // The item in the popup's picture.
    TRect inWnd(ARect.left + origin.x, ARect.top + origin.y, ARect.right + origin.x, ARect.bottom + origin.y);
    if (wnd) {
        // The border around the items is the popup's picture too; each item brings the strips beside it.
        TMenuItem* parent = item->Parent();
        TMenuItem *firstVisible = nullptr, *lastVisible = nullptr;
        for (int i = 0; parent && i < parent->Count(); ++i)
            if (parent->Items(i)->Visible()) {
                if (!firstVisible)
                    firstVisible = parent->Items(i);
                lastVisible = parent->Items(i);
            }
        HDC dc = GetWindowDC(wnd);
        HDC src = background->Canvas()->Handle();
        if (item == firstVisible)
            BitBlt(dc, 0, 0, width, inWnd.top, src, 0, 0, SRCCOPY);
        if (item == lastVisible)
            BitBlt(dc, 0, inWnd.bottom, width, height - inWnd.bottom, src, 0, inWnd.bottom, SRCCOPY);
        int leftStrip = std::min<int>(inWnd.left, SkinBorderWidth() + origin.x);
        BitBlt(dc, 0, inWnd.top, leftStrip, inWnd.Height(), src, 0, inWnd.top, SRCCOPY);
        if (width - inWnd.right <= SkinBorderWidth() + origin.x)
            BitBlt(dc, inWnd.right, inWnd.top, width - inWnd.right, inWnd.Height(), src, inWnd.right, inWnd.top,
                   SRCCOPY);
        ReleaseDC(wnd, dc);
    }
    int w = ARect.Width(), h = ARect.Height();
    auto bmp = CreateBmp24(w, h);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, background->Canvas()->Handle(), inWnd.left, inWnd.top, SRCCOPY);
    auto under = CopyOf(bmp.get());
    TRect local(0, 0, w, h);
    TacMenuItemKind kind = MenuItemKind(item);
    if (kind == mkSeparator) {
        DrawSeparator(item, bmp.get(), local);
    } else if (kind == mkDivText) {
        DrawDivText(item, bmp.get(), local);
    } else {
        bool selected = State.Contains(odSelected);
        int extra = ExtraLineWidth();
        TRect content(extra, 0, w, h);
        if (selected) {
            int index = FSkinManager->GetSkinIndex("MENUITEM");
            PaintSkinItem(index, "MENUITEM", InitCacheInfo(under.get(), 0, 0), -1, -1, FSkinManager, bmp.get(),
                          TPoint(0, 0), content, 1);
        }
        TCanvas* canvas = bmp->Canvas();
        canvas->Brush()->SetStyle(bsClear);
        SetBkMode(canvas->Handle(), TRANSPARENT);
        bool rtl = item->GetParentMenu() && item->GetParentMenu()->IsRightToLeft();
        TSize glyph = GetGlyphSize(item, false);
        int fontColor = SectionFontColor("MENUITEM", selected);
        TMenu* menu = item->GetParentMenu();
        bool sysMenu = menu && menu->Name() == "SysMenu";
        TCustomImageList* images = item->GetImageList();
        bool hasImage = images && item->ImageIndex() >= 0;
        char sysGlyph = sysMenu ? SystemGlyphOf(item->Tag()) : 0;
        if (sysGlyph && !item->HasBitmap() && !hasImage) {
            TFont* font = canvas->Font();
            font->SetName("Webdings");
            font->SetHeight(-std::max(8, h - 2 * FMargin - 2));
            font->SetStyle(TFontStyles{});
            font->SetColor(fontColor);
            TRect g(content.left + 4, 0, content.left + 4 + glyph.cx + 4, h);
            DrawTextOn(canvas, std::string(1, sysGlyph), g, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            int gx = (h - glyph.cy) / 2, gy = (h - glyph.cy) / 2;
            gx = rtl ? w - gx - glyph.cx : content.left + gx;
            if (item->HasBitmap()) {
                item->Bitmap()->SetTransparent(true);
                canvas->Draw(gx, gy, item->Bitmap());
            } else if (hasImage) {
                images->Draw(canvas, gx, gy, item->ImageIndex(), item->Enabled());
            } else if (item->Checked()) {
                int global = FSkinManager->GetSkinIndex("GLOBALINFO");
                int mask = -1;
                if (item->RadioItem())
                    mask = FSkinManager->GetMaskIndex(global, "GLOBALINFO", "RADIOCHECKED");
                else {
                    mask = FSkinManager->GetMaskIndex(global, "GLOBALINFO", "CHECK");
                    if (!FSkinManager->IsValidImgIndex(mask))
                        mask = FSkinManager->GetMaskIndex(global, "GLOBALINFO", "BOXCHECKED");
                }
                if (FSkinManager->IsValidImgIndex(mask)) {
                    const TsMaskData& m = FSkinManager->Masks[static_cast<size_t>(mask)];
                    int mw = MaskStateWidth(m), mh = MaskStateHeight(m);
                    int cx = rtl ? w - (glyph.cx + 2 * FMargin + mw) / 2 - mw
                                 : content.left + (glyph.cx + 2 * FMargin - mw) / 2;
                    DrawMaskGlyph(bmp.get(), TPoint(cx, (h - mh) / 2), 0, InitCacheInfo(under.get(), 0, 0), m, false);
                }
            }
        }
        PrepareFont(item, canvas);
        canvas->Font()->SetColor(fontColor);
        std::string caption = item->Caption();
        UINT align = FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
        if (!caption.empty() && caption[0] == '\x08') {
            caption.erase(0, 1);
            align = DT_RIGHT;
        }
        UINT flags = align | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP;
        if (rtl)
            flags |= DT_RIGHT;
        if (State.Contains(odNoAccel))
            flags |= DT_HIDEPREFIX;
        int textStart = glyph.cx + 2 * FMargin + FSpacing;
        TRect text = rtl ? TRect(0, 0, w - textStart, h) : TRect(content.left + textStart, 0, w, h);
        DrawTextOn(canvas, caption, text, flags);
        if (item->ShortCut() != scNone && item->Count() == 0) {
            std::string shortcut = ShortCutToText(item->ShortCut());
            int sw = canvas->TextWidth(shortcut);
            TRect r = rtl ? TRect(6, 0, 6 + sw, h) : TRect(w - sw - 8, 0, w, h);
            DrawTextOn(canvas, shortcut, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (!item->Enabled())
            FadeOver(bmp.get(), under.get(), 0.4);
    }
    BitBlt(ACanvas->Handle(), ARect.left, ARect.top, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
    if (OnDrawItem)
        OnDrawItem(item, ACanvas, ARect, State);
}

void TsSkinableMenus::DrawLineItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || !ACanvas)
        return;
    // The system draws bar items on the window's own DC, which tells the form.
    if (TacSkinProviderBase* provider = GetWndProvider(WindowFromDC(ACanvas->Handle())))
        ComposeLineItem(provider, item, ACanvas, ARect, State);
}

void TsSkinableMenus::ComposeLineItem(TacSkinProviderBase* Provider, TMenuItem* Item, TCanvas* ACanvas, TRect ARect,
                                      TOwnerDrawState State) {
    TMenuItem* item = Item;
    TacSkinProviderBase* provider = Provider;
    if (!item || !provider || !ACanvas || !FSkinManager || ARect.IsEmpty())
        return;
    int w = ARect.Width(), h = ARect.Height();
    auto bmp = CreateBmp24(w, h);
    TRect local(0, 0, w, h);
    provider->PaintMenuLineBackground(bmp.get(), local, ARect);
    auto under = CopyOf(bmp.get());
    bool hot = State.Contains(odSelected) || State.Contains(odHotLight);
    // The form keeps its lit item, to draw it normal again when the mouse goes on to a caption button.
    if (auto* form = dynamic_cast<TsSkinProvider*>(provider))
        form->MenuBarItemDrawn(item, hot);
    if (hot)
        PaintSkinItem(FSkinManager->GetSkinIndex("MENUITEM"), "MENUITEM", InitCacheInfo(under.get(), 0, 0), -1, -1,
                      FSkinManager, bmp.get(), TPoint(0, 0), local, 1);
    TCanvas* canvas = bmp->Canvas();
    bool rtl = item->GetParentMenu() && item->GetParentMenu()->IsRightToLeft();
    int glyphWidth = 0;
    TCustomImageList* images = item->GetImageList();
    if (item->HasBitmap()) {
        TBitmap* glyph = item->Bitmap();
        glyphWidth = glyph->Width();
        glyph->SetTransparent(true);
        canvas->Draw(rtl ? w - 3 - glyph->Width() : 3, (h - glyph->Height()) / 2, glyph);
    } else if (images && item->ImageIndex() >= 0) {
        glyphWidth = images->Width();
        images->Draw(canvas, rtl ? w - 3 - images->Width() : 3, (h - images->Height()) / 2, item->ImageIndex(),
                     item->Enabled());
    }
    PrepareFont(item, canvas);
    canvas->Font()->SetColor(SectionFontColor("MENUITEM", hot));
    canvas->Brush()->SetStyle(bsClear);
    SetBkMode(canvas->Handle(), TRANSPARENT);
    TRect text = local;
    if (glyphWidth) {
        if (rtl)
            text.right -= glyphWidth + 6;
        else
            text.left += glyphWidth + 6;
    }
    UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | (State.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
    DrawTextOn(canvas, item->Caption(), text, flags);
    if (!item->Enabled())
        FadeOver(bmp.get(), under.get(), 0.4);
    BitBlt(ACanvas->Handle(), ARect.left, ARect.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
}

// --- the popup window ---

LRESULT CALLBACK PopupWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    try {
        switch (Msg) {
        case WM_DESTROY:
            ClearCache();
            break;
        case WM_NCDESTROY:
            // The window goes: its own procedure is given back for its last message.
            if (previous) {
                SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
                SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0);
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_NCPAINT: {
            TBitmap* background = Cache().Background.get();
            RECT r;
            GetWindowRect(Wnd, &r);
            bool exact = background && background->Width() == r.right - r.left &&
                         background->Height() == r.bottom - r.top;
            if (WindowsMajorVersion() >= 6 && !exact && previous)
                CallWindowProcA(previous, Wnd, Msg, WParam, LParam);
            return 1;
        }
        }
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return previous ? CallWindowProcA(previous, Wnd, Msg, WParam, LParam) : DefWindowProcA(Wnd, Msg, WParam, LParam);
}

namespace {

// Every skin manager gets a menu painter of this kind.
const bool PainterRegistered = [] {
    RegisterMenuPainter([](TsSkinManager* Manager) { return std::make_unique<TsSkinableMenus>(Manager); });
    return true;
}();

}  // namespace

// Referenced by the units that need the painter registered, so that a static link keeps this unit.
void acUseSkinableMenus() { (void)PainterRegistered; }
