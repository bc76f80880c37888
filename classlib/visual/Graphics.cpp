#include "Graphics.h"
#include "classlib/runtime/FormResources.h"
#include "JPEG.h"
#include "classlib/runtime/Streams.h"

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
        FBitmap = b->FBitmap;
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
    FBitmap = nullptr;
    Changed();
    AdoptHandle(Value, true);
}

void TBrush::SetBitmap(TBitmap* Value) {
    if (Value == FBitmap)
        return;
    FBitmap = Value;
    Changed();
}

HGDIOBJ TBrush::CreateHandle() {
    HBRUSH brush;
    if (FBitmap && !FBitmap->Empty()) {
        brush = CreatePatternBrush(FBitmap->Handle());
        if (!brush)
            RaiseLastOSError("CreatePatternBrush");
        return brush;
    }
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

void TGraphic::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

// --- icons ---

namespace {

[[noreturn]] void BadIcon(const std::string& why) { throw EInvalidGraphic("Icon image is not valid: " + why); }

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Add16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Add32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

struct IconEntry {
    int Width, Height, Bits;
    uint32_t Size, Offset;
};

// Checks one image of an icon file: a PNG, or a DIB whose colour and mask planes fit in its bytes.
void CheckIconImage(const uint8_t* p, uint32_t size) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::equal(png, png + 8, p))
        return;
    if (size < 40 || Le32(p) != 40)
        BadIcon("an image does not start with a bitmap header");
    auto width = static_cast<int32_t>(Le32(p + 4)), height = static_cast<int32_t>(Le32(p + 8));
    unsigned bits = Le16(p + 14);
    uint32_t used = Le32(p + 32);
    if (width <= 0 || width > 1024 || height <= 0 || height > 2048)
        BadIcon("an image has the size " + IntToStr(width) + " x " + IntToStr(height));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        BadIcon("an image has " + IntToStr(bits) + " bits per pixel");
    if (Le32(p + 16) != BI_RGB)
        BadIcon("a compressed image is not supported");
    unsigned long long colors = bits <= 8 ? (used ? used : 1u << bits) : used;
    if (bits <= 8 && colors > (1u << bits))
        BadIcon("an image has too many colours");
    unsigned long long h = static_cast<unsigned long long>(height) / 2;
    unsigned long long xorBytes = ((static_cast<unsigned long long>(width) * bits + 31) / 32) * 4 * h;
    unsigned long long andBytes = ((static_cast<unsigned long long>(width) + 31) / 32) * 4 * h;
    if (40 + colors * 4 + xorBytes + andBytes > size)
        BadIcon("an image is cut short");
}

}  // namespace

TIcon::TIcon() { SetTransparent(true); }

TIcon::~TIcon() {
    if (FHandle)
        DestroyIcon(FHandle);
}

void TIcon::Reset(HICON handle, std::vector<uint8_t> data) {
    if (FHandle && FHandle != handle)
        DestroyIcon(FHandle);
    FHandle = handle;
    FData = std::move(data);
    FWidth = FHeight = 0;
    if (FHandle) {
        ICONINFO ii{};
        if (GetIconInfo(FHandle, &ii)) {
            BITMAP bm{};
            if (ii.hbmColor && GetObjectA(ii.hbmColor, sizeof bm, &bm)) {
                FWidth = bm.bmWidth;
                FHeight = bm.bmHeight;
            } else if (ii.hbmMask && GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
                FWidth = bm.bmWidth;
                FHeight = bm.bmHeight / 2;  // a monochrome icon keeps both planes in its mask
            }
            if (ii.hbmColor)
                DeleteObject(ii.hbmColor);
            if (ii.hbmMask)
                DeleteObject(ii.hbmMask);
        }
    }
    Changed();
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::SetHandle(HICON Value) { Reset(Value, {}); }

HICON TIcon::ReleaseHandle() {
    HICON h = FHandle;
    FHandle = nullptr;
    Reset(nullptr, {});
    return h;
}

void TIcon::Assign(TPersistent* Source) {
    if (Source == this)
        return;
    if (!Source) {
        Reset(nullptr, {});
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(Source)) {
        HICON copy = icon->FHandle ? CopyIcon(icon->FHandle) : nullptr;
        if (icon->FHandle && !copy)
            RaiseLastOSError("CopyIcon");
        Reset(copy, icon->FData);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::AssignTo(TPersistent* Dest) {
    if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
        // The icon over white: a bitmap has no transparency of its own to keep it in.
        bmp->Assign(nullptr);
        bmp->SetPixelFormat(pf24bit);
        bmp->SetSize(FWidth, FHeight);
        if (FHandle)
            DrawIconEx(bmp->Canvas()->Handle(), 0, 0, FHandle, FWidth, FHeight, 0, nullptr, DI_NORMAL);
        bmp->Canvas()->Changed();
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (FHandle)
        DrawIconEx(ACanvas->Handle(), Rect.left, Rect.top, FHandle, Rect.Width(), Rect.Height(), 0, nullptr,
                   DI_NORMAL);
}

void TIcon::LoadFromStream(TStream* Stream) {
    long long start = Stream->Position();
    long long available = Stream->Size() - start;
    uint8_t dir[6];
    if (available < 6)
        BadIcon("the file is too short");
    Stream->ReadBuffer(dir, 6);
    unsigned count = Le16(dir + 4);
    if (Le16(dir) != 0 || Le16(dir + 2) != 1)
        BadIcon("it is not an icon file");
    if (count == 0)
        BadIcon("it holds no images");
    if (6 + 16ll * count > available)
        BadIcon("the image directory is cut short");
    std::vector<uint8_t> entries(16 * count);
    Stream->ReadBuffer(entries.data(), static_cast<long>(entries.size()));
    std::vector<IconEntry> list;
    uint32_t end = 6 + 16 * count;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = entries.data() + 16 * i;
        IconEntry ie{e[0] ? e[0] : 256, e[1] ? e[1] : 256, Le16(e + 6), Le32(e + 8), Le32(e + 12)};
        if (ie.Size == 0 || ie.Offset < 6 + 16 * count || ie.Offset > available || ie.Size > available - ie.Offset)
            BadIcon("image " + IntToStr(i) + " lies outside the file");
        end = std::max(end, ie.Offset + ie.Size);
        list.push_back(ie);
    }
    std::vector<uint8_t> data(end);
    Stream->SetPosition(start);
    Stream->ReadBuffer(data.data(), static_cast<long>(end));

    // The image nearest the system's icon size, the deepest colours among equals.
    int want = GetSystemMetrics(SM_CXICON);
    const IconEntry* best = nullptr;
    for (const IconEntry& e : list) {
        if (!best) {
            best = &e;
            continue;
        }
        int d = std::abs(e.Width - want), bd = std::abs(best->Width - want);
        if (d < bd || (d == bd && e.Bits > best->Bits))
            best = &e;
    }
    CheckIconImage(data.data() + best->Offset, best->Size);
    HICON icon = CreateIconFromResourceEx(data.data() + best->Offset, best->Size, TRUE, 0x00030000, best->Width,
                                          best->Height, LR_DEFAULTCOLOR);
    if (!icon)
        BadIcon("the system could not read it (" + SysErrorMessage(GetLastError()) + ")");
    Reset(icon, std::move(data));
}

void TIcon::SaveToStream(TStream* Stream) {
    if (!FData.empty()) {
        Stream->WriteBuffer(FData.data(), static_cast<long>(FData.size()));
        return;
    }
    if (!FHandle)
        return;
    // An icon made from a handle is written as one 32-bit image with its mask.
    ICONINFO ii{};
    if (!GetIconInfo(FHandle, &ii))
        RaiseLastOSError("GetIconInfo");
    int w = FWidth, h = FHeight;
    std::vector<uint8_t> colour(static_cast<size_t>(w) * h * 4), mask(static_cast<size_t>((w + 31) / 32 * 4) * h);
    HDC dc = GetDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bool ok = true;
    if (ii.hbmColor)
        ok = GetDIBits(dc, ii.hbmColor, 0, static_cast<UINT>(h), colour.data(), &bi, DIB_RGB_COLORS) == h;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } mi{};
    mi.h = bi.bmiHeader;
    mi.h.biBitCount = 1;
    ok = ok && GetDIBits(dc, ii.hbmMask, 0, static_cast<UINT>(h), mask.data(), reinterpret_cast<BITMAPINFO*>(&mi),
                         DIB_RGB_COLORS) == h;
    ReleaseDC(nullptr, dc);
    if (ii.hbmColor)
        DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    if (!ok)
        RaiseLastOSError("GetDIBits");
    std::vector<uint8_t> out;
    uint32_t imageSize = static_cast<uint32_t>(40 + colour.size() + mask.size());
    Add16(out, 0);
    Add16(out, 1);
    Add16(out, 1);
    out.push_back(static_cast<uint8_t>(w >= 256 ? 0 : w));
    out.push_back(static_cast<uint8_t>(h >= 256 ? 0 : h));
    out.push_back(0);
    out.push_back(0);
    Add16(out, 1);
    Add16(out, 32);
    Add32(out, imageSize);
    Add32(out, 22);
    Add32(out, 40);
    Add32(out, static_cast<uint32_t>(w));
    Add32(out, static_cast<uint32_t>(h * 2));
    Add16(out, 1);
    Add16(out, 32);
    for (int i = 0; i < 6; ++i)
        Add32(out, 0);
    out.insert(out.end(), colour.begin(), colour.end());
    out.insert(out.end(), mask.begin(), mask.end());
    Stream->WriteBuffer(out.data(), static_cast<long>(out.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName) {
    auto icon = static_cast<HICON>(LoadImageA(Instance, ResName.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (!icon)
        throw EResNotFound("Resource " + ResName + " not found");
    Reset(icon, {});
}

// --- pictures ---

namespace {

std::vector<TFileFormat>& FormatRegistry() {
    static std::vector<TFileFormat> formats = {
        {"bmp", "Bitmaps", GraphicClassOf<TBitmap>()},
        {"ico", "Icons", GraphicClassOf<TIcon>()},
        {"jpg", "JPEG Image File", GraphicClassOf<TJPEGImage>()},
        {"jpeg", "JPEG Image File", GraphicClassOf<TJPEGImage>()},
    };
    return formats;
}

std::string ExtensionOf(const std::string& fileName) {
    std::string ext = ExtractFileExt(fileName);
    return ext.empty() ? ext : LowerCase(ext.substr(1));
}

bool FindClassByName(const char* name, TGraphicClass& cls) {
    for (const TFileFormat& f : FormatRegistry())
        if (SameText(f.GraphicClass.ClassName, name)) {
            cls = f.GraphicClass;
            return true;
        }
    return false;
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& AExtension, const std::string& ADescription,
                                  TGraphicClass AGraphicClass) {
    std::string ext = LowerCase(AExtension);
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
    auto& formats = FormatRegistry();
    // A newer registration of an extension wins, so a library can take over a format.
    formats.erase(std::remove_if(formats.begin(), formats.end(), [&](const TFileFormat& f) { return f.Extension == ext; }),
                  formats.end());
    formats.insert(formats.begin(), TFileFormat{ext, ADescription, AGraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass AClass) {
    auto& formats = FormatRegistry();
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [&](const TFileFormat& f) { return SameText(f.GraphicClass.ClassName, AClass.ClassName); }),
                  formats.end());
}

std::vector<TFileFormat> TPicture::FileFormats() { return FormatRegistry(); }

bool TPicture::GraphicClassForFile(const std::string& FileName, TGraphicClass& AClass) {
    std::string ext = ExtensionOf(FileName);
    for (const TFileFormat& f : FormatRegistry())
        if (f.Extension == ext) {
            AClass = f.GraphicClass;
            return true;
        }
    return false;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange)
        OnChange(this);
}

void TPicture::Replace(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic)
        FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (Value == FGraphic.get())
        return;
    if (!Value) {
        Replace(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy;
    TGraphicClass cls;
    if (dynamic_cast<TBitmap*>(Value) && SameText(Value->ClassName(), "TBitmap"))
        copy = std::make_unique<TBitmap>();
    else if (FindClassByName(Value->ClassName(), cls))
        copy = cls.Create();
    else
        throw EInvalidGraphic(std::string("No graphic class ") + Value->ClassName() + " is registered");
    copy->Assign(Value);
    Replace(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
    if (auto* b = dynamic_cast<TBitmap*>(FGraphic.get()))
        return b;
    Replace(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
    if (auto* i = dynamic_cast<TIcon*>(FGraphic.get()))
        return i;
    Replace(std::make_unique<TIcon>());
    return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::string& FileName) {
    TGraphicClass cls;
    if (!GraphicClassForFile(FileName, cls))
        throw EInvalidGraphic("Unknown picture file extension (" + ExtractFileExt(FileName) + ")");
    std::unique_ptr<TGraphic> graphic = cls.Create();
    graphic->LoadFromFile(FileName);
    Replace(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& FileName) {
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source)
        SetGraphic(nullptr);
    else if (auto* p = dynamic_cast<TPicture*>(Source))
        SetGraphic(p->Graphic());
    else if (auto* g = dynamic_cast<TGraphic*>(Source))
        SetGraphic(g);
    else
        TPersistent::Assign(Source);
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (auto* g = dynamic_cast<TGraphic*>(Dest)) {
        if (FGraphic)
            g->Assign(FGraphic.get());
        else
            g->Assign(nullptr);
        return;
    }
    TPersistent::AssignTo(Dest);
}

// The graphics classes as form descriptions keep them, and the colour names the filers read and write.
namespace {

const TIdentMap CharsetIdents = {
    {"ANSI_CHARSET", ANSI_CHARSET},         {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SYMBOL_CHARSET", SYMBOL_CHARSET},     {"MAC_CHARSET", MAC_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}, {"HANGEUL_CHARSET", HANGEUL_CHARSET},
    {"JOHAB_CHARSET", JOHAB_CHARSET},       {"GB2312_CHARSET", GB2312_CHARSET},
    {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET}, {"GREEK_CHARSET", GREEK_CHARSET},
    {"TURKISH_CHARSET", TURKISH_CHARSET},   {"HEBREW_CHARSET", HEBREW_CHARSET},
    {"ARABIC_CHARSET", ARABIC_CHARSET},     {"BALTIC_CHARSET", BALTIC_CHARSET},
    {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},   {"THAI_CHARSET", THAI_CHARSET},
    {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET}, {"OEM_CHARSET", OEM_CHARSET},
};

// A graphic's bytes as the class library keeps them in a form.
void ReadGraphicData(TGraphic* g, TStream* s) { g->LoadFromStream(s); }
void WriteGraphicData(TGraphic* g, TStream* s) { g->SaveToStream(s); }

const bool GraphicsRegistered = [] {
    RegisterColorIdents(ColorToIdent, IdentToColor);
    RegisterFormClass<TFont>([](TFormClass<TFont>& c) {
        c.Integer("Charset", &TFont::Charset, &TFont::SetCharset, &CharsetIdents);
        c.Color("Color", &TFont::Color, &TFont::SetColor);
        c.Integer("Height", &TFont::Height, &TFont::SetHeight);
        c.String("Name", &TFont::Name, &TFont::SetName);
        c.Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"}).Default(fpDefault);
        c.Integer("Size", &TFont::Size, &TFont::SetSize).NotStored();
        c.SetOf("Style", &TFont::Style, &TFont::SetStyle, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})
            .Default(TFontStyles{});
    });
    RegisterFormClass<TPen>([](TFormClass<TPen>& c) {
        c.Color("Color", &TPen::Color, &TPen::SetColor).Default(clBlack);
        c.Enum("Mode", &TPen::Mode, &TPen::SetMode,
               {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
                "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"})
            .Default(pmCopy);
        c.Enum("Style", &TPen::Style, &TPen::SetStyle,
               {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"})
            .Default(psSolid);
        c.Integer("Width", &TPen::Width, &TPen::SetWidth).Default(1);
    });
    RegisterFormClass<TBrush>([](TFormClass<TBrush>& c) {
        c.Color("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite);
        c.Enum("Style", &TBrush::Style, &TBrush::SetStyle,
               {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
                "bsDiagCross"})
            .Default(bsSolid);
    });
    // Graphics keep their file bytes as "Data"; a picture puts its graphic's class name in front.
    RegisterFormClass<TGraphic>([](TFormClass<TGraphic>& c) {
        c.DefineProperties([](TGraphic* g, TFiler* f) {
            f->DefineBinaryProperty(
                "Data", [g](TStream* s) { ReadGraphicData(g, s); }, [g](TStream* s) { WriteGraphicData(g, s); },
                !g->Empty());
        });
    });
    RegisterFormClass<TPicture>([](TFormClass<TPicture>& c) {
        c.DefineProperties([](TPicture* p, TFiler* f) {
            f->DefineBinaryProperty(
                "Data",
                [p](TStream* s) {
                    uint8_t length = 0;
                    s->ReadBuffer(&length, 1);
                    std::string name(length, '\0');
                    if (length)
                        s->ReadBuffer(name.data(), length);
                    for (const TFileFormat& ff : TPicture::FileFormats())
                        if (SameText(ff.GraphicClass.ClassName, name)) {
                            std::unique_ptr<TGraphic> g = ff.GraphicClass.Create();
                            g->LoadFromStream(s);
                            p->SetGraphic(g.get());
                            return;
                        }
                    throw EReadError("Picture of unknown class " + name);
                },
                [p](TStream* s) {
                    std::string name = p->Graphic()->ClassName();
                    auto length = static_cast<uint8_t>(name.size());
                    s->WriteBuffer(&length, 1);
                    s->WriteBuffer(name.data(), length);
                    p->Graphic()->SaveToStream(s);
                },
                p->Graphic() && !p->Graphic()->Empty());
        });
    });
    return true;
}();

}  // namespace
