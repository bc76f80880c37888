#include "acButtonWnds.h"

#include "acAdapterSupport.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/visual/Buttons.h"
#include "classlib/runtime/Finally.h"

#include <algorithm>

// --- TacBtnWnd ---

const TsGeneralData* TacBtnWnd::Section() const {
    if (!SkinData || !SkinData->Skinned())
        return nullptr;
    return &SkinData->SkinManager()->Sections[static_cast<size_t>(SkinData->SkinIndex)];
}

bool TacBtnWnd::Pushed() const { return (SendMessageW(CtrlHandle, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }

int TacBtnWnd::ButtonState() const {
    if (Pushed())
        return 2;
    if (!IsWindowEnabled(CtrlHandle))
        return 0;
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (GetFocus() == CtrlHandle || (manager && manager->ActiveControl() == CtrlHandle))
        return 1;
    LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (SkinData && SkinData->OwnerControl()) {
        if ((style & 15) == BS_DEFPUSHBUTTON)
            return 1;
    } else if (style & 1) {
        return 1;
    }
    return 0;
}

void TacBtnWnd::WndProc(TMessage& Message) {
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    auto repaint = [this] {
        SkinData->BGChanged = true;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
    };
    // Runs the step with the window's redraw held, so the button's own painting never shows.
    auto held = [this](auto step) {
        SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
        auto redraw = Finally([this] { SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0); });
        step();
    };
    switch (Message.Msg) {
    case WM_PAINT:
        if (!ParamsChanged)
            SetSkinParams();
        PrintButton(Message);
        return;
    case WM_PRINT:
        PrintButton(Message);
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
        Message.Result = 1;
        return;
    case WM_MOVE: {
        const TsGeneralData* section = Section();
        if (section && (section->Transparency >= 1 || (section->HotTransparency >= 1 && SkinData->ControlIsActive())))
            repaint();
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (!IsWindowEnabled(CtrlHandle)) {
            // The button's own procedure must still learn where the focus went; there is nothing to repaint.
            TacMainWnd::WndProc(Message);
            return;
        }
        if (IsWindowVisible(CtrlHandle))
            held([&] { TacMainWnd::WndProc(Message); });
        else
            TacMainWnd::WndProc(Message);
        SkinData->Focused = Message.Msg == WM_SETFOCUS;
        repaint();
        return;
    case WM_ENABLE:
    case WM_SETTEXT:
        if (!IsWindowVisible(CtrlHandle))
            break;
        held([&] { TacMainWnd::WndProc(Message); });
        repaint();
        return;
    case BM_SETSTATE:
        if (!IsWindowVisible(CtrlHandle))
            break;
        held([&] { CallPrevWndProc(Message); });
        repaint();
        return;
    default:
        if (Message.Msg == SM_QUORVEXCMD) {
            switch (SkinCmdOf(Message.WParam)) {
            case scRepaintHeld:
                if (SkinData->NeedsRepaint()) {
                    SkinData->Updating = false;
                    RedrawWindow(CtrlHandle, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
                    return;
                }
                break;
            case scMouseEnter:
                if (!SkinData->MouseAbove) {
                    SkinData->MouseAbove = true;
                    SkinData->BGChanged = true;
                    SkinData->Updating = false;
                    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
                }
                break;
            case scMouseLeave:
                if (SkinData->MouseAbove) {
                    SkinData->MouseAbove = false;
                    SkinData->Updating = false;
                    SkinData->BGChanged = true;
                    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
                }
                break;
            default:
                break;
            }
        }
        break;
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_MOUSEMOVE && DefaultManager && !DefaultManager->ComponentState().Contains(csDesigning) &&
        IsWindowEnabled(CtrlHandle)) {
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT r{};
        GetWindowRect(CtrlHandle, &r);
        bool inside = PtInRect(&r, cursor) != 0;
        if (inside && DefaultManager->ActiveControl() != CtrlHandle)
            DefaultManager->SetActiveControl(CtrlHandle);
        else if (!inside && DefaultManager->ActiveControl() == CtrlHandle)
            DefaultManager->SetActiveControl(nullptr);
    }
}

void TacBtnWnd::PrintButton(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    PAINTSTRUCT ps;
    bool painting = Message.Msg == WM_PAINT;
    if (painting)
        BeginPaint(CtrlHandle, &ps);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (!SkinData->Updating) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        bool ownDC = dc == nullptr;
        if (ownDC)
            dc = GetDC(CtrlHandle);
        SkinData->BGChanged = true;
        PrepareCache();
        TBitmap* cache = SkinData->CacheBmp();
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
        if (ownDC)
            ReleaseDC(CtrlHandle, dc);
    }
    if (painting)
        EndPaint(CtrlHandle, &ps);
}

void TacBtnWnd::PrepareCache() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    TCacheInfo parentInfo;
    acGetParentWndCacheInfo(CtrlHandle, parentInfo);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    int state = ButtonState();
    PaintSkinItem(SkinData->SkinIndex, "", parentInfo, -1, -1, SkinData->SkinManager(), cache, WndPos,
                  TRect(0, 0, WndSize.cx, WndSize.cy), state, true);
    PaintParentBG(SkinData, state, this);
    DrawCaption();
    DrawGlyph();
    if (!IsWindowEnabled(CtrlHandle)) {
        if (parentInfo.Ready && parentInfo.Bmp) {
            int x = WndPos.x + parentInfo.X, y = WndPos.y + parentInfo.Y;
            BlendRectBitmap(cache, 0, 0, static_cast<TColor>(0xFF000000), 0.4,
                            TRect(x, y, x + WndSize.cx, y + WndSize.cy), parentInfo.Bmp);
        } else {
            BlendColorBmp(cache, ColorToRGB(parentInfo.FillColor), 0.4);
        }
    }
    SkinData->BGChanged = false;
}

void TacBtnWnd::SelectCaptionFont() {
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    if (TControl* owner = SkinData->OwnerControl()) {
        canvas->Font()->Assign(owner->Font());
        return;
    }
    // The window's font belongs to whoever set it: the canvas gets a copy of its own.
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof lf, &lf))
        canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
}

HANDLE TacBtnWnd::StyleImage(bool& IsIcon) const {
    IsIcon = false;
    if (SkinData->OwnerControl())
        return nullptr;
    LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (!(style & (BS_BITMAP | BS_ICON)))
        return nullptr;
    IsIcon = (style & BS_ICON) != 0;
    return reinterpret_cast<HANDLE>(
        SendMessageW(CtrlHandle, BM_GETIMAGE, IsIcon ? IMAGE_ICON : IMAGE_BITMAP, 0));
}

void TacBtnWnd::DrawGlyph() {
    bool isIcon = false;
    HANDLE image = StyleImage(isIcon);
    if (!image)
        return;
    int w = 0, h = 0;
    if (isIcon) {
        ICONINFO info{};
        if (!GetIconInfo(static_cast<HICON>(image), &info))
            return;
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        w = bm.bmWidth, h = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
    } else {
        BITMAP bm{};
        if (!GetObjectW(image, sizeof bm, &bm))
            return;
        w = bm.bmWidth, h = bm.bmHeight;
    }
    int shift = Pushed() ? 1 : 0;
    int x = (WndSize.cx - w) / 2 + shift, y = (WndSize.cy - h) / 2 + shift;
    HDC dc = SkinData->CacheBmp()->Canvas()->Handle();
    if (isIcon) {
        DrawIconEx(dc, x, y, static_cast<HICON>(image), 0, 0, 0, nullptr, DI_NORMAL);
    } else {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, image);
        BitBlt(dc, x, y, w, h, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    GdiFlush();
}

void TacBtnWnd::DrawCaption() {
    bool isIcon = false;
    // A button of the bitmap or icon style shows its image in place of its caption.
    if (StyleImage(isIcon))
        return;
    SelectCaptionFont();
    TRect r;
    CaptionRect(r);
    bool multiLine = (GetWindowLongW(CtrlHandle, GWL_STYLE) & BS_MULTILINE) != 0;
    WriteCaption(r, multiLine ? (DT_EXPANDTABS | DT_CENTER) : (DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER));
    const TsGeneralData* section = Section();
    if (IsWindowEnabled(CtrlHandle) && (SendMessageW(CtrlHandle, BM_GETSTATE, 0, 0) & BST_FOCUS) &&
        !WndText.empty() && section && section->ShowFocus) {
        InflateRect(&r, 1, 1);
        DrawDotGrip(SkinData->CacheBmp()->Canvas(), r);
    }
}

void TacBtnWnd::WriteCaption(TRect R, UINT Flags) {
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    canvas->Brush()->SetStyle(bsClear);
    WriteSkinText(canvas, WndWideText, true, ButtonState() != 0, SkinData, Flags, R);
}

void TacBtnWnd::CaptionSize(TSize& Size) {
    TRect r(0, 0, MaxCaptionWidth(), 0);
    UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_CENTER;
    if (!(GetWindowLongW(CtrlHandle, GWL_STYLE) & BS_MULTILINE))
        flags |= DT_WORDBREAK;
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    HDC dc = canvas->Handle();
    HGDIOBJ old = SelectObject(dc, canvas->Font()->Handle());
    DrawTextStr(dc, WndWideText, r, flags);
    SelectObject(dc, old);
    Size = TSize(r.Width(), r.Height());
}

void TacBtnWnd::CaptionRect(TRect& R) {
    TSize size;
    CaptionSize(size);
    int w = WndSize.cx, h = WndSize.cy;
    int x = (w - size.cx) / 2, y = (h - size.cy) / 2;
    R = TRect(x - 1, y, w - x + 2, h - y);
    if (Pushed())
        OffsetRect(&R, 1, 1);
}

int TacBtnWnd::MaxCaptionWidth() {
    if (WndText.empty())
        return 0;
    int width = WndSize.cx - 2;
    TSize glyph(0, 0);
    GlyphSize(glyph);
    if (glyph.cx != 0)
        width -= glyph.cx + 2;
    return width;
}

// --- TacBitBtnWnd ---

namespace {

TBitBtn* BitBtnOf(TsCommonData* SkinData) {
    return SkinData ? dynamic_cast<TBitBtn*>(SkinData->OwnerControl()) : nullptr;
}

int GlyphCount(TBitBtn* Button) { return std::max(1, Button->NumGlyphs() & 0x7F); }

}  // namespace

void TacBitBtnWnd::GlyphSize(TSize& Size) {
    if (TControl* owner = SkinData->OwnerControl()) {
        TBitBtn* button = dynamic_cast<TBitBtn*>(owner);
        if (button && button->Glyph() && !button->Glyph()->Empty()) {
            Size = TSize(button->Glyph()->Width() / GlyphCount(button), button->Glyph()->Height());
            return;
        }
        Size.cx = 0;
        return;
    }
    // The bitmap's own size: GetBitmapDimensionEx only tells what SetBitmapDimensionEx stored.
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageW(CtrlHandle, BM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (bitmap && GetObjectW(bitmap, sizeof info, &info)) {
        Size = TSize(info.bmWidth, info.bmHeight);
        return;
    }
    Size.cx = 0;
}

int TacBitBtnWnd::MaxCaptionWidth() {
    TBitBtn* button = BitBtnOf(SkinData);
    if (!button)
        return TacBtnWnd::MaxCaptionWidth();
    if (WndText.empty())
        return 0;
    int width = button->Width() - 2 * button->Margin();
    TSize glyph(0, 0);
    GlyphSize(glyph);
    if (button->Layout() < 2 && glyph.cy != 0)
        width -= glyph.cx + button->Spacing();
    return width;
}

void TacBitBtnWnd::CaptionRect(TRect& R) {
    TBitBtn* button = BitBtnOf(SkinData);
    TSize glyph(0, 0);
    GlyphSize(glyph);
    if (!button) {
        TacBtnWnd::CaptionRect(R);
        if (glyph.cx != 0)
            OffsetRect(&R, glyph.cx / 2 + 1, 0);
        return;
    }
    TSize caption;
    CaptionSize(caption);
    TPoint glyphPos;
    CalcGlyphLayout(TRect(0, 0, WndSize.cx, WndSize.cy), TPoint(glyph.cx, glyph.cy), TPoint(caption.cx, caption.cy),
                    static_cast<TacGlyphLayout>(button->Layout()), 2, 0, 0, false, glyphPos, R);
    if (ButtonState() == 2)
        OffsetRect(&R, 1, 1);
}

TRect TacBitBtnWnd::GlyphRect() {
    TSize glyph(0, 0);
    GlyphSize(glyph);
    int gw = glyph.cx, gh = glyph.cy, w = WndSize.cx, h = WndSize.cy;
    bool pressed = ButtonState() == 2;
    TBitBtn* button = BitBtnOf(SkinData);
    if (!button) {
        if (gw == 0)
            return TRect();
        TRect caption;
        CaptionRect(caption);
        int right = caption.left - 2, top = (h - gh) / 2 + (pressed ? 1 : 0);
        return TRect(right - gw, top, right, top + gh);
    }
    TSize text;
    CaptionSize(text);
    int tw = text.cx, th = text.cy;
    int sp = (gw > 0 && !WndText.empty()) ? button->Spacing() : 0;
    int x = 0, y = 0;
    switch (button->Layout()) {
    case blGlyphLeft:
        x = (w - gw - tw - sp) / 2, y = (h - gh) / 2;
        break;
    case blGlyphRight:
        x = (w - gw + sp + tw) / 2, y = (h - gh) / 2;
        break;
    case blGlyphTop:
        x = (w - gw) / 2 + 1, y = (h - gh - th - sp) / 2;
        break;
    default:
        x = (w - gw) / 2 + 1, y = h - (h - gh - th - sp) / 2 - gh;
        break;
    }
    if (pressed)
        ++x, ++y;
    return TRect(x, y, x + gw, y + gh);
}

void TacBitBtnWnd::DrawGlyph() {
    TBitBtn* button = BitBtnOf(SkinData);
    if (!button) {
        TacBtnWnd::DrawGlyph();
        return;
    }
    if (!button->Glyph() || button->Glyph()->Empty())
        return;
    int count = GlyphCount(button);
    int cell = 0;
    if (!IsWindowEnabled(CtrlHandle))
        cell = std::min(count, 1) - 1;
    else if (ButtonState() == 2)
        cell = std::min(count, 4) - 1;
    TBitmap* glyph = button->Glyph();
    int cw = glyph->Width() / count;
    // A 24-bit copy, so the button's own glyph keeps its format.
    auto work = CreateBmp24(glyph->Width(), glyph->Height());
    BitBlt(work->Canvas()->Handle(), 0, 0, glyph->Width(), glyph->Height(), glyph->Canvas()->Handle(), 0, 0, SRCCOPY);
    GdiFlush();
    TColor transparent = GetPixel(work->Canvas()->Handle(), 0, 0);
    TRect target = GlyphRect();
    TCacheInfo none;
    none.Ready = false;
    CopyTransRect(SkinData->CacheBmp(), work.get(), target.left, target.top,
                  TRect(cell * cw, 0, cell * cw + cw, glyph->Height()), transparent, none, false);
}
