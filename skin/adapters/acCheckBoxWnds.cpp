#include "acCheckBoxWnds.h"

#include "acAdapterSupport.h"
#include "acContainerSupport.h"
#include "acCtrlGeometry.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/Controls.h"

#include <algorithm>

namespace {

// The window's font into the canvas: the owner control's, else a copy of the one the window was given.
void SelectWindowFont(TCanvas* Canvas, HWND Wnd, TControl* Owner) {
    if (Owner) {
        Canvas->Font()->Assign(Owner->Font());
        return;
    }
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(Wnd, WM_GETFONT, 0, 0));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof lf, &lf))
        Canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
}

// A disabled control keeps 40 percent of its picture over 60 percent of what lies below it.
void FadeDisabled(TBitmap* Cache, const TCacheInfo& Parent, HWND Wnd, const TPoint& Pos, const TSize& Size) {
    if (Parent.Ready && Parent.Bmp) {
        int x = Pos.x + Parent.X, y = Pos.y + Parent.Y;
        BlendRectBitmap(Cache, 0, 0, static_cast<TColor>(0xFF000000), 0.4, TRect(x, y, x + Size.cx, y + Size.cy),
                        Parent.Bmp);
    } else {
        BlendColorBmp(Cache, ColorToRGB(ColorBelow(Parent, Wnd)), 0.4);
    }
}

}  // namespace

// --- TacCheckBoxWnd ---

int TacCheckBoxWnd::GlyphIndex() const {
    LRESULT state = SendMessageW(CtrlHandle, BM_GETSTATE, 0, 0);
    return CheckGlyphIndex(SkinData->SkinManager(), GetWindowLongW(CtrlHandle, GWL_STYLE), CheckStateOf(state));
}

TRect TacCheckBoxWnd::GlyphRect() const {
    TsSkinManager* manager = SkinData->SkinManager();
    LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    int index = CheckGlyphIndex(manager, style, 1);
    bool valid = manager && manager->IsValidImgIndex(index);
    RECT r{};
    GetWindowRect(CtrlHandle, &r);
    return CheckGlyphRect(valid, valid ? CheckGlyphSize(manager, index) : TSize(), r.right - r.left, r.bottom - r.top,
                          style);
}

void TacCheckBoxWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
        case scMouseEnter:
        case scMouseLeave:
            SkinData->MouseAbove = SkinCmdOf(Message.WParam) == scMouseEnter;
            SkinData->Updating = false;
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            break;
        default:
            break;
        }
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_NCPAINT:
    case WM_ERASEBKGND:
        return;
    case WM_PAINT:
        PaintCheckBox(Message);
        return;
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
        if (IsWindowVisible(CtrlHandle)) {
            // The button would draw its own look at once: its redraw is held while it changes.
            SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
            TacMainWnd::WndProc(Message);
            SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            return;
        }
        break;
    default:
        break;
    }
    TacMainWnd::WndProc(Message);
    switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        SkinData->Focused = Message.Msg == WM_SETFOCUS;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        break;
    case WM_KEYDOWN:
        if (Message.WParam == VK_SPACE)
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        break;
    case WM_NCHITTEST:
        if (IsWindowEnabled(CtrlHandle) && SkinData->SkinManager() && SkinData->SkinManager()->ActiveControl() != CtrlHandle)
            SkinData->SkinManager()->SetActiveControl(CtrlHandle);
        break;
    default:
        break;
    }
}

void TacCheckBoxWnd::PaintCheckBox(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    PAINTSTRUCT ps{};
    BeginPaint(CtrlHandle, &ps);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        SendMessageW(ParentWnd, SM_QUORVEXCMD, MakeSkinCmd(scChildPaints), 0);
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        if (dc || IsWindowVisible(CtrlHandle)) {
            bool own = dc == nullptr;
            if (own)
                dc = GetDC(CtrlHandle);
            PrepareCache();
            TBitmap* cache = SkinData->CacheBmp();
            BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
            if (own)
                ReleaseDC(CtrlHandle, dc);
        }
    }
    EndPaint(CtrlHandle, &ps);
}

void TacCheckBoxWnd::PrepareCache() {
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    SelectWindowFont(cache->Canvas(), CtrlHandle, SkinData->OwnerControl());
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    bool active = SkinData->ControlIsActive() || SkinData->MouseAbove || GetFocus() == CtrlHandle;
    PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, SkinData->SkinManager(), cache, WndPos,
                  TRect(0, 0, WndSize.cx, WndSize.cy), active ? 1 : 0, true);
    TRect glyph = GlyphRect();
    if (!WndText.empty())
        DrawCaption(glyph);
    TsSkinManager* manager = SkinData->SkinManager();
    int index = GlyphIndex();
    if (cache->Width() >= 1 && manager && manager->IsValidImgIndex(index)) {
        LRESULT state = SendMessageW(CtrlHandle, BM_GETSTATE, 0, 0);
        bool hot = manager->ActiveControl() == CtrlHandle;
        TCacheInfo self = InitCacheInfo(cache, 0, 0);
        DrawMaskGlyph(cache, glyph.TopLeft(), CheckGlyphState(state, hot), self,
                      manager->Masks[static_cast<size_t>(index)], true);
    }
    if (!IsWindowEnabled(CtrlHandle))
        FadeDisabled(cache, parent, CtrlHandle, WndPos, WndSize);
    SkinData->BGChanged = false;
}

void TacCheckBoxWnd::DrawCaption(const TRect& Glyph) {
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    int avail = WndSize.cx - (Glyph.Width() + 2);
    bool multiline = (style & BS_MULTILINE) != 0;
    bool focused = (SendMessageW(CtrlHandle, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
    TRect measure(0, 0, std::max(avail, 0), 0);
    HDC dc = canvas->Handle();
    HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
    DrawTextStr(dc, WndText, measure, multiline ? (DT_CALCRECT | DT_WORDBREAK) : (DT_CALCRECT | DT_SINGLELINE));
    SelectObject(dc, old);
    TRect r = CheckCaptionRect(WndSize.cx, WndSize.cy, avail, TSize(measure.Width(), measure.Height()), multiline,
                               (style & BS_LEFTTEXT) != 0);
    canvas->Brush()->SetStyle(bsClear);
    WriteSkinText(canvas, WndText, true, SkinData->ControlIsActive(), SkinData,
                  multiline ? (DT_WORDBREAK | DT_CENTER) : DT_SINGLELINE, r);
    canvas->Pen()->SetStyle(psClear);
    canvas->Brush()->SetStyle(bsSolid);
    if (focused) {
        InflateRect(&r, 1, 0);
        DrawDotGrip(canvas, r);
    }
}

// --- TacGroupBoxWnd ---

void TacGroupBoxWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                          const std::string& SkinSection, bool Repaint) {
    FOwnerWasOpaque = OwnerIsOpaque(ASkinData);
    TacMainWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
}

void TacGroupBoxWnd::SelectFont() {
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    if (TControl* owner = SkinData->OwnerControl()) {
        canvas->Font()->Assign(owner->Font());
        return;
    }
    if (SendMessageW(CtrlHandle, WM_GETFONT, 0, 0))
        SelectWindowFont(canvas, CtrlHandle, nullptr);
}

TRect TacGroupBoxWnd::CaptionRect() {
    SkinData->InitCacheBmp();
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    SelectFont();
    TRect r(0, 0, 0, 0);
    HDC dc = canvas->Handle();
    HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
    DrawTextStr(dc, WndText, r, DT_CALCRECT | DT_CENTER);
    SelectObject(dc, old);
    RECT own{};
    GetWindowRect(CtrlHandle, &own);
    return GroupCaptionBand(r.Width(), r.Height(), own.right - own.left);
}

void TacGroupBoxWnd::FillFromParent(const TRect& R) {
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    FillFromParentInfo(SkinData->CacheBmp(), R, parent, WndPos);
}

void TacGroupBoxWnd::PrepareCache() {
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    SelectFont();
    TRect band = CaptionRect();
    FillFromParent(TRect(0, 0, WndSize.cx, band.bottom));
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    int half = band.Height() / 2;
    // The frame starts half a caption band down, and so does the background under it.
    PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, SkinData->SkinManager(), cache,
                  TPoint(WndPos.x, WndPos.y + half), TRect(0, half, WndSize.cx, WndSize.cy), 0, false);
    if (!WndText.empty()) {
        FillFromParent(band);
        TCanvas* canvas = cache->Canvas();
        canvas->Brush()->SetStyle(bsClear);
        WriteSkinText(canvas, WndText, true, false, SkinData, DT_SINGLELINE | DT_VCENTER | DT_CENTER, band);
    }
    SkinData->BGChanged = false;
}

void TacGroupBoxWnd::PaintGroupBox(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    PAINTSTRUCT ps{};
    bool painting = Message.Msg == WM_PAINT;
    if (painting)
        BeginPaint(CtrlHandle, &ps);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        PrepareCache();
        bool given = Message.WParam != 0 && Message.LParam == 1;
        HDC dc = given ? reinterpret_cast<HDC>(Message.WParam) : GetWindowDC(CtrlHandle);
        int saved = SaveDC(dc);
        TsSkinManager* manager = SkinData->SkinManager();
        if (DlgMode && manager) {
            // Only the frame and the caption: the dialog's button paints what lies inside.
            int border = SkinData->BorderIndex;
            if (manager->IsValidImgIndex(border))
                ExcludeClipRect(dc, manager->MaskWidthLeft(border), CaptionRect().bottom,
                                WndSize.cx - manager->MaskWidthRight(border),
                                WndSize.cy - manager->MaskWidthBottom(border));
        }
        TRect all(0, 0, WndSize.cx, WndSize.cy);
        CopyHwndCache(CtrlHandle, SkinData, all, 0, 0, false, dc, all);
        if (auto* owner = dynamic_cast<TWinControl*>(SkinData->OwnerControl()))
            PaintChildControls(owner, dc, TPoint(0, 0));
        RestoreDC(dc, saved);
        if (!given)
            ReleaseDC(CtrlHandle, dc);
        UnlockChildWindows(CtrlHandle);
    }
    if (painting)
        EndPaint(CtrlHandle, &ps);
}

void TacGroupBoxWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
        case scRemoveSkin:
            // Without the skin a class-library group box is erased under its children again.
            RestoreOwnerOpacity(SkinData, FOwnerWasOpaque);
            break;
        case scGetCaptionOrManager:
            Message.Result = CaptionRect().Height();
            return;
        default:
            break;
        }
        TacMainWnd::WndProc(Message);
        return;
    }
    if (!DlgMode) {
        switch (Message.Msg) {
        case WM_PAINT:
            PaintGroupBox(Message);
            Message.Result = 0;
            return;
        case WM_PRINT:
            SkinData->BGChanged = true;
            Message.LParam = 1;
            PaintGroupBox(Message);
            return;
        case WM_ERASEBKGND:
            Message.Result = 1;
            return;
        default:
            break;
        }
    } else if (Message.Msg == WM_NCPAINT) {
        TMessage nc{};
        nc.Msg = WM_NCPAINT;
        PaintGroupBox(nc);
        Message.Result = 1;
        return;
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_PARENTNOTIFY && LOWORD(Message.WParam) == WM_CREATE)
        if (TControl* owner = SkinData->OwnerControl())
            NotifyFormOfControl(owner);
}
