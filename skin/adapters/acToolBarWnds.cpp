#include "acToolBarWnds.h"

#include "acAdapterSupport.h"
#include "acContainerSupport.h"
#include "acCtrlGeometry.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/ImgList.h"
#include "classlib/visual/Menus.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

int SectionIndexOf(TsSkinManager* Manager, const char* Name) { return Manager ? Manager->GetSkinIndex(Name) : -1; }

void DrawArrow(TsSkinManager* Manager, TBitmap* Bmp, int Left, int Width, int Height, int State, int Shift) {
    if (!Manager)
        return;
    int glyph = Manager->ConstData.ScrollBtnBottom.GlyphIndex;
    if (!Manager->IsValidImgIndex(glyph))
        return;
    const TsMaskData& mask = Manager->Masks[static_cast<size_t>(glyph)];
    int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
    DrawMaskGlyph(Bmp, TPoint(Left + (Width - 3 - w) / 2 + 2 + Shift, (Height - h) / 2 + Shift), State,
                  InitCacheInfo(Bmp, 0, 0), mask, true);
}

// The window's text of a button command, asked for its length first.
std::string ButtonText(HWND Wnd, int Command) {
    LRESULT length = SendMessageW(Wnd, TB_GETBUTTONTEXTW, Command, 0);
    if (length <= 0)
        return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(Wnd, TB_GETBUTTONTEXTW, Command, reinterpret_cast<LPARAM>(buffer.data()));
    int size = WideCharToMultiByte(CP_ACP, 0, buffer.data(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, buffer.data(), -1, text.data(), size, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    return text;
}

}  // namespace

// --- TacToolBarWnd ---

bool TacToolBarWnd::Busy() {
    if (HWND parent = GetParent(CtrlHandle); parent && GetSkinCmdBool(parent, scIsBusy))
        return true;
    return SkinData->NeedsRepaint();
}

void TacToolBarWnd::PrepareDlgToolBar() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!SkinData->BGChanged)
        return;
    GetClientRect(CtrlHandle, &ClientR);
    PrepareAdapterCache(SkinData, CtrlHandle, false);
    SkinData->BGChanged = true;
    PaintParentBG(SkinData, 0, this);
    BorderOffset = (WndSize.cy - ClientR.Height()) / 2;
    SkinData->BGChanged = false;
}

void TacToolBarWnd::PaintDlgToolBar(TMessage& Message) {
    PAINTSTRUCT ps{};
    BeginPaint(CtrlHandle, &ps);
    SkinData->Updating = Busy();
    if (!SkinData->Updating) {
        SkinData->BGChanged = true;
        PrepareDlgToolBar();
        TBitmap* cache = SkinData->CacheBmp();
        auto bmp = CreateBmp24(cache->Width(), cache->Height());
        BitBlt(bmp->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
               SRCCOPY);
        int count = static_cast<int>(SendMessageW(CtrlHandle, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TRect r;
            if (!SendMessageW(CtrlHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
                continue;
            OffsetRect(&r, BorderOffset, BorderOffset);
            PaintDlgButton(i, r, bmp.get());
        }
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        bool own = dc == nullptr;
        if (own)
            dc = GetDC(CtrlHandle);
        BitBlt(dc, 0, 0, cache->Width() - 2 * BorderOffset, cache->Height() - 2 * BorderOffset,
               bmp->Canvas()->Handle(), BorderOffset, BorderOffset, SRCCOPY);
        if (own)
            ReleaseDC(CtrlHandle, dc);
    }
    EndPaint(CtrlHandle, &ps);
}

void TacToolBarWnd::PaintDlgToolBarNC() {
    if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        return;
    SkinData->Updating = Busy();
    if (SkinData->Updating)
        return;
    PrepareDlgToolBar();
    RECT c{};
    GetClientRect(CtrlHandle, &c);
    int b = (WndSize.cx - c.right) / 2;
    HDC dc = GetWindowDC(CtrlHandle);
    BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, b, SkinData->CacheBmp()->Canvas()->Handle(), 0, 0);
    ReleaseDC(CtrlHandle, dc);
}

void TacToolBarWnd::PaintDlgButton(int Index, const TRect& R, TBitmap* Target) {
    TBBUTTON button{};
    if (!SendMessageW(CtrlHandle, TB_GETBUTTON, Index, reinterpret_cast<LPARAM>(&button)))
        return;
    if (button.fsStyle & BTNS_SEP)
        return;
    TsSkinManager* manager = DefaultManager;
    auto bmp = CreateBmp24(R.Width(), R.Height());
    int section = SectionIndexOf(manager, "TOOLBUTTON");
    int state = 0, shift = 0;
    if (button.fsState & TBSTATE_ENABLED) {
        if (button.fsState & TBSTATE_PRESSED) {
            state = 2;
            shift = 1;
        } else {
            POINT p{};
            GetCursorPos(&p);
            TRect screen = R;
            OffsetRect(&screen, WndRect.left, WndRect.top);
            state = PtInRect(&screen, p) ? 1 : 0;
        }
    }
    PaintSectionOver(section, manager, bmp.get(), TRect(0, 0, R.Width(), R.Height()), state, SkinData->CacheBmp(),
                     R.TopLeft());
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(CtrlHandle, TB_GETIMAGELIST, 0, 0));
    int imageW = 0, imageH = 0;
    if (images)
        ImageList_GetIconSize(images, &imageW, &imageH);
    if (button.iBitmap != 0 && images) {
        ImageList_SetBkColor(images, CLR_NONE);
        int y = shift + 4, x = (R.Width() - imageW) / 2 + shift;
        int glyph = manager ? manager->ConstData.ScrollBtnBottom.GlyphIndex : -1;
        if ((button.fsStyle & BTNS_WHOLEDROPDOWN) && manager && manager->IsValidImgIndex(glyph)) {
            const TsMaskData& mask = manager->Masks[static_cast<size_t>(glyph)];
            int aw = MaskStateWidth(mask), ah = MaskStateHeight(mask);
            DrawMaskGlyph(bmp.get(), TPoint(R.Width() - 2 - aw + shift, (R.Height() - ah) / 2 + shift), state,
                          InitCacheInfo(bmp.get(), 0, 0), mask, true);
            x = (R.Width() - imageW - aw) / 2 + shift;
        }
        ImageList_Draw(images, button.iBitmap, bmp->Canvas()->Handle(), x, y, ILD_NORMAL);
    }
    std::string caption = button.idCommand != -1 ? ButtonText(CtrlHandle, button.idCommand) : std::string();
    if (!caption.empty()) {
        TCanvas* canvas = bmp->Canvas();
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
        LOGFONTW lf{};
        if (GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf))
            canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
        TRect t(shift + 2, shift + 2 + (imageH ? imageH + 2 : 0), R.Width() - 2 + shift, R.Height() - 2 + shift);
        bool sectionFont = state != 0 && SkinData->Skinned() &&
                           !SkinData->SkinManager()->Sections[static_cast<size_t>(SkinData->SkinIndex)].GiveOwnFont;
        auto write = [&](const std::string& text, TRect r, UINT flags) {
            canvas->Brush()->SetStyle(bsClear);
            if (sectionFont)
                WriteTextEx(canvas, text, true, r, flags, section, state != 0, manager);
            else
                WriteSkinText(canvas, text, true, state != 0, SkinData, flags, r);
        };
        auto lines = SplitButtonCaption(caption);
        if (lines.second.empty()) {
            write(caption, t, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
        } else {
            TEXTMETRICW tm{};
            HDC dc = canvas->Handle();
            HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
            GetTextMetricsW(dc, &tm);
            SelectObject(dc, old);
            write(lines.first, TRect(t.left, t.top, t.right, t.top + tm.tmHeight), DT_CENTER);
            write(lines.second, TRect(t.left, t.top + tm.tmHeight, t.right, t.bottom), DT_CENTER | DT_END_ELLIPSIS);
        }
    }
    if (!(button.fsState & TBSTATE_ENABLED))
        BlendRectBitmap(bmp.get(), 0, 0, static_cast<TColor>(0xFF000000), 0.4, R, SkinData->CacheBmp());
    BitBlt(Target->Canvas()->Handle(), R.left, R.top, R.Width(), R.Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacToolBarWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        SkinData->BGChanged = true;
        TacMainWnd::WndProc(Message);
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    case WM_ERASEBKGND:
        Message.Result = 0;
        return;
    case WM_PAINT:
        PaintDlgToolBar(Message);
        return;
    case WM_NCPAINT:
        PaintDlgToolBarNC();
        return;
    default:
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scRepaintHeld && SkinData->NeedsRepaint()) {
            SkinData->Updating = false;
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            return;
        }
        // The mouse left the bar (another window became the hot one, or the bar's own tracking saw it go): the
        // button that was under it is hot no more.
        if ((Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scMouseLeave) || Message.Msg == WM_MOUSELEAVE)
            InvalidateRect(CtrlHandle, nullptr, FALSE);
        break;
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_MOUSEMOVE) {
        // A button under the mouse shows its hot look.
        InvalidateRect(CtrlHandle, nullptr, FALSE);
    }
}

// --- TacToolBarVCLWnd ---

TacToolBarVCLWnd::~TacToolBarVCLWnd() {
    // With its window alive the toolbar is too; without it, the toolbar may be gone, and what it still holds of the
    // adapter reaches nothing once the link is cleared.
    if (FHandlersInstalled && IsWindow(CtrlHandle))
        GiveHandlersBack();
    if (FLink)
        FLink->Adapter = nullptr;
}

void TacToolBarVCLWnd::GiveHandlersBack() {
    if (!FHandlersInstalled)
        return;
    FHandlersInstalled = false;
    FLink->Adapter = nullptr;
    if (!ToolBar || ToolBar->Destroying())
        return;
    ToolBar->OnAdvancedCustomDraw = FOldDraw;
    ToolBar->OnAdvancedCustomDrawButton = FOldDrawButton;
}

void TacToolBarVCLWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                            const std::string& SkinSection, bool Repaint) {
    TacMainWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    HotButton = -1;
    ToolBar = dynamic_cast<TToolBar*>(SkinData->OwnerControl());
    if (!ToolBar)
        return;
    FOldDraw = ToolBar->OnAdvancedCustomDraw;
    FOldDrawButton = ToolBar->OnAdvancedCustomDrawButton;
    FLink = std::make_shared<TLink>();
    FLink->Adapter = this;
    FHandlersInstalled = true;
    ToolBar->OnAdvancedCustomDraw = [link = FLink](TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage,
                                                   bool& DefaultDraw) {
        if (link->Adapter)
            link->Adapter->CustomDrawToolBar(Sender, ARect, Stage, DefaultDraw);
        else
            DefaultDraw = true;
    };
    ToolBar->OnAdvancedCustomDrawButton = [link = FLink](TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                                         TCustomDrawStage Stage, TTBCustomDrawFlags& Flags,
                                                         bool& DefaultDraw) {
        if (link->Adapter)
            link->Adapter->CustomDrawButton(Sender, Button, State, Stage, Flags, DefaultDraw);
        else
            DefaultDraw = true;
    };
}

TPoint TacToolBarVCLWnd::ClientOrigin() const {
    return ClientOffsetInWindow(CtrlHandle);
}

bool TacToolBarVCLWnd::Tracking() const {
    return ToolBar && !ToolBar->Flat() && !ToolBar->ComponentState().Contains(csDesigning);
}

int TacToolBarVCLWnd::ButtonAt(const TPoint& P) const {
    if (!ToolBar)
        return -1;
    for (int i = 0; i < ToolBar->ButtonCount(); ++i) {
        TRect r;
        if (!SendMessageW(CtrlHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) || !r.Contains(P))
            continue;
        TToolButton* button = ToolBar->Buttons(i);
        if (!button || button->Style() == tbsSeparator || button->Style() == tbsDivider)
            return -1;
        return i;
    }
    return -1;
}

void TacToolBarVCLWnd::PrepareCache() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, SkinData->SkinManager(), cache, WndPos,
                  TRect(0, 0, cache->Width(), cache->Height()), 0, false);
    SkinData->BGChanged = false;
}

void TacToolBarVCLWnd::PaintToolBarNC(HDC DC) {
    RECT c{};
    GetClientRect(CtrlHandle, &c);
    TPoint origin = ClientOrigin();
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    if (origin.x == 0 && origin.y == 0 && c.right == w.right - w.left && c.bottom == w.bottom - w.top)
        return;
    if (SkinData->BGChanged || !SkinData->CacheBmp() || SkinData->CacheBmp()->Width() != w.right - w.left)
        PrepareCache();
    bool own = DC == nullptr;
    if (own)
        DC = GetWindowDC(CtrlHandle);
    int saved = SaveDC(DC);
    ExcludeClipRect(DC, origin.x, origin.y, origin.x + c.right, origin.y + c.bottom);
    TBitmap* cache = SkinData->CacheBmp();
    BitBlt(DC, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    RestoreDC(DC, saved);
    if (own)
        ReleaseDC(CtrlHandle, DC);
}

void TacToolBarVCLWnd::RepaintButton(int Index) {
    if (!ToolBar || Index < 0 || Index >= ToolBar->ButtonCount())
        return;
    TToolButton* button = ToolBar->Buttons(Index);
    if (!button || !button->Visible())
        return;
    HDC dc = GetWindowDC(CtrlHandle);
    int saved = SaveDC(dc);
    TPoint origin = ClientOrigin();
    SetWindowOrgEx(dc, -origin.x, -origin.y, nullptr);
    ToolBar->Canvas()->SetHandle(dc);
    TTBCustomDrawFlags flags;
    bool defaultDraw = true;
    try {
        CustomDrawButton(ToolBar, button, {}, cdPrePaint, flags, defaultDraw);
    } catch (...) {
        ToolBar->Canvas()->SetHandle(nullptr);
        RestoreDC(dc, saved);
        ReleaseDC(CtrlHandle, dc);
        throw;
    }
    ToolBar->Canvas()->SetHandle(nullptr);
    RestoreDC(dc, saved);
    ReleaseDC(CtrlHandle, dc);
}

void TacToolBarVCLWnd::CustomDrawToolBar(TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage,
                                         bool& DefaultDraw) {
    if (!SkinData || !SkinData->Skinned()) {
        DefaultDraw = true;
        return;
    }
    SkinData->Updating = SkinData->NeedsRepaint();
    if (Stage != cdPrePaint) {
        DefaultDraw = false;
        return;
    }
    if (SkinData->Updating)
        return;
    TCanvas* canvas = Sender->Canvas();
    canvas->Font()->Assign(Sender->Font());
    if (SkinData->BGChanged || !SkinData->CacheBmp() || SkinData->CacheBmp()->Width() != WndSize.cx)
        PrepareCache();
    // The see-through pixels of the frame show what lies below the bar now.
    UpdateCacheBorders(SkinData);
    TPoint origin = ClientOrigin();
    HDC dc = canvas->Handle();
    int saved = SaveDC(dc);
    // Children that paint themselves, and those painted below, are left out of the bar's picture.
    bool designing = Sender->ComponentState().Contains(csDesigning);
    for (int i = 0; i < Sender->ControlCount(); ++i) {
        TControl* child = Sender->Controls(i);
        if (!child->Visible() || (designing && dynamic_cast<TToolButton*>(child)))
            continue;
        TRect b = child->BoundsRect();
        RECT overlap{};
        if (!IntersectRect(&overlap, &b, &ARect))
            continue;
        if (designing || dynamic_cast<TGraphicControl*>(child) || child->ControlStyle().Contains(csOpaque))
            ExcludeClipRect(dc, b.left, b.top, b.right, b.bottom);
    }
    BitBlt(dc, ARect.left, ARect.top, ARect.Width(), ARect.Height(), SkinData->CacheBmp()->Canvas()->Handle(),
           ARect.left + origin.x, ARect.top + origin.y, SRCCOPY);
    RestoreDC(dc, saved);
    PaintChildControls(Sender, dc, TPoint(0, 0));
    UnlockChildControls(Sender);
    RECT c{};
    GetClientRect(CtrlHandle, &c);
    if (origin.x != 0 || origin.y != 0 || c.right != WndSize.cx || c.bottom != WndSize.cy)
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
}

void TacToolBarVCLWnd::CustomDrawButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                        TCustomDrawStage Stage, TTBCustomDrawFlags& Flags, bool& DefaultDraw) {
    if (!SkinData || !SkinData->Skinned()) {
        DefaultDraw = true;
        return;
    }
    DefaultDraw = false;
    if (Stage != cdPrePaint || !Button)
        return;
    TsSkinManager* manager = SkinData->SkinManager();
    int index = Button->Index();
    // A bar that is not flat is tracked by the adapter alone: the toolbar window of such a bar has no hot button
    // of its own on the system, and where it marks one anyway (Wine does) the mark outlives a drop-down menu that
    // took the mouse away, leaving the button hot after the menu closed.
    if (Tracking()) {
        if (index == HotButton)
            State.Include(cdsHot);
        else
            State.Exclude(cdsHot);
    }
    Flags.Include(tbNoEdges);
    Flags.Include(tbNoEtchedEffect);
    TRect r;
    if (!SendMessageW(CtrlHandle, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) || r.IsEmpty())
        return;
    if (SkinData->BGChanged || !SkinData->CacheBmp() || SkinData->CacheBmp()->Width() != WndSize.cx)
        PrepareCache();
    int w = r.Width(), h = r.Height();
    auto bmp = CreateBmp24(w, h);
    TCanvas* canvas = bmp->Canvas();
    canvas->Font()->Assign(Sender->Font());
    int state = ToolButtonStateOf(State, Button->Marked(), Button->Indeterminate());
    int section = SectionIndexOf(manager, "TOOLBUTTON");
    TPoint origin = ClientOrigin();
    TPoint at(r.left + origin.x, r.top + origin.y);
    bool dropDown = Button->Style() == tbsDropDown;
    int dropWidth = dropDown ? GetSystemMetrics(SM_CXVSCROLL) - 2 : 0;
    int content = w - dropWidth;
    PaintSectionOver(section, manager, bmp.get(), TRect(0, 0, content, h), state, SkinData->CacheBmp(), at);
    int shift = state == 2 ? 1 : 0;
    int textHeight = 0;
    {
        HDC dc = canvas->Handle();
        HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
        SIZE a{};
        GetTextExtentPoint32W(dc, L"A", 1, &a);
        textHeight = a.cy;
        SelectObject(dc, old);
    }
    TCustomImageList* images = Sender->Images();
    if (state != 0 && Sender->HotImages() && Button->ImageIndex() >= 0 &&
        Button->ImageIndex() < Sender->HotImages()->Count())
        images = Sender->HotImages();
    bool hasImage = images && Button->ImageIndex() >= 0 && Button->ImageIndex() < images->Count();
    int imagesW = Sender->Images() ? Sender->Images()->Width() : 0;
    int imagesH = Sender->Images() ? Sender->Images()->Height() : 0;
    if (Sender->ShowCaptions()) {
        std::string caption = Button->Caption();
        TRect t;
        if (Sender->List()) {
            t = TRect(Sender->Images() ? imagesW + 6 : 1, 2, content - 2, h - 2);
        } else {
            int x = (content - TextWidthOf(canvas, caption)) / 2;
            int half = Sender->Images() ? (h - imagesH - textHeight - 3) / 2 : (h - textHeight) / 2;
            int y = Sender->Images() ? imagesH + half + 3 : half;
            t = TRect(x - 1, y, content - x + 2, h - half);
        }
        OffsetRect(&t, shift, shift);
        canvas->Brush()->SetStyle(bsClear);
        WriteTextEx(canvas, caption, true, t, DT_SINGLELINE | DT_VCENTER | DT_CENTER,
                    GetFontIndex(Button, section, manager), state != 0, manager);
    }
    if (hasImage) {
        int x = 0, y = 0;
        if (Sender->List()) {
            x = 5;
            y = (h - images->Height()) / 2;
        } else {
            x = (content - images->Width()) / 2 + 1 - (dropDown ? 8 : 0);
            y = (h - images->Height() - (Sender->ShowCaptions() ? textHeight + 3 : 0)) / 2;
        }
        images->Draw(canvas, x + shift, y + shift, Button->ImageIndex(), true);
        GdiFlush();
    }
    if (dropDown) {
        int arrowState = 0;
        if ((Button == DroppedButton && Button->DropdownMenu()) || Button->Down())
            arrowState = 2;
        else if (State.Contains(cdsHot))
            arrowState = 1;
        PaintSectionOver(section, manager, bmp.get(), TRect(content, 0, w, h), arrowState, SkinData->CacheBmp(),
                         TPoint(at.x + content, at.y));
        DrawArrow(manager, bmp.get(), content, dropWidth, h, arrowState, 0);
    }
    if (!Button->Enabled() || !Sender->Enabled() || Button->Indeterminate()) {
        TRect source = r;
        OffsetRect(&source, origin.x, origin.y);
        BlendRectBitmap(bmp.get(), 0, 0, static_cast<TColor>(0xFF000000), 0.4, source, SkinData->CacheBmp());
    }
    BitBlt(Sender->Canvas()->Handle(), Button->Left(), Button->Top(), w, h, canvas->Handle(), 0, 0, SRCCOPY);
}

void TacToolBarVCLWnd::WndProc(TMessage& Message) {
    // The window goes (the toolbar may be making a new one): its handlers are the toolbar's own again.
    if (Message.Msg == WM_DESTROY)
        GiveHandlersBack();
    if (!SkinActive() || !SkinData) {
        TacMainWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
        case scRemoveSkin:
        case scRefresh:
            if (reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinData->SkinManager())
                DroppedButton = nullptr;
            break;
        case scGetBgInfo: {
            auto* info = reinterpret_cast<TacBGInfo*>(Message.LParam);
            if (!info)
                return;
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            if (SkinData->BGChanged || !SkinData->CacheBmp() || SkinData->CacheBmp()->Width() != WndSize.cx)
                PrepareCache();
            // The children stand in the client area; the cache covers the whole window.
            TPoint origin = ClientOrigin();
            if (info->PleaseDraw) {
                info->Offset.x += origin.x;
                info->Offset.y += origin.y;
                GetBGInfo(SkinData, *info, false, CtrlHandle);
            } else {
                GetBGInfo(SkinData, *info, false, CtrlHandle);
                info->Offset.x += origin.x;
                info->Offset.y += origin.y;
            }
            return;
        }
        default:
            break;
        }
    } else if (SkinData->Skinned()) {
        switch (Message.Msg) {
        case WM_ERASEBKGND:
            return;
        case WM_NCPAINT:
            // While the forms are locked for a skin change the screen keeps the old picture.
            if (!acAnimInProgress)
                PaintToolBarNC(nullptr);
            return;
        case WM_PRINT: {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            if (SkinData->BGChanged || !SkinData->CacheBmp())
                PrepareCache();
            PaintToolBarNC(dc);
            RECT c{};
            GetClientRect(CtrlHandle, &c);
            TPoint origin = ClientOrigin();
            int saved = SaveDC(dc);
            SetWindowOrgEx(dc, -origin.x, -origin.y, nullptr);
            IntersectClipRect(dc, 0, 0, c.right, c.bottom);
            SendMessageW(CtrlHandle, WM_PAINT, Message.WParam, 0);
            RestoreDC(dc, saved);
            return;
        }
        case CN_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
            if (header && ToolBar) {
                if (header->code == TBN_DELETINGBUTTON && HotButton >= ToolBar->ButtonCount())
                    HotButton = -1;
                if (header->code == TBN_DROPDOWN) {
                    int item = reinterpret_cast<NMTOOLBARW*>(header)->iItem;
                    TBBUTTON button{};
                    if (SendMessageW(CtrlHandle, TB_GETBUTTON, item, reinterpret_cast<LPARAM>(&button))) {
                        DroppedButton = reinterpret_cast<TToolButton*>(button.dwData);
                        if (!DroppedButton && item >= 0 && item < ToolBar->ButtonCount())
                            DroppedButton = ToolBar->Buttons(item);
                        if (DroppedButton)
                            RepaintButton(DroppedButton->Index());
                    }
                }
            }
            break;
        }
        default:
            break;
        }
    }
    if (CommonMessage(Message, SkinData))
        return;
    TacMainWnd::WndProc(Message);
    if (!SkinData || !SkinData->Skinned())
        return;
    switch (Message.Msg) {
    case WM_SIZE:
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE);
        break;
    case WM_MOUSEMOVE: {
        if (!Tracking())
            break;
        int at = ButtonAt(TPoint(static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))));
        if (at == HotButton)
            break;
        if (at >= 0 && ToolBar->Buttons(at) && !ToolBar->Buttons(at)->Enabled())
            break;
        int old = HotButton;
        HotButton = at;
        if (old >= 0 && old < ToolBar->ButtonCount() && ToolBar->Buttons(old) && !ToolBar->Buttons(old)->Down())
            RepaintButton(old);
        if (at >= 0 && !ToolBar->Buttons(at)->Down())
            RepaintButton(at);
        break;
    }
    case CM_MOUSELEAVE: {
        // The bar hears of its tool buttons' leaves too, and when the mouse leaves the bar over a button that
        // leave is the only one it gets: every leave ends the hot button. A move onto the next button makes that
        // one hot again at once (the mouse move that caused the leave comes here next).
        if (!Tracking())
            break;
        int old = HotButton;
        HotButton = -1;
        if (old >= 0 && old < ToolBar->ButtonCount() && ToolBar->Buttons(old) && !ToolBar->Buttons(old)->Down())
            RepaintButton(old);
        break;
    }
    case CN_DROPDOWNCLOSED:
        if (DroppedButton) {
            TToolButton* button = DroppedButton;
            HotButton = -1;
            DroppedButton = nullptr;
            RepaintButton(button->Index());
        }
        break;
    default:
        break;
    }
}
