#include "Graphics.h"

#include <algorithm>
#include <iterator>

// --- colours ---

namespace {

struct ColorName {
    TColor Value;
    const char* Name;
};

// The class library's colour names; clLtGray and clDkGray share values with clSilver and clGray
// and so have no entry of their own (a stored clLtGray reads back as clSilver, as it always has).
constexpr ColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

}  // namespace

TColor ColorToRGB(TColor Color) {
    if (Color < 0)
        return static_cast<TColor>(GetSysColor(Color & 0xFF));
    return Color;
}

bool ColorToIdent(TColor Color, std::string& Ident) {
    for (const ColorName& c : ColorNames)
        if (c.Value == Color) {
            Ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToColor(std::string_view Ident, TColor& Color) {
    for (const ColorName& c : ColorNames)
        if (SameText(Ident, c.Name)) {
            Color = c.Value;
            return true;
        }
    return false;
}

std::string ColorToString(TColor Color) {
    std::string name;
    if (ColorToIdent(Color, name))
        return name;
    return "$" + IntToHex(static_cast<uint32_t>(Color), 8);
}

TColor StringToColor(std::string_view S) {
    TColor color;
    if (IdentToColor(S, color))
        return color;
    int value;
    if (!TryStrToInt(S, value))
        throw EConvertError("'" + std::string(S) + "' is not a valid colour");
    return value;
}

void GetColorValues(const std::function<void(const std::string&)>& Proc) {
    for (const ColorName& c : ColorNames)
        Proc(c.Name);
}

// --- graphics objects ---

namespace {

TGdiRef MakeGdiRef(HGDIOBJ handle, bool owned) {
    if (!owned)
        return TGdiRef(handle, [](void*) {});
    return TGdiRef(handle, [](void* h) {
        // A stock object or one still selected somewhere cannot be deleted; nothing is lost then.
        DeleteObject(static_cast<HGDIOBJ>(h));
    });
}

}  // namespace

TGdiRef TGraphicsObject::HandleRef() {
    if (!FHandle)
        FHandle = MakeGdiRef(CreateHandle(), true);
    return FHandle;
}

HGDIOBJ TGraphicsObject::RawHandle() { return HandleRef().get(); }

void TGraphicsObject::AdoptHandle(HGDIOBJ handle, bool owned) {
    FHandle = handle ? MakeGdiRef(handle, owned) : nullptr;
}

void TGraphicsObject::Changed() {
    FHandle.reset();
    if (OnChange)
        OnChange(this);
}

// TFont

int TFont::ScreenPixelsPerInch() {
    static int ppi = [] {
        HDC dc = GetDC(nullptr);
        int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ReleaseDC(nullptr, dc);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

TFont::TFont() = default;

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this)
            return;
        FName = f->FName;
        FHeight = f->FHeight;
        FColor = f->FColor;
        FStyle = f->FStyle;
        FCharset = f->FCharset;
        FPitch = f->FPitch;
        FOrientation = f->FOrientation;
        FPixelsPerInch = f->FPixelsPerInch;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TFont::SetName(const std::string& Value) {
    if (Value.empty() || Value == FName)
        return;
    FName = Value.substr(0, LF_FACESIZE - 1);
    Changed();
}

void TFont::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    FHeight = Value;
    Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    // The colour is not part of the GDI font: only listeners care, the handle stays.
    FColor = Value;
    if (OnChange)
        OnChange(this);
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == FCharset)
        return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value == FPitch)
        return;
    FPitch = Value;
    Changed();
}

void TFont::SetOrientation(int Value) {
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    Changed();
}

HGDIOBJ TFont::CreateHandle() {
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfEscapement = FOrientation;
    lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == fpVariable ? VARIABLE_PITCH : FPitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    if (!font)
        RaiseLastOSError("CreateFontIndirect");
    return font;
}

void TFont::SetHandle(HFONT Value) {
    LOGFONTA lf{};
    if (Value && GetObjectA(Value, sizeof lf, &lf) == 0)
        RaiseLastOSError("GetObject");
    if (Value) {
        FName = lf.lfFaceName;
        FHeight = lf.lfHeight;
        FOrientation = lf.lfEscapement;
        TFontStyles style;
        if (lf.lfWeight >= FW_BOLD)
            style.Include(fsBold);
        if (lf.lfItalic)
            style.Include(fsItalic);
        if (lf.lfUnderline)
            style.Include(fsUnderline);
        if (lf.lfStrikeOut)
            style.Include(fsStrikeOut);
        FStyle = style;
        FCharset = lf.lfCharSet;
        int pitch = lf.lfPitchAndFamily & 3;
        FPitch = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
    }
    Changed();
    AdoptHandle(Value, true);
}

// TPen

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this)
            return;
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value < 0 || Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value == FMode)
        return;
    // The mix mode belongs to the DC, not to the GDI pen; the canvas applies it when it selects the pen.
    FMode = Value;
    if (OnChange)
        OnChange(this);
}

HGDIOBJ TPen::CreateHandle() {
    static constexpr int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    HPEN pen = CreatePen(styles[FStyle], FWidth, static_cast<COLORREF>(ColorToRGB(FColor)));
    if (!pen)
        RaiseLastOSError("CreatePen");
    return pen;
}

void TPen::SetHandle(HPEN Value) {
    LOGPEN lp{};
    if (Value && GetObjectA(Value, sizeof lp, &lp) == sizeof lp) {
        FColor = static_cast<TColor>(lp.lopnColor);
        FWidth = lp.lopnWidth.x;
        switch (lp.lopnStyle) {
            case PS_DASH: FStyle = psDash; break;
            case PS_DOT: FStyle = psDot; break;
            case PS_DASHDOT: FStyle = psDashDot; break;
            case PS_DASHDOTDOT: FStyle = psDashDotDot; break;
            case PS_NULL: FStyle = psClear; break;
            case PS_INSIDEFRAME: FStyle = psInsideFrame; break;
            default: FStyle = psSolid; break;
        }
    }
    Changed();
    AdoptHandle(Value, true);
}

// TBrush

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        if (b == this)
            return;
        FColor = b->FColor;
        FStyle = b->FStyle;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor && FStyle != bsClear)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TBrush::SetHandle(HBRUSH Value) {
    LOGBRUSH lb{};
    if (Value && GetObjectA(Value, sizeof lb, &lb) == sizeof lb) {
        FColor = static_cast<TColor>(lb.lbColor);
        if (lb.lbStyle == BS_NULL)
            FStyle = bsClear;
        else if (lb.lbStyle == BS_HATCHED && lb.lbHatch <= HS_DIAGCROSS)
            FStyle = static_cast<TBrushStyle>(bsHorizontal + lb.lbHatch);
        else
            FStyle = bsSolid;
    }
    Changed();
    AdoptHandle(Value, true);
}

HGDIOBJ TBrush::CreateHandle() {
    HBRUSH brush;
    if (FStyle == bsClear)
        return GetStockObject(NULL_BRUSH);  // deleting a stock object later is a harmless no-op
    if (FStyle == bsSolid)
        brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(FColor)));
    else
        brush = CreateHatchBrush(FStyle - bsHorizontal, static_cast<COLORREF>(ColorToRGB(FColor)));
    if (!brush)
        RaiseLastOSError("CreateBrush");
    return brush;
}

// --- canvas ---

TCanvas::TCanvas() {
    FFont.OnChange = [this](TObject*) { FontChanged(); };
    FPen.OnChange = [this](TObject*) { PenChanged(); };
    FBrush.OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    RequiredState({csHandleValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (Value == FHandle)
        return;
    if (FHandle) {
        DeselectHandles();
        FPenPos = PenPos();
        FHandle = nullptr;
        FState.Exclude(csHandleValid);
    }
    if (Value) {
        FHandle = Value;
        FState.Include(csHandleValid);
        MoveToEx(FHandle, FPenPos.x, FPenPos.y, nullptr);
    }
}

void TCanvas::DeselectHandles() {
    if (FHandle && (FState.Contains(csFontValid) || FState.Contains(csPenValid) || FState.Contains(csBrushValid))) {
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    }
    FState -= TCanvasState{csFontValid, csPenValid, csBrushValid};
    FSelectedFont.reset();
    FSelectedPen.reset();
    FSelectedBrush.reset();
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::RequiredState(TCanvasState ReqState) {
    TCanvasState needed = ReqState - FState;
    if (needed.Empty())
        return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle)
            throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (needed.Contains(csFontValid)) {
        FSelectedFont = FFont.HandleRef();
        SelectObject(FHandle, FSelectedFont.get());
        SetTextColor(FHandle, static_cast<COLORREF>(ColorToRGB(FFont.Color())));
        FState.Include(csFontValid);
    }
    if (needed.Contains(csPenValid)) {
        FSelectedPen = FPen.HandleRef();
        SelectObject(FHandle, FSelectedPen.get());
        static constexpr int rops[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                                       R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                       R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                       R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
        SetROP2(FHandle, rops[FPen.Mode()]);
        FState.Include(csPenValid);
    }
    if (needed.Contains(csBrushValid)) {
        FSelectedBrush = FBrush.HandleRef();
        UnrealizeObject(FSelectedBrush.get());
        SelectObject(FHandle, FSelectedBrush.get());
        if (FBrush.Style() == bsSolid) {
            SetBkColor(FHandle, static_cast<COLORREF>(ColorToRGB(FBrush.Color())));
            SetBkMode(FHandle, OPAQUE);
        } else {
            // Hatches and clear brushes let what lies below show between their lines and behind text.
            SetBkColor(FHandle, ~static_cast<COLORREF>(ColorToRGB(FBrush.Color())) & 0xFFFFFF);
            SetBkMode(FHandle, TRANSPARENT);
        }
        FState.Include(csBrushValid);
    }
}

void TCanvas::FontChanged() {
    if (FState.Contains(csFontValid)) {
        FState.Exclude(csFontValid);
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
        FSelectedFont.reset();
    }
}

void TCanvas::PenChanged() {
    if (FState.Contains(csPenValid)) {
        FState.Exclude(csPenValid);
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
        FSelectedPen.reset();
    }
}

void TCanvas::BrushChanged() {
    if (FState.Contains(csBrushValid)) {
        FState.Exclude(csBrushValid);
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
        FSelectedBrush.reset();
    }
}

void TCanvas::Lock() {
    FLock.lock();
    ++FLockCount;
}

void TCanvas::Unlock() {
    --FLockCount;
    FLock.unlock();
}

bool TCanvas::TryLock() {
    if (!FLock.try_lock())
        return false;
    ++FLockCount;
    return true;
}

void TCanvas::Changing() {
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

TPoint TCanvas::PenPos() {
    if (!FHandle)
        return FPenPos;
    POINT p;
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

TRect TCanvas::ClipRect() {
    RequiredState({csHandleValid});
    TRect r;
    GetClipBox(FHandle, &r);
    return r;
}

TColor TCanvas::Pixels(int X, int Y) {
    RequiredState({csHandleValid});
    return static_cast<TColor>(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
    Changing();
    RequiredState({csHandleValid});
    SetPixel(FHandle, X, Y, static_cast<COLORREF>(ColorToRGB(Value)));
    Changed();
}

void TCanvas::FillRect(const TRect& Rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::FillRect(FHandle, &Rect, static_cast<HBRUSH>(FSelectedBrush.get()));
    Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::FrameRect(FHandle, &Rect, static_cast<HBRUSH>(FSelectedBrush.get()));
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::DrawFocusRect(FHandle, &Rect);
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::MoveTo(int X, int Y) {
    if (!FHandle) {
        // Without a DC yet the position is kept and applied when one arrives.
        FPenPos = TPoint(X, Y);
        return;
    }
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    if (Points.empty())
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    if (Points.empty())
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ExtTextOutA(FHandle, X, Y, FTextFlags, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    SIZE size{};
    GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &size);
    MoveToEx(FHandle, X + size.cx, Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const std::string& Text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT options = ETO_CLIPPED | FTextFlags;
    if (FBrush.Style() != bsClear)
        options |= ETO_OPAQUE;
    ExtTextOutA(FHandle, X, Y, options, &Rect, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) {
    RequiredState({csHandleValid, csFontValid});
    SIZE size{};
    GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &size);
    return size;
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequiredState({csHandleValid});
    SetBkColor(FHandle, RGB(255, 255, 255));
    SetTextColor(FHandle, RGB(0, 0, 0));
    Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
    // Text colours were changed for monochrome blits; have the font and brush put theirs back.
    FState -= TCanvasState{csFontValid, csBrushValid};
    Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, Rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    HDC src = Canvas->Handle();
    if (Dest.Width() == Source.Width() && Dest.Height() == Source.Height())
        BitBlt(FHandle, Dest.left, Dest.top, Dest.Width(), Dest.Height(), src, Source.left, Source.top,
               static_cast<DWORD>(FCopyMode));
    else
        StretchBlt(FHandle, Dest.left, Dest.top, Dest.Width(), Dest.Height(), src, Source.left, Source.top,
                   Source.Width(), Source.Height(), static_cast<DWORD>(FCopyMode));
    Changed();
}

// --- graphics ---

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    Changed();
}

void TGraphic::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        FModified = false;
}

void TGraphic::Changed() {
    FModified = true;
    if (OnChange)
        OnChange(this);
}
