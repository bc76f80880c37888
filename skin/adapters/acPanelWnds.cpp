#include "acPanelWnds.h"

#include "acAdapterSupport.h"
#include "acContainerSupport.h"
#include "acCtrlGeometry.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"

#include <algorithm>

namespace {

// Half the difference between the window and its client area: the width of a symmetric non-client border.
int BorderWidthOf(HWND Wnd) {
    RECT w{}, c{};
    GetWindowRect(Wnd, &w);
    GetClientRect(Wnd, &c);
    return ((w.right - w.left) - (c.right - c.left)) / 2;
}

bool ManagerUsable(TsSkinManager* Manager) {
    return Manager && !Manager->ComponentState().Contains(csDesigning);
}

}  // namespace

// --- TacPanelWnd ---

std::string TacPanelWnd::SectionOfBevels(int BevelOuter, int BevelInner, bool HasBorder) {
    if (BevelOuter == bvLowered)
        return BevelInner == bvRaised ? "GROUPBOX" : "PANEL_LOW";
    if (BevelOuter == bvRaised)
        return BevelInner == bvLowered ? "GROUPBOX" : "PANEL";
    return HasBorder ? "PANEL_LOW" : "CHECKBOX";
}

TWinControl* TacPanelWnd::Owner() const { return dynamic_cast<TWinControl*>(SkinData->OwnerControl()); }

void TacPanelWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                       const std::string& SkinSection, bool Repaint) {
    FOwnerWasOpaque = OwnerIsOpaque(ASkinData);
    TacMainWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    if (auto* panel = dynamic_cast<TCustomPanel*>(SkinData->OwnerControl()))
        SkinData->SetSkinSection(
            SectionOfBevels(panel->BevelOuter(), panel->BevelInner(), panel->BorderStyle() != bsNone));
}

void TacPanelWnd::PrepareCache() {
    TWinControl* owner = Owner();
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    int w = owner ? owner->Width() : WndSize.cx, h = owner ? owner->Height() : WndSize.cy;
    cache->SetSize(w, h);
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, SkinData->SkinManager(), cache, WndPos, TRect(0, 0, w, h), 0,
                  false);
    SkinData->BGChanged = false;
}

void TacPanelWnd::PaintClient(HDC DC, bool WindowCoords) {
    TWinControl* owner = Owner();
    if (!owner || owner->Destroying() || (owner->Parent() && owner->Parent()->Destroying()))
        return;
    bool own = DC == nullptr;
    if (own) {
        DC = GetWindowDC(CtrlHandle);
        WindowCoords = true;
    }
    int saved = SaveDC(DC);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        if (SkinData->BGChanged || SkinData->HalfVisible || !SkinData->CacheBmp() ||
            SkinData->CacheBmp()->Width() != owner->Width() || SkinData->CacheBmp()->Height() != owner->Height())
            PrepareCache();
        RECT clip{};
        GetClipBox(DC, &clip);
        SkinData->HalfVisible = clip.right - clip.left < owner->ClientWidth() || clip.bottom - clip.top < owner->ClientHeight();
        int b = BorderWidthOf(CtrlHandle);
        // The client part of the cache, to a DC of the window or of the client area.
        int at = WindowCoords ? b : 0;
        TRect client(at, at, at + owner->Width() - 2 * b, at + owner->Height() - 2 * b);
        CopyWinControlCache(owner, SkinData, TPoint(b, b), at, at, false, DC, client);
        PaintChildControls(owner, DC, TPoint(at, at));
        UnlockChildControls(owner);
    }
    RestoreDC(DC, saved);
    if (own)
        ReleaseDC(CtrlHandle, DC);
}

void TacPanelWnd::PaintBorder(HDC DC) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    int b = BorderWidthOf(CtrlHandle);
    if (b <= 0)
        return;
    bool own = DC == nullptr;
    if (own)
        DC = GetWindowDC(CtrlHandle);
    if (SkinData->BGChanged || !SkinData->CacheBmp() || SkinData->CacheBmp()->Width() != WndSize.cx)
        PrepareCache();
    BitBltBorder(DC, 0, 0, WndSize.cx, WndSize.cy, b, SkinData->CacheBmp()->Canvas()->Handle(), 0, 0);
    if (own)
        ReleaseDC(CtrlHandle, DC);
}

void TacPanelWnd::WndProc(TMessage& Message) {
    TWinControl* owner = Owner();
    bool container = owner && owner->ControlStyle().Contains(csAcceptsControls);
    if (container && SkinActive()) {
        if (Message.Msg == SM_QUORVEXCMD) {
            switch (SkinCmdOf(Message.WParam)) {
            case scIsSkinned:
                Message.Result = 1;
                return;
            case scNewSkin:
                BroadcastSkinMessage(owner, Message);
                break;
            case scRemoveSkin:
                SkinData->SkinIndex = -1;
                RestoreOwnerOpacity(SkinData, FOwnerWasOpaque);
                TacMainWnd::WndProc(Message);
                return;
            case scRepaintHeld:
                SkinData->Updating = false;
                RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
                return;
            case scRebuildCache:
                return;
            case scGetApplication:
                Message.Result = reinterpret_cast<LRESULT>(Application.Get());
                return;
            default:
                break;
            }
        } else if (SkinData->Skinned()) {
            switch (Message.Msg) {
            case WM_NCPAINT:
                PaintBorder(nullptr);
                Message.Result = 0;
                return;
            case WM_SETTEXT:
                if (IsWindowVisible(CtrlHandle)) {
                    SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
                    TacMainWnd::WndProc(Message);
                    SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
                    SkinData->BGChanged = true;
                    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
                    return;
                }
                break;
            case WM_PAINT: {
                // The client is painted while the background is erased.
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                PAINTSTRUCT ps{};
                BeginPaint(CtrlHandle, &ps);
                EndPaint(CtrlHandle, &ps);
                return;
            }
            case WM_ERASEBKGND:
                PaintClient(reinterpret_cast<HDC>(Message.WParam), false);
                Message.Result = 1;
                return;
            case WM_UPDATEUISTATE:
                Message.Result = 1;
                return;
            case WM_PARENTNOTIFY:
                TacMainWnd::WndProc(Message);
                if (LOWORD(Message.WParam) == WM_CREATE)
                    NotifyFormOfControl(owner);
                return;
            case WM_PRINT:
                SkinData->BGChanged = true;
                PaintClient(reinterpret_cast<HDC>(Message.WParam), true);
                PaintBorder(reinterpret_cast<HDC>(Message.WParam));
                return;
            default:
                break;
            }
        }
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_WINDOWPOSCHANGING && IsWindow(CtrlHandle))
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
}

// --- TacDlgPanelWnd ---

void TacDlgPanelWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                          const std::string& SkinSection, bool Repaint) {
    TacMainWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    Panel = FindControlByHandle(AHandle, Application.Get());
    if (Panel)
        StdColor = Panel->Color();
    if (Panel && std::string(Panel->ClassName()) == "TPanel") {
        TakeGlobalColor();
        SkinData->SetSkinSection("CHECKBOX");
    } else {
        SkinData->SetSkinSection("GROUPBOX");
    }
}

void TacDlgPanelWnd::TakeGlobalColor() {
    TsSkinManager* manager = SkinData->SkinManager();
    if (Panel && manager && Panel->Color() != manager->GetGlobalColor())
        Panel->SetColor(manager->GetGlobalColor());
}

void TacDlgPanelWnd::SetSkinParams() {
    TacMainWnd::SetSkinParams();
    TakeGlobalColor();
}

void TacDlgPanelWnd::RestoreStdParams() {
    if (Panel && !Panel->Destroying() && StdColor != clNone && Panel->Color() != StdColor)
        Panel->SetColor(StdColor);
}

void TacDlgPanelWnd::PrepareCache() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    if (cache->Width() != WndSize.cx || cache->Height() != WndSize.cy)
        cache->SetSize(WndSize.cx, WndSize.cy);
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, SkinData->SkinManager(), cache, WndPos,
                  TRect(0, 0, WndSize.cx, WndSize.cy), 0, false);
    SkinData->BGChanged = false;
}

void TacDlgPanelWnd::PaintDlgClient(HDC DC) {
    if (!SkinData->Skinned())
        return;
    bool own = DC == nullptr;
    if (own)
        DC = GetWindowDC(CtrlHandle);
    int saved = SaveDC(DC);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        PrepareCache();
        int b = BorderWidthOf(CtrlHandle);
        BitBlt(DC, b, b, WndSize.cx - 2 * b, WndSize.cy - 2 * b, SkinData->CacheBmp()->Canvas()->Handle(), b, b,
               SRCCOPY);
    }
    RestoreDC(DC, saved);
    if (own)
        ReleaseDC(CtrlHandle, DC);
}

void TacDlgPanelWnd::PaintDlgBorder(HDC DC) {
    int b = BorderWidthOf(CtrlHandle) + 6;
    if (b <= 0)
        return;
    SkinData->BGChanged = true;
    PrepareCache();
    bool own = DC == nullptr;
    if (own)
        DC = GetWindowDC(CtrlHandle);
    BitBltBorder(DC, 0, 0, WndSize.cx, WndSize.cy, b, SkinData->CacheBmp()->Canvas()->Handle(), 0, 0);
    if (own)
        ReleaseDC(CtrlHandle, DC);
}

void TacDlgPanelWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_SETTEXT:
        if (IsWindowVisible(CtrlHandle))
            SkinData->BGChanged = true;
        break;
    case WM_PAINT: {
        TakeGlobalColor();
        PAINTSTRUCT ps{};
        BeginPaint(CtrlHandle, &ps);
        EndPaint(CtrlHandle, &ps);
        return;
    }
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        int saved = SaveDC(dc);
        PaintDlgClient(dc);
        IntersectClipRect(dc, 6, 6, WndSize.cx - 6, WndSize.cy - 6);
        // The window paints its own content inside the skinned frame.
        TMessage paint{};
        paint.Msg = WM_PAINT;
        paint.WParam = Message.WParam;
        CallPrevWndProc(paint);
        RestoreDC(dc, saved);
        Message.Result = 1;
        return;
    }
    case WM_NCPAINT:
        PaintDlgBorder(nullptr);
        Message.Result = 1;
        return;
    case WM_UPDATEUISTATE:
        Message.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        TacMainWnd::WndProc(Message);
        TakeGlobalColor();
        if (LOWORD(Message.WParam) == WM_CREATE && SkinData->OwnerControl())
            NotifyFormOfControl(SkinData->OwnerControl());
        return;
    case WM_PRINT:
        PaintDlgClient(reinterpret_cast<HDC>(Message.WParam));
        PaintDlgBorder(reinterpret_cast<HDC>(Message.WParam));
        return;
    case WM_THEMECHANGED:
        if (Panel && Panel->Color() != clBtnFace)
            Panel->SetColor(clBtnFace);
        break;
    default:
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scNewSkin && Panel)
            BroadcastSkinMessage(Panel, Message);
        break;
    }
    TacMainWnd::WndProc(Message);
}

// --- TacTransPanelWnd ---

void TacTransPanelWnd::WndProc(TMessage& Message) {
    if (SkinActive()) {
        if (Message.Msg == WM_ERASEBKGND) {
            PaintPanel(Message);
            Message.Result = 1;
            return;
        }
        if (Message.Msg == WM_NCPAINT) {
            Message.Result = 0;
            return;
        }
    }
    TacMainWnd::WndProc(Message);
}

void TacTransPanelWnd::PaintPanel(TMessage&) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    SkinData->BGChanged = true;
    PrepareAdapterCache(SkinData, CtrlHandle, false);
    HDC dc = GetWindowDC(CtrlHandle);
    // Child group boxes are left out by their frames only: what lies inside them is this panel's picture.
    TRect all(0, 0, WndSize.cx, WndSize.cy);
    CopyHwndCache(CtrlHandle, SkinData, all, 0, 0, false, dc, all);
    ReleaseDC(CtrlHandle, dc);
}

// --- TacSpinWnd ---

void TacSpinWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_PAINT:
        PaintSpin(Message);
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        Message.Result = 0;
        return;
    case WM_LBUTTONDOWN:
        Pressed = true;
        break;
    case WM_LBUTTONUP:
        Pressed = false;
        break;
    case WM_NCMOUSELEAVE:
        InvalidateRect(CtrlHandle, nullptr, FALSE);
        break;
    default:
        break;
    }
    TacMainWnd::WndProc(Message);
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        break;
    case WM_MOUSEMOVE:
        if (ManagerUsable(DefaultManager) && IsWindowEnabled(CtrlHandle)) {
            POINT p{};
            GetCursorPos(&p);
            RECT r{};
            GetWindowRect(CtrlHandle, &r);
            if (PtInRect(&r, p)) {
                if (DefaultManager->ActiveControl() != CtrlHandle)
                    DefaultManager->SetActiveControl(CtrlHandle);
                else
                    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            } else if (DefaultManager->ActiveControl() == CtrlHandle) {
                DefaultManager->SetActiveControl(nullptr);
            }
        }
        break;
    default:
        break;
    }
}

void TacSpinWnd::PaintSpin(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    bool vertical = !(GetWindowLongW(CtrlHandle, GWL_STYLE) & UDS_HORZ);
    POINT p{};
    GetCursorPos(&p);
    bool inside = PtInRect(&WndRect, p) != 0;
    bool first = vertical ? p.y < WndRect.top + WndRect.Height() / 2 : p.x < WndRect.left + WndRect.Width() / 2;
    std::tie(State1, State2) = SpinStates(inside, first, Pressed);
    PAINTSTRUCT ps{};
    BeginPaint(CtrlHandle, &ps);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        bool own = dc == nullptr;
        if (own)
            dc = GetDC(CtrlHandle);
        SkinData->BGChanged = true;
        PrepareCache();
        TBitmap* cache = SkinData->CacheBmp();
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
        if (own)
            ReleaseDC(CtrlHandle, dc);
    }
    EndPaint(CtrlHandle, &ps);
}

void TacSpinWnd::PrepareCache() {
    bool vertical = !(GetWindowLongW(CtrlHandle, GWL_STYLE) & UDS_HORZ);
    auto halves = SpinHalves(WndSize.cx, WndSize.cy, vertical);
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    TsSkinManager* manager = SkinData->SkinManager();
    const TRect parts[2] = {halves.first, halves.second};
    const int states[2] = {State1, State2};
    int glyphs[2] = {-1, -1};
    if (manager) {
        glyphs[0] = vertical ? manager->ConstData.ScrollBtnTop.GlyphIndex : manager->ConstData.ScrollBtnLeft.GlyphIndex;
        glyphs[1] = vertical ? manager->ConstData.ScrollBtnBottom.GlyphIndex
                             : manager->ConstData.ScrollBtnRight.GlyphIndex;
    }
    TCacheInfo self = InitCacheInfo(cache, 0, 0);
    for (int k = 0; k < 2; ++k) {
        const TRect& r = parts[k];
        PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, manager, cache,
                      TPoint(WndPos.x + r.left, WndPos.y + r.top), r, states[k], true);
        if (manager && manager->IsValidImgIndex(glyphs[k])) {
            const TsMaskData& mask = manager->Masks[static_cast<size_t>(glyphs[k])];
            int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
            DrawMaskGlyph(cache, TPoint(r.left + (r.Width() - w) / 2, r.top + (r.Height() - h) / 2), states[k], self,
                          mask, true);
        }
    }
    SkinData->BGChanged = false;
}

// --- TacSizerWnd ---

void TacSizerWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_PAINT:
        PaintSizer();
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        return;
    default:
        break;
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_NCHITTEST) {
        // The whole grip sizes the dialog.
        Message.Result = HTBOTTOMRIGHT;
        if (IsWindowEnabled(CtrlHandle) && SkinData->SkinManager() && SkinData->SkinManager()->ActiveControl())
            SkinData->SkinManager()->SetActiveControl(nullptr);
    }
}

void TacSizerWnd::PaintSizer() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    PAINTSTRUCT ps{};
    BeginPaint(CtrlHandle, &ps);
    HDC dc = GetDC(CtrlHandle);
    auto bmp = CreateBmp24(WndSize.cx, WndSize.cy);
    TacBGInfo info;
    info.R = TRect(0, 0, WndSize.cx, WndSize.cy);
    info.Offset = WndPos;
    info.DrawDC = bmp->Canvas()->Handle();
    info.PleaseDraw = true;
    if (!QueryWndBGInfo(info, ParentWnd, true)) {
        // A parent outside the skin shows its own colour.
        FillDC(bmp->Canvas()->Handle(), info.R, acWindowBackground(ParentWnd));
    }
    GdiFlush();
    TsSkinManager* manager = SkinData->SkinManager();
    int grip = manager ? manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE") : -1;
    if (manager && manager->IsValidImgIndex(grip)) {
        const TsMaskData& mask = manager->Masks[static_cast<size_t>(grip)];
        int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
        DrawMaskGlyph(bmp.get(), TPoint(std::max<int>(WndSize.cx - w, 0), std::max<int>(WndSize.cy - h, 0)), 0,
                      InitCacheInfo(bmp.get(), 0, 0), mask, true);
    }
    // Without a grip image the parent's background still replaces what the window showed before.
    BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
    ReleaseDC(CtrlHandle, dc);
    EndPaint(CtrlHandle, &ps);
}
