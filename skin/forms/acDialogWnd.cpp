#include "acDialogWnd.h"

#include "acProvider.h"
#include "sSkinMenus.h"
#include "sSkinProvider.h"
#include "sSystemMenu.h"

#include "skin/adapters/acAdapterSupport.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"

#include <algorithm>

bool acDialogRegionChanging = false;

namespace {

constexpr UINT WM_LAYOUTCHANGED_ = 0x52E;
constexpr WPARAM SC_DRAGMOVE_ = 0xF012;

// A background that tells nothing: masked images keep what lies in the bitmap already.
TCacheInfo NoCacheInfo() {
    TCacheInfo info;
    info.Ready = false;
    info.FillColor = clFuchsia;
    return info;
}

TPoint PointOf(LPARAM LParam) {
    return TPoint(static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
}

}  // namespace

TacDialogWnd::TacDialogWnd() = default;

TacDialogWnd::~TacDialogWnd() {
    if (FBrush)
        DeleteObject(FBrush);
    if (SysMenu)
        SysMenu.release()->Free();
}

void TacDialogWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                        const std::string& SkinSection, bool Repaint) {
    TacScrollWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    WndTextW = GetWndTextW(AHandle);
    ChildrenAdapted = false;
    Painted = false;
    RgnChanged = true;
    Kind = 1;
    Active = true;
    SysMenu.reset(new TacSystemMenu(nullptr));
    SysMenu->DlgWnd = AHandle;
    SysMenu->UpdateItems();
    SkinData->Updating = true;
    if (DefaultManager && DefaultManager->SkinnedPopups())
        if (auto* menus = dynamic_cast<TsSkinableMenus*>(DefaultManager->SkinableMenus()))
            menus->HookPopupMenu(SysMenu.get(), true);
}

void TacDialogWnd::RestoreStdParams() {
    // A window on its way out keeps what it has.
    if (FDying || !IsWindow(CtrlHandle))
        return;
    if (FSysMenuRemoved) {
        FSysMenuRemoved = false;
        SetWindowLongPtrA(CtrlHandle, GWL_STYLE, GetWindowLongPtrA(CtrlHandle, GWL_STYLE) | WS_SYSMENU);
    }
    bool hadRegion = FRegionSet;
    FRegionSet = false;
    if (hadRegion)
        SetWindowRgn(CtrlHandle, nullptr, FALSE);
    // The system draws its own frame and client again.
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// --- title ---

void TacDialogWnd::InitTitle() {
    Style = GetWindowLongPtrA(CtrlHandle, GWL_STYLE);
    ExStyle = GetWindowLongPtrA(CtrlHandle, GWL_EXSTYLE);
    if ((Style & WS_POPUP) && (Style & WS_CAPTION) != WS_CAPTION)
        Kind = 2;
    else if (!(Style & WS_THICKFRAME) && (Style & DS_MODALFRAME))
        Kind = 0;
    else
        Kind = 3;
    // A tool window has the small caption: its fixed and sizeable frames are the small-caption kinds.
    if (Kind != 2 && (ExStyle & WS_EX_TOOLWINDOW))
        Kind = Kind == 0 ? 4 : 5;
    Icon = reinterpret_cast<HICON>(SendMessageA(CtrlHandle, WM_GETICON, ICON_SMALL, 0));
    if (!Icon)
        Icon = reinterpret_cast<HICON>(SendMessageA(CtrlHandle, WM_GETICON, ICON_BIG, 0));
    MakeIconBmp();
    CaptionFont = std::make_unique<TFont>();
    NONCLIENTMETRICSA metrics{};
    // The size the system accepts on every version this program runs on.
    metrics.cbSize = 340;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        CaptionFont->SetHandle(CreateFontIndirectA(&metrics.lfCaptionFont));
    SysMenu->Kind = Kind;
    SysMenu->StoredStyle = Style;
    SysMenu->UpdateItems();
    if (Style & WS_SYSMENU) {
        SetWindowLongPtrA(CtrlHandle, GWL_STYLE, Style & ~static_cast<LONG_PTR>(WS_SYSMENU));
        FSysMenuRemoved = true;
    }
    if (SkinData)
        SkinData->BGChanged = true;
}

void TacDialogWnd::MakeIconBmp() {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    IconBmp = CreateBmp24(cx, cy);
    FillDC(IconBmp->Canvas()->Handle(), TRect(0, 0, cx, cy), clFuchsia);
    HICON copy = Icon ? static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE)) : nullptr;
    HICON icon = copy ? copy : LoadIcon(nullptr, IDI_APPLICATION);
    DrawIconEx(IconBmp->Canvas()->Handle(), 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    if (copy)
        DestroyIcon(copy);
    GdiFlush();
}

void TacDialogWnd::LoadButtonIndexes() {
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (!manager)
        return;
    int global = manager->ConstData.IndexGlobalInfo;
    auto glyph = [&](const char* Key) { return manager->GetMaskIndex(global, "GLOBALINFO", Key); };
    auto set = [&](const char* Min, const char* Max, const char* Close, const char* Help, bool Big) {
        BtnMin.ImageIndex = glyph(Min);
        BtnMax.ImageIndex = glyph(Max);
        BtnClose.ImageIndex = glyph(Close);
        BtnHelp.ImageIndex = glyph(Help);
        BtnMin.Big = BtnMax.Big = BtnClose.Big = BtnHelp.Big = Big;
    };
    if (Kind == 1 || Kind == 3) {
        set("BICONMIN", "BICONMAX", "BICONCLOSE", "BICONHELP", true);
        return;
    }
    set("SICONMIN", "SICONMAX", "SICONCLOSE", "SICONHELP", false);
    if (BtnHelp.ImageIndex < 0)
        BtnHelp.ImageIndex = glyph("BICONHELP");
    if (BtnClose.ImageIndex < 0)
        set("BICONMIN", "BICONMAX", "BICONCLOSE", "BICONHELP", true);
}

// --- metrics and rules ---

int TacDialogWnd::CaptionHeight() const {
    if (Kind == 2 || (Style & WS_CAPTION) != WS_CAPTION)
        return 0;
    return GetSystemMetrics(Kind == 4 || Kind == 5 ? SM_CYSMCAPTION : SM_CYCAPTION);
}

int TacDialogWnd::BorderWidth() const {
    if (Kind == 2)
        return 0;
    return GetSystemMetrics(Kind == 3 || Kind == 5 ? SM_CXSIZEFRAME : SM_CXFIXEDFRAME);
}

int TacDialogWnd::BorderHeight() const {
    if (Kind == 2)
        return 0;
    return GetSystemMetrics(Kind == 3 || Kind == 5 ? SM_CYSIZEFRAME : SM_CYFIXEDFRAME);
}

TPoint TacDialogWnd::ClientOffset() const {
    return ClientOffsetInWindow(CtrlHandle);
}

bool TacDialogWnd::CloseEnabled() const {
    return !(GetClassLongPtrA(CtrlHandle, GCL_STYLE) & CS_NOCLOSE);
}

bool TacDialogWnd::MaxEnabled() const {
    return MaxShown() && !IsZoomed(CtrlHandle) && (Kind == 1 || Kind == 3 || Kind == 5);
}

bool TacDialogWnd::RestoreEnabled() const {
    return MaxShown() && (IsIconic(CtrlHandle) || IsZoomed(CtrlHandle));
}

bool TacDialogWnd::MinEnabled() const {
    return MinShown() && !IsIconic(CtrlHandle);
}

// --- painting ---

void TacDialogWnd::PaintTitleButtons(TBitmap* Cache, TsSkinManager* Manager, bool FromSaved) {
    int strip = BorderHeight() + CaptionHeight();
    int x = WndWidth - BorderWidth();
    // The title bar behind the buttons, as wide as the buttons that will be drawn.
    struct Item {
        TacTitleButton* Btn;
        bool Shown;
        int Glyph;
        bool Enabled;
    };
    bool zoomed = IsZoomed(CtrlHandle), iconic = IsIconic(CtrlHandle);
    int normal = Manager->GetMaskIndex(Manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "BICONNORM");
    Item items[] = {
        {&BtnClose, CloseShown(), BtnClose.ImageIndex, CloseEnabled()},
        {&BtnMax, MaxShown(), zoomed ? normal : BtnMax.ImageIndex, zoomed ? RestoreEnabled() : MaxEnabled()},
        {&BtnMin, MinShown() || iconic, iconic ? normal : BtnMin.ImageIndex, iconic ? RestoreEnabled() : MinEnabled()},
        {&BtnHelp, HelpShown(), BtnHelp.ImageIndex, true},
    };
    auto width = [&](int Glyph) { return Manager->IsValidImgIndex(Glyph) ? MaskStateWidth(Manager->Masks[Glyph]) : 21; };
    auto height = [&](int Glyph) {
        return Manager->IsValidImgIndex(Glyph) ? MaskStateHeight(Manager->Masks[Glyph]) : 21;
    };
    int total = 0;
    for (const Item& item : items)
        if (item.Shown && Manager->IsValidImgIndex(item.Glyph))
            total += width(item.Glyph) + (item.Btn->Big ? 0 : 2);
    TRect saved(x - total, 0, x, strip);
    if (FromSaved) {
        BitBlt(Cache->Canvas()->Handle(), FButtonsRect.left, FButtonsRect.top, FButtonsRect.Width(),
               FButtonsRect.Height(), ButtonsBG->Canvas()->Handle(), 0, 0, SRCCOPY);
    } else {
        int bar = Manager->GetSkinIndex("TITLEBAR");
        if (Manager->IsValidSkinIndex(bar) && total > 0)
            PaintSkinItem(bar, "TITLEBAR", NoCacheInfo(), -1, -1, Manager, Cache, TPoint(0, 0),
                          TRect(x - total, BorderHeight(), x, strip), Active ? 1 : 0);
        ButtonsBG.reset();
        FButtonsRect = TRect();
        if (total > 0 && strip > 0) {
            ButtonsBG = CreateBmp24(saved.Width(), saved.Height());
            BitBlt(ButtonsBG->Canvas()->Handle(), 0, 0, saved.Width(), saved.Height(), Cache->Canvas()->Handle(),
                   saved.left, saved.top, SRCCOPY);
            FButtonsRect = saved;
        }
    }
    int align = Manager->SkinData() ? Manager->SkinData()->BIVAlign : 0;
    for (Item& item : items) {
        TacTitleButton& btn = *item.Btn;
        btn.Rect = TRect();
        if (!item.Shown || !Manager->IsValidImgIndex(item.Glyph))
            continue;
        int w = width(item.Glyph), h = height(item.Glyph);
        int right = btn.Big ? x : x - 2;
        int top = (strip - h) / 2;
        if (btn.Big) {
            if (align == 1)
                top = zoomed ? 4 : 0;
            else if (h < 16)
                top += 2;
        }
        btn.Rect = TRect(right - w, top, right, top + h);
        x = btn.Rect.left;
        const TsMaskData& mask = Manager->Masks[item.Glyph];
        int state = btn.State;
        // A glyph with a fourth state has its look for an inactive caption or a disabled button there.
        if (!Active || !item.Enabled)
            state = mask.ImageCount > 3 ? 3 : 0;
        DrawMaskGlyph(Cache, TPoint(btn.Rect.left, btn.Rect.top), state, NoCacheInfo(), mask, true);
    }
    FButtonsLeft = x;
}

void TacDialogWnd::PaintCaptionText(TBitmap* Cache, TsSkinManager* Manager, int TextLeft, int TextRight) {
    TRect r(TextLeft, BorderHeight(), TextRight, BorderHeight() + CaptionHeight());
    if (r.IsEmpty())
        return;
    TCanvas* canvas = Cache->Canvas();
    if (CaptionFont)
        canvas->Font()->Assign(CaptionFont.get());
    int title = Manager->GetSkinIndex("FORMTITLE");
    WriteTextEx(canvas, WndTextW, true, r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, title, Active,
                 Manager);
}

void TacDialogWnd::ComposeFrame() {
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (!manager || !SkinData->BGChanged)
        return;
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    WndWidth = w.right - w.left;
    WndHeight = w.bottom - w.top;
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    if (!cache || WndWidth <= 0 || WndHeight <= 0)
        return;
    cache->SetSize(WndWidth, WndHeight);
    if (!manager->IsValidSkinIndex(SkinData->SkinIndex))
        return;
    PaintSkinItem(SkinData->SkinIndex, SkinData->SkinSection(), NoCacheInfo(), -1, -1, manager, cache, TPoint(0, 0),
                  TRect(0, 0, WndWidth, WndHeight), Active ? 1 : 0);
    int caption = CaptionHeight();
    int strip = BorderHeight() + caption;
    int iconSize = GetSystemMetrics(SM_CXSMICON);
    if (caption > 0) {
        int title = manager->GetSkinIndex("FORMTITLE");
        if (manager->IsValidSkinIndex(title))
            PaintSkinItem(title, "FORMTITLE", NoCacheInfo(), -1, -1, manager, cache, TPoint(0, 0),
                          TRect(0, 0, WndWidth, IsIconic(CtrlHandle) ? WndHeight : strip), Active ? 1 : 0);
        if (!IconBmp)
            MakeIconBmp();
        CopyTransBmp(cache, IconBmp.get(), BorderWidth(), BorderHeight() + (caption - IconBmp->Height()) / 2,
                     clFuchsia);
    }
    FButtonsLeft = WndWidth - BorderWidth();
    ButtonsBG.reset();
    if (Style & WS_SYSMENU)
        PaintTitleButtons(cache, manager, false);
    if (caption > 0)
        PaintCaptionText(cache, manager, BorderWidth() + iconSize + 4, FButtonsLeft - 6);
    bool singleBorder = !manager->IsValidImgIndex(SkinData->BorderIndex) ||
                        manager->Masks[SkinData->BorderIndex].ImageCount <= 1;
    if (singleBorder && strip > 0) {
        if (!TitleBG || TitleBG->Width() != WndWidth)
            TitleBG = CreateBmp24(WndWidth, strip);
        TitleBG->SetSize(WndWidth, strip);
        BitBlt(TitleBG->Canvas()->Handle(), 0, 0, WndWidth, strip, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    SkinData->BGChanged = false;
}

void TacDialogWnd::UpdateRegion() {
    RgnChanged = false;
    RECT bounds{};
    GetWindowRect(CtrlHandle, &bounds);
    FRegionSize = TSize(bounds.right - bounds.left, bounds.bottom - bounds.top);
    if (Kind == 2 && !(Style & WS_THICKFRAME))
        return;
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (!manager)
        return;
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    int width = w.right - w.left, height = w.bottom - w.top;
    RegionRects.clear();
    if (manager->IsValidImgIndex(SkinData->BorderIndex)) {
        const TsMaskData& mask = manager->Masks[SkinData->BorderIndex];
        AddMaskRgnRects(RegionRects, width, mask, false, 0);
        AddMaskRgnRects(RegionRects, width, mask, true, height - mask.WB);
    }
    int title = manager->GetSkinIndex("FORMTITLE");
    int titleMask = manager->GetMaskIndex(title, "FORMTITLE", "BORDERSMASK");
    if (manager->IsValidImgIndex(titleMask))
        AddMaskRgnRects(RegionRects, width, manager->Masks[titleMask], false, 0);
    if (Kind == 2 || SendMessageA(CtrlHandle, 0xBC4D, 16802, 0) == 16802)
        return;
    HRGN region = CreateRectRgn(0, 0, width, height);
    for (const TRect& r : RegionRects) {
        HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    acDialogRegionChanging = true;
    auto done = Finally([] { acDialogRegionChanging = false; });
    // The window owns the region from here on.
    if (SetWindowRgn(CtrlHandle, region, TRUE))
        FRegionSet = true;
    else
        DeleteObject(region);
}

void TacDialogWnd::PaintFrame(HDC DC) {
    if (!SkinData || !SkinActive())
        return;
    // The system may paint a new size's frame before it reports the change: the size itself tells.
    RECT bounds{};
    GetWindowRect(CtrlHandle, &bounds);
    TSize size(bounds.right - bounds.left, bounds.bottom - bounds.top);
    if (size.cx != FRegionSize.cx || size.cy != FRegionSize.cy)
        RgnChanged = true;
    if (TBitmap* cache = SkinData->CacheBmp(); !cache || cache->Width() != size.cx || cache->Height() != size.cy)
        SkinData->BGChanged = true;
    if (RgnChanged && !acDialogRegionChanging)
        UpdateRegion();
    ComposeFrame();
    TBitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Width() == 0 || cache->Height() == 0)
        return;
    HDC dc = DC ? DC : GetWindowDC(CtrlHandle);
    auto release = Finally([&] {
        if (!DC)
            ReleaseDC(CtrlHandle, dc);
    });
    HDC src = cache->Canvas()->Handle();
    int w = cache->Width(), h = cache->Height();
    if (Kind == 2) {
        if (Style & WS_THICKFRAME)
            BitBltBorder(dc, 0, 0, w, h, 3, src, 0, 0);
    } else {
        TPoint off = ClientOffset();
        RECT client{};
        GetClientRect(CtrlHandle, &client);
        int cw = client.right, ch = client.bottom;
        BitBlt(dc, 0, 0, w, off.y, src, 0, 0, SRCCOPY);
        BitBlt(dc, 0, off.y, off.x, ch, src, 0, off.y, SRCCOPY);
        BitBlt(dc, 0, off.y + ch, w, h - off.y - ch, src, 0, off.y + ch, SRCCOPY);
        BitBlt(dc, off.x + cw, off.y, w - off.x - cw, ch, src, off.x + cw, off.y, SRCCOPY);
    }
    PaintScrollBars(this, CtrlHandle, dc);
}

void TacDialogWnd::RepaintFrame() {
    if (SkinData)
        SkinData->BGChanged = true;
    if (IsWindowVisible(CtrlHandle))
        SendMessageA(CtrlHandle, WM_NCPAINT, 1, 0);
}

void TacDialogWnd::RepaintButtons() {
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    TBitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    // Anything else that changed since the last composition needs the whole frame.
    if (!manager || !SkinActive() || SkinData->BGChanged || !ButtonsBG || !cache || cache->Width() != WndWidth ||
        w.right - w.left != WndWidth || w.bottom - w.top != WndHeight) {
        RepaintFrame();
        return;
    }
    PaintTitleButtons(cache, manager, true);
    if (!IsWindowVisible(CtrlHandle))
        return;
    HDC dc = GetWindowDC(CtrlHandle);
    BitBlt(dc, FButtonsRect.left, FButtonsRect.top, FButtonsRect.Width(), FButtonsRect.Height(),
           cache->Canvas()->Handle(), FButtonsRect.left, FButtonsRect.top, SRCCOPY);
    ReleaseDC(CtrlHandle, dc);
}

void TacDialogWnd::EraseBackground(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!ChildrenAdapted) {
        ChildrenAdapted = true;
        if (Provider)
            Provider->AdaptChildren();
    }
    HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : GetDC(CtrlHandle);
    auto release = Finally([&] {
        if (!Message.WParam)
            ReleaseDC(CtrlHandle, dc);
    });
    SkinData->Updating = false;
    ComposeFrame();
    TBitmap* cache = SkinData->CacheBmp();
    if (cache && cache->Width() > 0) {
        TPoint off = ClientOffset();
        RECT client{};
        GetClientRect(CtrlHandle, &client);
        BitBlt(dc, 0, 0, client.right, client.bottom, cache->Canvas()->Handle(), off.x, off.y, SRCCOPY);
    }
    for (HWND child = GetTopWindow(CtrlHandle); child; child = GetWindow(child, GW_HWNDNEXT))
        SendSkinCmdToHandle(child, scRepaintHeld, 0);
    Message.Result = 1;
}

// --- title buttons ---

TacTitleButton* TacDialogWnd::ButtonOfCode(int Code) {
    switch (Code) {
    case HTMINBUTTON:
        return &BtnMin;
    case HTMAXBUTTON:
        return &BtnMax;
    case HTCLOSE:
        return &BtnClose;
    case HTHELP:
        return &BtnHelp;
    default:
        return nullptr;
    }
}

void TacDialogWnd::SetHotButton(int Code, bool Repaint) {
    if (Code == HotButton && !Pressing)
        return;
    if (TacTitleButton* old = ButtonOfCode(HotButton))
        old->State = 0;
    HotButton = Code;
    if (TacTitleButton* now = ButtonOfCode(Code))
        now->State = 1;
    if (Code == 0)
        Pressing = false;
    else if (Code && !Pressing) {
        // The caption has no mouse-leave of its own unless it is asked for.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, CtrlHandle, 0};
        TrackMouseEvent(&track);
    }
    if (Repaint)
        RepaintButtons();
}

void TacDialogWnd::PressButton(int Code) {
    TacTitleButton* btn = ButtonOfCode(Code);
    if (!btn || (Code == HTMAXBUTTON && !MaxEnabled() && !RestoreEnabled()))
        return;
    SetHotButton(Code, false);
    btn->State = 2;
    Pressing = true;
    RepaintButtons();
}

void TacDialogWnd::ShowSystemMenu(int X, int Y) {
    SysMenu->DlgWnd = CtrlHandle;
    SysMenu->UpdateItems();
    SysMenu->Popup(X, Y);
}

LRESULT TacDialogWnd::HitTest(TMessage& Message) {
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    TPoint p = PointOf(Message.LParam);
    p.x -= w.left;
    p.y -= w.top;
    int strip = BorderHeight() + CaptionHeight();
    LRESULT result = 0;
    if (CaptionHeight() > 0 && p.y >= BorderHeight() && p.y < strip && p.x >= 0 && p.x < w.right - w.left) {
        int icon = BorderWidth();
        if (p.x >= icon && p.x < icon + GetSystemMetrics(SM_CXSMICON)) {
            SetHotButton(0, true);
            return HTSYSMENU;
        }
        bool iconic = IsIconic(CtrlHandle);
        if (CloseShown() && BtnClose.Rect.Contains(p))
            result = HTCLOSE;
        else if (BtnMax.Rect.Contains(p) && MaxShown())
            result = MaxEnabled() || RestoreEnabled() ? HTMAXBUTTON : HTCAPTION;
        else if (BtnMin.Rect.Contains(p) && (MinShown() || iconic))
            result = iconic || MinEnabled() ? HTMINBUTTON : HTCAPTION;
        else if (BtnHelp.Rect.Contains(p) && HelpShown())
            result = HTHELP;
        else
            result = HTCAPTION;
        if (result != HTCAPTION) {
            // While a button is held, the others do not light up: the release acts only on the held one.
            if (result != HotButton && !Pressing)
                SetHotButton(static_cast<int>(result), true);
            return result;
        }
    } else if (IsZoomed(CtrlHandle) &&
               (p.x < 2 || p.y < 2 || p.x >= w.right - w.left - 2 || p.y >= w.bottom - w.top - 2)) {
        // The rim of a zoomed dialog takes no click, as a skinned form's does not.
        SetHotButton(0, true);
        return HTTRANSPARENT;
    }
    CallPrevWndProc(Message);
    result = Message.Result;
    if (HotButton && !Pressing)
        SetHotButton(0, true);
    return result;
}

void TacDialogWnd::ButtonDown(TMessage& Message) {
    int code = static_cast<int>(Message.WParam);
    if (code == HTSYSMENU) {
        SetHotButton(0, true);
        RECT w{};
        GetWindowRect(CtrlHandle, &w);
        ShowSystemMenu(w.left + BorderWidth(), w.top + BorderHeight() + CaptionHeight());
        return;
    }
    if (ButtonOfCode(code) || (code >= 101 && code <= 103)) {
        PressButton(code);
        return;
    }
    if (IsIconic(CtrlHandle)) {
        SendMessageA(CtrlHandle, WM_SYSCOMMAND, SC_DRAGMOVE_, Message.LParam);
        return;
    }
    SetHotButton(0, true);
    if (IsZoomed(CtrlHandle)) {
        RECT w{};
        GetWindowRect(CtrlHandle, &w);
        if (PointOf(Message.LParam).y - w.top < BorderHeight() + CaptionHeight()) {
            if (!Active)
                SetFocus(CtrlHandle);
            return;
        }
    }
    CallPrevWndProc(Message);
}

void TacDialogWnd::ButtonUp(TMessage& Message) {
    // WM_LBUTTONUP carries key flags, not a hit code: it ends a press without acting on it.
    int code = Message.Msg == WM_NCLBUTTONUP ? static_cast<int>(Message.WParam) : 0;
    if (!ButtonOfCode(code)) {
        if (Pressing || HotButton)
            SetHotButton(0, true);
        CallPrevWndProc(Message);
        return;
    }
    // A button acts only when it is released where it was pressed.
    bool act = Pressing && code == HotButton;
    Message.WParam = 0;
    if (!act) {
        SetHotButton(0, true);
        return;
    }
    Pressing = false;
    bool iconic = IsIconic(CtrlHandle), zoomed = IsZoomed(CtrlHandle);
    switch (code) {
    case HTMINBUTTON:
        SetHotButton(0, true);
        SendMessageA(CtrlHandle, WM_SYSCOMMAND, iconic ? SC_RESTORE : SC_MINIMIZE, 0);
        break;
    case HTMAXBUTTON:
        SetHotButton(0, true);
        SendMessageA(CtrlHandle, WM_SYSCOMMAND, zoomed ? SC_RESTORE : SC_MAXIMIZE, 0);
        if (Application)
            Application->ProcessMessages();
        SysMenu->UpdateItems();
        break;
    case HTCLOSE:
        BtnClose.State = 0;
        HotButton = 0;
        SendMessageA(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case HTHELP:
        SendMessageA(CtrlHandle, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
        SetHotButton(0, false);
        SysMenu->UpdateItems();
        RepaintFrame();
        break;
    default:
        break;
    }
}

// --- the window procedure ---

void TacDialogWnd::WndProc(TMessage& Message) {
    if (Destroyed || !SkinData) {
        TacScrollWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        TsSkinManager* manager = SkinData->SkinManager();
        switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            if (reinterpret_cast<TsSkinManager*>(Message.LParam) == manager) {
                SkinData->UpdateIndexes();
                LoadButtonIndexes();
                SkinData->BGChanged = true;
                RgnChanged = true;
            }
            return;
        case scRefresh:
            SkinData->UpdateIndexes();
            SkinData->BGChanged = true;
            RgnChanged = true;
            RedrawWindow(CtrlHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            return;
        case scSetUpdating:
            SkinData->Updating = LOWORD(Message.WParam) == 1;
            if (SkinData->NeedsRepaint())
                SkinData->BGChanged = true;
            return;
        case scIsBusy:
            Message.Result = SkinData->Updating ? 1 : 0;
            return;
        case scBgDependsOnPos: {
            Message.Result = 0;
            if (manager && manager->IsValidSkinIndex(SkinData->SkinIndex)) {
                const TsGeneralData& section = manager->Sections[SkinData->SkinIndex];
                Message.Result = section.GradientPercent + section.ImagePercent > 0 ? 1 : 0;
            }
            return;
        }
        case scGetColor:
            Message.Result = static_cast<LRESULT>(GetBGColor(SkinData, false, CtrlHandle));
            return;
        case scReadaptDialog:
            if (Provider)
                Provider->AdaptChildren();
            break;
        case scGetBgInfo:
            if (Message.LParam) {
                auto& info = *reinterpret_cast<TacBGInfo*>(Message.LParam);
                ComposeFrame();
                // The children's offsets count from the client area; the cache holds the whole window.
                TPoint off = ClientOffset();
                if (info.PleaseDraw) {
                    info.Offset.x += off.x;
                    info.Offset.y += off.y;
                    GetBGInfo(SkinData, info, false, CtrlHandle);
                } else {
                    GetBGInfo(SkinData, info, false, CtrlHandle);
                    if (info.BgType == 2) {
                        info.Offset.x += off.x;
                        info.Offset.y += off.y;
                    }
                }
            }
            return;
        case scGetClientOffset: {
            TPoint off = ClientOffset();
            Message.Result = MAKELONG(off.x, off.y);
            return;
        }
        default:
            break;
        }
        TacScrollWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        FDying = true;
        break;
    case WM_GETDLGCODE:
        return;
    case WM_WINDOWPOSCHANGED: {
        // The frame and the region follow the window's size and frame. The region's own change, which the system
        // reports as a frame change, must not build the region again at the next paint (each paint would then set
        // a region and compose the frame twice); a move or a change of order leaves both as they are.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
        if (!acDialogRegionChanging && (!pos || !(pos->flags & SWP_NOSIZE) || (pos->flags & SWP_FRAMECHANGED))) {
            SkinData->BGChanged = true;
            RgnChanged = true;
        }
        CallPrevWndProc(Message);
        return;
    }
    case WM_SIZE:
        SkinData->BGChanged = true;
        RgnChanged = true;
        CallPrevWndProc(Message);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return;
    case WM_ENABLE:
    case WM_SETTEXT:
        if (!IsWindowVisible(CtrlHandle))
            break;
        {
            // The system paints its own caption while it sets the text of a visible window.
            SetWindowLongPtrA(CtrlHandle, GWL_STYLE, GetWindowLongPtrA(CtrlHandle, GWL_STYLE) & ~WS_VISIBLE);
            auto shown = Finally([&] {
                SetWindowLongPtrA(CtrlHandle, GWL_STYLE, GetWindowLongPtrA(CtrlHandle, GWL_STYLE) | WS_VISIBLE);
            });
            CallPrevWndProc(Message);
        }
        if (Message.Msg == WM_SETTEXT) {
            std::string text(static_cast<size_t>(GetWindowTextLengthA(CtrlHandle)) + 1, '\0');
            text.resize(static_cast<size_t>(std::max(GetWindowTextA(CtrlHandle, text.data(), static_cast<int>(text.size())), 0)));
            WndText = text;
            WndTextW = GetWndTextW(CtrlHandle);
        }
        RepaintFrame();
        return;
    case WM_PAINT:
        if (!Painted) {
            Painted = true;
            acSetDwmNcPolicy(CtrlHandle, SkinData->Skinned());
        }
        CallPrevWndProc(Message);
        return;
    case WM_ERASEBKGND:
        if (!SkinActive())
            break;
        EraseBackground(Message);
        return;
    case WM_DRAWITEM:
        if (reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->CtlType == ODT_STATIC)
            SetBkMode(reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->hDC, TRANSPARENT);
        break;
    case WM_CTLCOLORDLG: {
        if (!SkinActive())
            break;
        TColor colour = SkinData->SkinManager()->GetGlobalColor();
        // One brush per colour, kept while the colour stays.
        if (!FBrush || colour != FBrushColor) {
            if (FBrush)
                DeleteObject(FBrush);
            FBrush = CreateSolidBrush(ColorToRGB(colour));
            FBrushColor = colour;
        }
        Message.Result = reinterpret_cast<LRESULT>(FBrush);
        return;
    }
    case WM_NCPAINT:
        if (!IsWindowVisible(CtrlHandle) || !SkinActive())
            break;
        GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
        if (std::wstring text = GetWndTextW(CtrlHandle); text != WndTextW) {
            WndTextW = std::move(text);
            SkinData->BGChanged = true;
        }
        PaintFrame(nullptr);
        Message.Result = 1;
        return;
    case WM_NCACTIVATE:
        if (!IsWindowVisible(CtrlHandle))
            break;
        acSetDwmNcPolicy(CtrlHandle, SkinData->Skinned());
        {
            // The system paints its own caption on activation; a visible window that is not drawn hides it.
            SendMessageA(CtrlHandle, WM_SETREDRAW, FALSE, 0);
            auto redraw = Finally([&] { SendMessageA(CtrlHandle, WM_SETREDRAW, TRUE, 0); });
            CallPrevWndProc(Message);
        }
        Active = Message.WParam != 0;
        SkinData->BGChanged = true;
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        return;
    case WM_NCHITTEST:
        if (!SkinActive())
            break;
        Message.Result = HitTest(Message);
        return;
    case WM_NCLBUTTONDOWN:
        if (!SkinActive())
            break;
        ButtonDown(Message);
        return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
        if (!SkinActive())
            break;
        ButtonUp(Message);
        return;
    case WM_NCLBUTTONDBLCLK:
        if (!SkinActive())
            break;
        if (Message.WParam == HTCAPTION) {
            if (!MaxEnabled() && !RestoreEnabled())
                return;
            bool restore = IsZoomed(CtrlHandle) || IsIconic(CtrlHandle);
            SendMessageA(CtrlHandle, WM_SYSCOMMAND, restore ? SC_RESTORE : SC_MAXIMIZE, 0);
            SysMenu->UpdateItems();
        } else if (Message.WParam == HTSYSMENU) {
            SendMessageA(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            break;
        }
        return;
    case WM_NCRBUTTONDOWN:
        if (Message.WParam == HTCAPTION || Message.WParam == HTSYSMENU)
            return;
        break;
    case WM_NCRBUTTONUP:
        if (Message.WParam == HTCAPTION || Message.WParam == HTSYSMENU) {
            SetHotButton(0, true);
            TPoint p = PointOf(Message.LParam);
            ShowSystemMenu(p.x, p.y);
        }
        return;
    case WM_MOUSEMOVE:
        if (IsWindowEnabled(CtrlHandle) && DefaultManager)
            DefaultManager->SetActiveControl(nullptr);
        CallPrevWndProc(Message);
        return;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
        // A button released outside the window never hears of it: leaving ends the press too.
        if (HotButton || Pressing)
            SetHotButton(0, true);
        break;
    case WM_LAYOUTCHANGED_:
        CallPrevWndProc(Message);
        if (Provider)
            Provider->AdaptChildren();
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) == SC_KEYMENU && Message.LParam == VK_SPACE && FSysMenuRemoved && SkinActive()) {
            // WS_SYSMENU left the style so that the system draws no buttons of its own, and Alt+Space went with it:
            // the skinned system menu opens from the keyboard instead, below the icon.
            SetHotButton(0, true);
            RECT w{};
            GetWindowRect(CtrlHandle, &w);
            ShowSystemMenu(w.left + BorderWidth(), w.top + BorderHeight() + CaptionHeight());
            Message.Result = 0;
            return;
        }
        if (Message.WParam == SC_MAXIMIZE || Message.WParam == SC_RESTORE) {
            TacScrollWnd::WndProc(Message);
            if (MaxEnabled())
                HotButton = HTMAXBUTTON;
            SetHotButton(0, true);
            return;
        }
        break;
    default:
        break;
    }
    TacScrollWnd::WndProc(Message);
}
