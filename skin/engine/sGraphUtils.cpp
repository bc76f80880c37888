#include "sGraphUtils.h"

#include "acFastPixels.h"
#include "sCommonData.h"
#include "sSkinManager.h"
#include "sVclUtils.h"

#include "classlib/visual/Controls.h"
#include "classlib/runtime/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

inline int ByteOf(TColor c, int shift) { return (static_cast<uint32_t>(c) >> shift) & 0xFF; }
inline int ClampByte(long long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }
inline TColor RGBColor(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

}  // namespace

long long RoundDiv(long long Num, long long Den) {
    long long q = Num / Den, r = Num % Den;
    if (r < 0) {  // floor division, so the remainder lies in 0 .. Den - 1
        --q;
        r += Den;
    }
    if (2 * r > Den || (2 * r == Den && (q & 1)))
        ++q;
    return q;
}

TColor MixColors(TColor Color1, TColor Color2, double K) {
    uint32_t result = static_cast<uint32_t>(Color1) & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        double mixed = ByteOf(Color1, shift) * K + ByteOf(Color2, shift) * (1 - K);
        result |= static_cast<uint32_t>(ClampByte(Round(mixed))) << shift;
    }
    return static_cast<TColor>(result);
}

TColor ChangeSaturation(TColor Color, int Amount) {
    if (Amount == 0)
        return Color;
    int r = ByteOf(Color, 0), g = ByteOf(Color, 8), b = ByteOf(Color, 16);
    long long sum = r + g + b;
    // c + Amount * (mean - c) / 100 with mean = sum / 3, kept as a fraction over 300 so ties round exactly.
    auto shift = [&](int c) { return ClampByte(RoundDiv(300LL * c + Amount * (sum - 3LL * c), 300)); };
    return static_cast<TColor>((static_cast<uint32_t>(Color) & 0xFF000000u) |
                               static_cast<uint32_t>(RGBColor(shift(r), shift(g), shift(b))));
}

TColor ChangeHue(int Offset, TColor Color) {
    int r = ByteOf(Color, 0), g = ByteOf(Color, 8), b = ByteOf(Color, 16);
    int v = std::max({r, g, b}), lo = std::min({r, g, b});
    // Grey (black included) has no hue; testing first also keeps V = 0 from becoming a divisor.
    if (v == lo)
        return Color;
    double delta = v - lo;
    double s = delta / v;
    double h;
    if (r == v)
        h = (g - b) / delta;
    else if (g == v)
        h = 2 + (b - r) / delta;
    else
        h = 4 + (r - g) / delta;
    h = std::fmod(h * 60 + Offset % 360, 360.0);
    if (h < 0)
        h += 360;
    double sector = h / 60;
    int i = static_cast<int>(std::floor(sector));
    double f = sector - i;
    i %= 6;
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double rr, gg, bb;
    switch (i) {
    case 0: rr = v; gg = t; bb = p; break;
    case 1: rr = q; gg = v; bb = p; break;
    case 2: rr = p; gg = v; bb = t; break;
    case 3: rr = p; gg = q; bb = v; break;
    case 4: rr = t; gg = p; bb = v; break;
    default: rr = v; gg = p; bb = q; break;
    }
    return RGBColor(ClampByte(Round(rr)), ClampByte(Round(gg)), ClampByte(Round(bb)));
}

TsColorRec MakeColorRec(TColor Color) {
    TsColorRec rec;
    std::memcpy(&rec, &Color, sizeof rec);
    return rec;
}

// --- cache info and work bitmaps ---

TCacheInfo InitCacheInfo(TBitmap* Bmp, int X, int Y) {
    TCacheInfo ci;
    ci.Bmp = Bmp;
    ci.X = X;
    ci.Y = Y;
    ci.FillColor = clFuchsia;
    ci.Ready = true;
    return ci;
}

// --- background queries ---

bool QueryWndBGInfo(TacBGInfo& Info, HWND Wnd, bool PleaseDraw) {
    Info.BgType = 0;
    Info.PleaseDraw = PleaseDraw;
    SendSkinCmdToHandle(Wnd, scGetBgInfo, reinterpret_cast<LPARAM>(&Info));
    return Info.BgType != 0;
}

namespace {

// Through the control's window when it has one, else straight to its WindowProc.
LRESULT AskControl(TControl* Control, TacSkinCommand Command, LPARAM LParam) {
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (windowed && windowed->HandleAllocated())
        return SendSkinCmdToHandle(windowed->Handle(), Command, LParam);
    return Control->Perform(SM_QUORVEXCMD, MakeSkinCmd(Command), LParam);
}

}  // namespace

bool QueryControlBGInfo(TacBGInfo& Info, TControl* Control, bool PleaseDraw) {
    Info.BgType = 0;
    Info.PleaseDraw = PleaseDraw;
    if (!Control)
        return false;
    AskControl(Control, scGetBgInfo, reinterpret_cast<LPARAM>(&Info));
    if (Info.BgType != 0)
        return true;
    Info.BgType = 1;
    Info.Color = static_cast<TColor>(AskControl(Control, scGetColor, 0));
    if (Info.Color == 0)
        Info.Color = ColorToRGB(Control->Color());
    if (PleaseDraw && Info.DrawDC)
        FillDC(Info.DrawDC, Info.R, Info.Color);
    return false;
}

void FillBGInfo(const TacBGInfo& Info, TCacheInfo& CacheInfo) {
    if (Info.BgType == 2) {
        CacheInfo = InitCacheInfo(Info.Bmp, Info.Offset.x, Info.Offset.y);
        return;
    }
    CacheInfo.Ready = false;
    CacheInfo.FillColor = ColorToRGB(Info.Color);
    CacheInfo.Bmp = nullptr;
}

namespace {

std::unique_ptr<TBitmap> CreateDIB(int Width, int Height, TPixelFormat Format) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(Format);
    bmp->SetSize(std::max(Width, 0), std::max(Height, 0));
    return bmp;
}

}  // namespace

std::unique_ptr<TBitmap> CreateBmp24(int Width, int Height) { return CreateDIB(Width, Height, pf24bit); }

std::unique_ptr<TBitmap> CreateBmp32(int Width, int Height) { return CreateDIB(Width, Height, pf32bit); }

std::unique_ptr<TBitmap> CreateBmpLike(TBitmap* Bmp) {
    if (!Bmp)
        return std::make_unique<TBitmap>();
    return CreateDIB(Bmp->Width(), Bmp->Height(), Bmp->PixelFormat());
}

// --- device contexts ---

void FillDC(HDC DC, const TRect& R, TColor Color) {
    int saved = SaveDC(DC);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color)));
    FillRect(DC, &R, brush);
    DeleteObject(brush);
    RestoreDC(DC, saved);
}

void FillDCBorder(HDC DC, const TRect& R, int Left, int Top, int Right, int Bottom, TColor Color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color)));
    TRect strips[4] = {TRect(R.left, R.top, R.right, R.top + Top), TRect(R.left, R.top + Top, R.left + Left, R.bottom),
                       TRect(R.left + Left, R.bottom - Bottom, R.right, R.bottom),
                       TRect(R.right - Right, R.top + Top, R.right, R.bottom - Bottom)};
    for (const TRect& s : strips)
        if (!s.IsEmpty())
            FillRect(DC, &s, brush);
    DeleteObject(brush);
}

void BitBltBorder(HDC DstDC, int X, int Y, int Width, int Height, int BorderWidth, HDC SrcDC, int SrcX, int SrcY) {
    int b = BorderWidth;
    BitBlt(DstDC, X, Y, Width, b, SrcDC, SrcX, SrcY, SRCCOPY);
    BitBlt(DstDC, X + Width - b, Y + b, b, Height - 2 * b, SrcDC, SrcX + Width - b, SrcY + b, SRCCOPY);
    BitBlt(DstDC, X, Y + b, b, Height - 2 * b, SrcDC, SrcX, SrcY + b, SRCCOPY);
    BitBlt(DstDC, X, Y + Height - b, Width, b, SrcDC, SrcX, SrcY + Height - b, SRCCOPY);
}

void ExcludeGraphicControls(HDC DC, TWinControl* Control, int OffsetX, int OffsetY) {
    if (!Control)
        return;
    for (int i = 0; i < Control->ControlCount(); ++i) {
        TControl* child = Control->Controls(i);
        if (child && child->Visible() && child->InheritsFrom("TGraphicControl")) {
            TRect r = child->BoundsRect();
            ExcludeClipRect(DC, r.left + OffsetX, r.top + OffsetY, r.right + OffsetX, r.bottom + OffsetY);
        }
    }
}

void DrawRectangleOnDC(HDC DC, const TRect& R, TColor Color, int Width) {
    HPEN pen = CreatePen(PS_SOLID, Width, static_cast<COLORREF>(ColorToRGB(Color)));
    HGDIOBJ old = SelectObject(DC, pen);
    POINT upper[3] = {{R.left, R.bottom - 1}, {R.left, R.top}, {R.right - 1, R.top}};
    POINT lower[3] = {{R.right - 1, R.top}, {R.right - 1, R.bottom - 1}, {R.left - 1, R.bottom - 1}};
    Polyline(DC, upper, 3);
    Polyline(DC, lower, 3);
    SelectObject(DC, old);
    DeleteObject(pen);
}

void DrawDotGrip(TCanvas* Canvas, const TRect& R) {
    HDC dc = Canvas->Handle();
    auto dot = [&](int x, int y) {
        SetPixel(dc, x, y, RGB(0, 0, 0));
        SetPixel(dc, x - 1, y - 1, RGB(255, 255, 255));
    };
    for (int x = R.left + 1; x < R.right; x += 3) {
        dot(x, R.top + 1);
        dot(x, R.bottom - 1);
    }
    for (int y = R.top + 1; y < R.bottom; y += 3) {
        dot(R.left + 1, y);
        dot(R.right - 1, y);
    }
}

// --- text ---

int DrawTextStr(HDC DC, const std::string& Text, TRect& R, UINT Flags) {
    return DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Flags);
}

int DrawTextStr(HDC DC, const std::wstring& Text, TRect& R, UINT Flags) {
    return DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Flags);
}

int TextWidthOf(TCanvas* Canvas, const std::string& Text) { return Canvas->TextExtent(Text).cx; }

TSize TextExtentOf(TCanvas* Canvas, const std::string& Text) { return Canvas->TextExtent(Text); }

void TextRectOf(TCanvas* Canvas, const TRect& R, int X, int Y, const std::string& Text) {
    Canvas->TextRect(R, X, Y, Text);
}

void CutText(TCanvas* Canvas, int Width, std::string& Text) {
    if (Width < 1) {
        Text.clear();
        return;
    }
    if (Text.empty() || Canvas->TextWidth(Text) <= Width)
        return;
    while (!Text.empty() && Canvas->TextWidth(Text + "...") > Width)
        Text.pop_back();
    if (!Text.empty())
        Text += "...";
}

namespace {

// The canvas's font selected into its DC (the canvas selects it for any text call), then our colour over it.
HDC PrepareText(TCanvas* Canvas, TColor Color) {
    Canvas->TextExtent("");
    HDC dc = Canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Color)));
    return dc;
}

}  // namespace

namespace {

// The text's four outline copies (one pixel left, up, right and down, each skipped when its colour is -1), then
// the text itself in Colors[0].
template <class Str>
void DrawOutlinedText(TCanvas* Canvas, const Str& Text, const TRect& R, UINT Flags, const TColor* Colors) {
    static const int shifts[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        if (Colors[i + 1] == -1)
            continue;
        TRect moved(R.left + shifts[i][0], R.top + shifts[i][1], R.right + shifts[i][0], R.bottom + shifts[i][1]);
        DrawTextStr(PrepareText(Canvas, Colors[i + 1]), Text, moved, Flags);
    }
    TRect r = R;
    DrawTextStr(PrepareText(Canvas, Colors[0]), Text, r, Flags);
}

// WriteTextEx for narrow and wide text alike.
template <class Str>
void WriteSectionText(TCanvas* Canvas, const Str& Text, bool Enabled, TRect R, UINT Flags, int SkinIndex,
                      bool Hot, TsSkinManager* Manager) {
    TsSkinManager* manager = Manager ? Manager : DefaultManager;
    if (!Canvas || !DefaultManager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    const TsGeneralData& section = manager->Sections[SkinIndex];
    Canvas->Brush()->SetStyle(bsClear);
    if (!Enabled) {
        HDC dc = PrepareText(Canvas, MixColors(section.FontColor[0], section.Color, 0.4));
        DrawTextStr(dc, Text, R, Flags);
        return;
    }
    DrawOutlinedText(Canvas, Text, R, Flags, Hot ? section.HotFontColor : section.FontColor);
}

}  // namespace

void WriteTextEx(TCanvas* Canvas, const std::string& Text, bool Enabled, TRect R, UINT Flags, int SkinIndex,
                 bool Hot, TsSkinManager* Manager) {
    WriteSectionText(Canvas, Text, Enabled, R, Flags, SkinIndex, Hot, Manager);
}

void WriteTextEx(TCanvas* Canvas, const std::wstring& Text, bool Enabled, TRect R, UINT Flags, int SkinIndex,
                 bool Hot, TsSkinManager* Manager) {
    WriteSectionText(Canvas, Text, Enabled, R, Flags, SkinIndex, Hot, Manager);
}

namespace {

template <class Str>
void WriteSkinTextOf(TCanvas* Canvas, const Str& Text, bool Enabled, bool Hot, TsCommonData* SkinData, UINT Flags,
                     TRect R) {
    if (!Canvas || !SkinData)
        return;
    TControl* owner = SkinData->OwnerControl();
    TFont* font = Canvas->Font();
    if (owner)
        font->Assign(owner->Font());
    if (Hot && SkinData->SkinSection() == "WEBBUTTON")
        font->SetStyle(font->Style() + TFontStyles{fsUnderline});
    TsSkinManager* manager = SkinData->SkinManager();
    int index = SkinData->SkinIndex;
    bool valid = manager && manager->IsValidSkinIndex(index);
    // Controls that stand on their parent's background (check boxes, radio buttons, group boxes and see-through
    // graphic controls) may have to write in the parent's colours to be readable on it.
    bool onParent = SkinData->COC == 32 || SkinData->COC == 33 || SkinData->COC == 74;
    if (!onParent && valid && owner && owner->Parent() && owner->InheritsFrom("TGraphicControl")) {
        const TsGeneralData& own = manager->Sections[index];
        onParent = (Hot ? own.HotTransparency : own.Transparency) > 0;
    }
    if (onParent) {
        index = GetFontIndex(owner, index, manager);
        valid = manager && manager->IsValidSkinIndex(index);
    }
    // The font is selected before the DC's state is saved, so that restoring it leaves the canvas's font in.
    HDC dc = PrepareText(Canvas, font->Color());
    int saved = SaveDC(dc);
    IntersectClipRect(dc, R.left, R.top, R.right, R.bottom);
    if (Enabled && valid && SkinData->Skinned()) {
        const TsGeneralData& section = manager->Sections[index];
        if (SkinData->CustomFont()) {
            DrawTextStr(dc, Text, R, Flags | DT_NOCLIP);
        } else {
            DrawOutlinedText(Canvas, Text, R, Flags | DT_NOCLIP, Hot ? section.HotFontColor : section.FontColor);
        }
    } else if (!Enabled && valid) {
        TsSkinManager* global = DefaultManager ? DefaultManager : manager;
        PrepareText(Canvas, MixColors(manager->Sections[index].FontColor[0], global->GetGlobalColor(), 0.4));
        DrawTextStr(dc, Text, R, Flags);
    } else {
        DrawTextStr(dc, Text, R, Flags);
    }
    RestoreDC(dc, saved);
}

}  // namespace

void WriteSkinText(TCanvas* Canvas, const std::string& Text, bool Enabled, bool Hot, TsCommonData* SkinData,
                   UINT Flags, TRect R) {
    WriteSkinTextOf(Canvas, Text, Enabled, Hot, SkinData, Flags, R);
}

void WriteSkinText(TCanvas* Canvas, const std::wstring& Text, bool Enabled, bool Hot, TsCommonData* SkinData,
                   UINT Flags, TRect R) {
    WriteSkinTextOf(Canvas, Text, Enabled, Hot, SkinData, Flags, R);
}

// --- pixel loops ---

namespace {

inline uint8_t ToByte(long long v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
inline bool IsFuchsiaPixel(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }

// The colour's bytes in pixel order (blue, green, red).
void PixelBytes(TColor Color, uint8_t out[3]) {
    TColor c = ColorToRGB(Color);
    out[0] = (c >> 16) & 0xFF;
    out[1] = (c >> 8) & 0xFF;
    out[2] = c & 0xFF;
}

inline bool SameColor(const uint8_t* p, const uint8_t c[3]) { return p[0] == c[0] && p[1] == c[1] && p[2] == c[2]; }

// Calls Row(d, s, w) for the rows of a w x h block copied from (sx, sy) of src to (dx, dy) of dst, clipped.
template <class F>
void ForBlockRows(const TacPixelRows& dst, int dx, int dy, const TacPixelRows& src, int sx, int sy, int w, int h,
                  F Row) {
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    for (int y = 0; y < h; ++y)
        Row(dst.At(dx, dy + y), src.At(sx, sy + y), w, dx, dy + y);
}

}  // namespace

void BlendColorBmp(TBitmap* Bmp, TColor Color, double Factor) {
    TacPixelRows rows;
    if (!AttachRows(Bmp, 3, rows))
        return;
    uint8_t c[3];
    PixelBytes(Color, c);
    for (int y = 0; y < rows.Height; ++y) {
        uint8_t* p = rows.At(0, y);
        for (int x = 0; x < rows.Width; ++x, p += 3) {
            if (IsFuchsiaPixel(p))
                continue;
            for (int k = 0; k < 3; ++k)
                p[k] = ToByte(Round((p[k] - c[k]) * Factor + c[k]));
        }
    }
}

void BlendRectBitmap(TBitmap* Dst, int X, int Y, TColor TransColor, double K, TRect R, TBitmap* Src) {
    TacPixelRows dst, src;
    if (!AttachRows(Dst, 3, dst) || !AttachRows(Src, 3, src))
        return;
    bool testTrans = (static_cast<uint32_t>(TransColor) >> 24) != 0xFF;
    uint8_t trans[3];
    PixelBytes(testTrans ? TransColor : 0, trans);
    // Round(src * (1 - K) + dst * K) for every pair of bytes, computed once per call.
    static double lastK = -1;
    static uint8_t table[256][256];
    if (K != lastK) {
        for (int s = 0; s < 256; ++s)
            for (int d = 0; d < 256; ++d)
                table[s][d] = ToByte(Round(s * (1 - K) + d * K));
        lastK = K;
    }
    ForBlockRows(dst, X, Y, src, R.left, R.top, R.Width(), R.Height(), [&](uint8_t* d, const uint8_t* s, int w, int, int) {
        for (int x = 0; x < w; ++x, d += 3, s += 3) {
            if (testTrans && SameColor(s, trans))
                continue;
            d[0] = table[s[0]][d[0]];
            d[1] = table[s[1]][d[1]];
            d[2] = table[s[2]][d[2]];
        }
    });
}

void BlendRoundRect(TBitmap* Bmp, const TRect& R, int Radius, int Percent, TColor Color, int Blur) {
    TacPixelRows rows;
    if (!AttachRows(Bmp, 3, rows) || R.IsEmpty() || Percent <= 0)
        return;
    uint8_t c[3];
    PixelBytes(Color, c);
    double w = R.Width(), h = R.Height();
    double radius = std::clamp<double>(Radius, 0, std::min(w, h) / 2);
    double blur = std::max(Blur, 1);
    double strength = std::min(Percent, 100) / 100.0;
    for (int y = std::max<LONG>(R.top, 0); y < std::min<LONG>(R.bottom, rows.Height); ++y) {
        for (int x = std::max<LONG>(R.left, 0); x < std::min<LONG>(R.right, rows.Width); ++x) {
            // Distance of the pixel's centre inside the rounded rectangle's edge.
            double px = x + 0.5 - R.left, py = y + 0.5 - R.top;
            double qx = std::max(radius - px, px - (w - radius)), qy = std::max(radius - py, py - (h - radius));
            double inside;
            if (qx > 0 && qy > 0)
                inside = radius - std::sqrt(qx * qx + qy * qy);
            else
                inside = std::min({px, py, w - px, h - py});
            double weight = std::clamp(inside / blur, 0.0, 1.0) * strength;
            if (weight <= 0)
                continue;
            uint8_t* p = rows.At(x, y);
            for (int k = 0; k < 3; ++k)
                p[k] = ToByte(Round(p[k] + (c[k] - p[k]) * weight));
        }
    }
}

void SumBmpRect(TBitmap* Dst, TBitmap* Src, uint8_t Alpha, const TPoint& Point, const TRect& SrcRect) {
    if (!acFastSum24.Attach(Src, Dst))
        return;
    acFastSum24.Alpha = Alpha;
    acFastSum24.DstRect = Bounds(Point.x, Point.y, SrcRect.Width(), SrcRect.Height());
    acFastSum24.SrcPoint = SrcRect.TopLeft();
    acFastSum24.BlendRect();
}

void MaskBlendBmp(TBitmap* Dst, TBitmap* Mask, TColor Color) {
    TacPixelRows dst, mask;
    if (!AttachRows(Dst, 3, dst) || !AttachRows(Mask, 3, mask) || dst.Width != mask.Width ||
        dst.Height != mask.Height)
        return;
    uint8_t c[3];
    PixelBytes(Color, c);
    for (int y = 0; y < dst.Height; ++y) {
        uint8_t* d = dst.At(0, y);
        const uint8_t* m = mask.At(0, y);
        for (int x = 0; x < dst.Width * 3; ++x)
            d[x] = static_cast<uint8_t>(((d[x] - c[x % 3]) * m[x] + c[x % 3] * 256) >> 8);
    }
}

void CopyAlphaRect(TBitmap* Dst, const TRect& R, TBitmap* Src, const TPoint& SrcPoint, const TCacheInfo& CacheInfo,
                   bool UseBackground) {
    TacPixelRows dst, src;
    if (!AttachRows(Dst, 3, dst))
        return;
    bool alpha = AttachRows(Src, 4, src);
    if (!alpha && !AttachRows(Src, 3, src))
        return;
    TacPixelRows bg;
    bool background = UseBackground && CacheInfo.Ready && AttachRows(CacheInfo.Bmp, 3, bg);
    int maskDy = alpha ? 0 : src.Height / 2;
    int h = R.Height();
    if (!alpha)
        h = std::min<int>(h, maskDy - SrcPoint.y);
    ForBlockRows(dst, R.left, R.top, src, SrcPoint.x, SrcPoint.y, R.Width(), h,
                 [&](uint8_t* d, const uint8_t* s, int w, int x0, int y) {
                     const uint8_t* m = alpha ? nullptr : s + maskDy * src.Delta;
                     for (int x = 0; x < w; ++x, d += 3, s += src.Bpp) {
                         if (IsFuchsiaPixel(s)) {
                             int bx = CacheInfo.X + x0 + x, by = CacheInfo.Y + y;
                             if (background && bg.Inside(bx, by)) {
                                 const uint8_t* b = bg.At(bx, by);
                                 d[0] = b[0], d[1] = b[1], d[2] = b[2];
                             }
                         } else if (alpha) {
                             int a = s[3];
                             for (int k = 0; k < 3; ++k)
                                 d[k] = static_cast<uint8_t>(((s[k] - d[k]) * a + d[k] * 256) >> 8);
                         } else {
                             for (int k = 0; k < 3; ++k)
                                 d[k] = ToByte(((d[k] - s[k]) * m[k] + s[k] * 256) >> 8);
                         }
                         if (m)
                             m += 3;
                     }
                 });
}

void CopyTransBmp(TBitmap* Dst, TBitmap* Src, int X, int Y, TColor TransColor) {
    if (!Src)
        return;
    CopyTransRect(Dst, Src, X, Y, Rect(0, 0, Src->Width(), Src->Height()), TransColor, TCacheInfo(), false);
}

void CopyTransRect(TBitmap* Dst, TBitmap* Src, int X, int Y, TRect SrcRect, TColor TransColor,
                   const TCacheInfo& CacheInfo, bool UseBackground) {
    TacPixelRows dst, src;
    if (!AttachRows(Dst, 3, dst) || !AttachRows(Src, 3, src))
        return;
    uint8_t trans[3];
    PixelBytes(TransColor, trans);
    TacPixelRows bg;
    bool background = UseBackground && CacheInfo.Ready && AttachRows(CacheInfo.Bmp, 3, bg);
    ForBlockRows(dst, X, Y, src, SrcRect.left, SrcRect.top, SrcRect.Width(), SrcRect.Height(),
                 [&](uint8_t* d, const uint8_t* s, int w, int x0, int y) {
                     for (int x = 0; x < w; ++x, d += 3, s += 3) {
                         if (!SameColor(s, trans)) {
                             d[0] = s[0], d[1] = s[1], d[2] = s[2];
                         } else if (background) {
                             int bx = CacheInfo.X + x0 + x, by = CacheInfo.Y + y;
                             if (bg.Inside(bx, by)) {
                                 const uint8_t* b = bg.At(bx, by);
                                 d[0] = b[0], d[1] = b[1], d[2] = b[2];
                             }
                         }
                     }
                 });
}

void CopyChannel(TBitmap* Bmp32, TBitmap* Bmp8, int Channel, bool ToBmp8) {
    TacPixelRows wide, narrow;
    if (Channel < 0 || Channel > 3 || !AttachRows(Bmp32, 4, wide) || !AttachRows(Bmp8, 1, narrow))
        return;
    int w = std::min(wide.Width, narrow.Width), h = std::min(wide.Height, narrow.Height);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = wide.At(0, y) + Channel;
        uint8_t* q = narrow.At(0, y);
        for (int x = 0; x < w; ++x, p += 4, ++q)
            if (ToBmp8)
                *q = *p;
            else
                *p = *q;
    }
}

void GrayBmp(TBitmap* Bmp) {
    TacPixelRows rows;
    if (!AttachRows(Bmp, 3, rows))
        return;
    for (int y = 0; y < rows.Height; ++y) {
        uint8_t* p = rows.At(0, y);
        for (int x = 0; x < rows.Width; ++x, p += 3)
            p[0] = p[1] = p[2] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
    }
}

void FadeBmp(TBitmap* Dst, TBitmap* Src1, TBitmap* Src2, uint8_t Alpha, TBitmap* AlphaBmp) {
    TacPixelRows dst, a, b, weights;
    if (!AttachRows(Dst, 3, dst) || !AttachRows(Src1, 3, a) || !AttachRows(Src2, 3, b))
        return;
    bool perByte = AlphaBmp != nullptr;
    if (perByte && !AttachRows(AlphaBmp, 3, weights))
        return;
    int w = std::min({dst.Width, a.Width, b.Width}), h = std::min({dst.Height, a.Height, b.Height});
    if (perByte)
        w = std::min(w, weights.Width), h = std::min(h, weights.Height);
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(0, y);
        const uint8_t* p = a.At(0, y);
        const uint8_t* q = b.At(0, y);
        const uint8_t* m = perByte ? weights.At(0, y) : nullptr;
        for (int x = 0; x < w * 3; ++x) {
            int weight = m ? m[x] : Alpha;
            d[x] = static_cast<uint8_t>(((p[x] - q[x]) * weight + q[x] * 256) >> 8);
        }
    }
}

void DrawAlphaBmp32(TBitmap* Dst, int X, int Y, TBitmap* Src, TRect SrcRect) {
    TacPixelRows dst, src;
    if (!AttachRows(Dst, 4, dst) || !AttachRows(Src, 4, src))
        return;
    ForBlockRows(dst, X, Y, src, SrcRect.left, SrcRect.top, SrcRect.Width(), SrcRect.Height(),
                 [&](uint8_t* d, const uint8_t* s, int w, int, int) {
                     for (int x = 0; x < w; ++x, d += 4, s += 4) {
                         int a = s[3];
                         for (int k = 0; k < 3; ++k)
                             d[k] = static_cast<uint8_t>(((s[k] - d[k]) * a + d[k] * 256) >> 8);
                         // The covered share of what lay below stays covered.
                         d[3] = static_cast<uint8_t>(a + RoundDiv(d[3] * (255LL - a), 255));
                     }
                 });
}

// --- graphics and layout ---

namespace {

// Repeats the w x h image at (sx, sy) of srcDC over R of dc; a last row that is not cut overhangs R's bottom.
void TileBlt(HDC dc, const TRect& R, HDC srcDC, int sx, int sy, int w, int h, bool cutRow = true) {
    if (w <= 0 || h <= 0 || R.IsEmpty())
        return;
    int height = R.Height();
    if (!cutRow)
        height = (height + h - 1) / h * h;
    TileBltArea(dc, R.left, R.top, R.Width(), height, srcDC, sx, sy, w, h);
}

// True when the area lies inside the bitmap of a memory DC and inside its (rectangular) clipping, so that what
// was painted there can be read back.
bool CanReadBack(HDC dc, int x, int y, int w, int h) {
    if (GetObjectType(dc) != OBJ_MEMDC)
        return false;
    BITMAP bm;
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm)
        return false;
    RECT clip;
    if (GetClipBox(dc, &clip) != SIMPLEREGION)
        return false;
    POINT org;
    GetViewportOrgEx(dc, &org);
    RECT area = {x + org.x, y + org.y, x + org.x + w, y + org.y + h};
    return area.left >= 0 && area.top >= 0 && area.right <= bm.bmWidth && area.bottom <= abs(bm.bmHeight) &&
           x >= clip.left && y >= clip.top && x + w <= clip.right && y + h <= clip.bottom;
}

}  // namespace

void TileBltArea(HDC DC, int DX, int DY, int DW, int DH, HDC SrcDC, int SX, int SY, int SW, int SH) {
    if (DW <= 0 || DH <= 0 || SW <= 0 || SH <= 0)
        return;
    int tiles = ((DW + SW - 1) / SW) * ((DH + SH - 1) / SH);
    if (tiles <= 4 || !CanReadBack(DC, DX, DY, DW, DH)) {
        for (int y = 0; y < DH; y += SH)
            for (int x = 0; x < DW; x += SW)
                BitBlt(DC, DX + x, DY + y, std::min(SW, DW - x), std::min(SH, DH - y), SrcDC, SX, SY, SRCCOPY);
        return;
    }
    // One tile, then the painted width and height doubled: each copy starts a whole number of tiles further on.
    BitBlt(DC, DX, DY, std::min(SW, DW), std::min(SH, DH), SrcDC, SX, SY, SRCCOPY);
    for (int done = SW; done < DW; done *= 2)
        BitBlt(DC, DX + done, DY, std::min(done, DW - done), std::min(SH, DH), DC, DX, DY, SRCCOPY);
    for (int done = SH; done < DH; done *= 2)
        BitBlt(DC, DX, DY + done, DW, std::min(done, DH - done), DC, DX, DY, SRCCOPY);
}

void TileGraphic(TCanvas* Canvas, const TRect& R, TGraphic* Graphic) {
    if (!Canvas || !Graphic || Graphic->Empty() || R.IsEmpty())
        return;
    TBitmap* bmp = dynamic_cast<TBitmap*>(Graphic);
    std::unique_ptr<TBitmap> drawn;
    if (!bmp) {
        // Any other picture (a JPEG texture) is drawn once and the drawing repeated.
        drawn = CreateBmp24(Graphic->Width(), Graphic->Height());
        drawn->Canvas()->Draw(0, 0, Graphic);
        bmp = drawn.get();
    }
    TileBlt(Canvas->Handle(), R, bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height());
    GdiFlush();
}

void PaintTexture(TCanvas* Canvas, TRect& R, TGraphic* Graphic, int Mode, const TsMaskData& Mask) {
    const TRect none(-1, -1, -1, -1);
    if (!Canvas || R.IsEmpty())
        return;
    if (Graphic && !Graphic->Empty()) {
        TileGraphic(Canvas, R, Graphic);
        R = none;
        return;
    }
    TBitmap* source = MaskSourceBitmap(Mask);
    int w = MaskStateWidth(Mask), h = MaskStateHeight(Mask);
    if (!source || w <= 0 || h <= 0)
        return;
    HDC dc = Canvas->Handle(), sdc = source->Canvas()->Handle();
    int sx = Mask.R.left, sy = Mask.R.top;
    auto stretch = [&](const TRect& to) {
        int old = SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, to.left, to.top, to.Width(), to.Height(), sdc, sx, sy, w, h, SRCCOPY);
        SetStretchBltMode(dc, old);
    };
    switch (Mode) {
    case 0:
        TileBlt(dc, R, sdc, sx, sy, w, h);
        R = none;
        break;
    case 1:
        stretch(R);
        R = none;
        break;
    case 2:
        TileBlt(dc, TRect(R.left, R.top, R.right, std::min<LONG>(R.bottom, R.top + h)), sdc, sx, sy, w, h);
        R.top += h;
        break;
    case 3:
        TileBlt(dc, TRect(R.left, R.top, std::min<LONG>(R.right, R.left + w), R.bottom), sdc, sx, sy, w, h);
        R.left += w;
        break;
    case 4:
        stretch(TRect(R.left, R.top, R.right, R.top + h));
        R.top += h;
        break;
    case 5:
        stretch(TRect(R.left, R.top, R.left + w, R.bottom));
        R.left += w;
        break;
    case 6:
        TileBlt(dc, TRect(R.left, std::max<LONG>(R.top, R.bottom - h), R.right, R.bottom), sdc, sx, sy, w, h);
        R.bottom -= h;
        break;
    case 7:
        TileBlt(dc, TRect(std::max<LONG>(R.left, R.right - w), R.top, R.right, R.bottom), sdc, sx, sy, w, h);
        R.right -= w;
        break;
    case 10:
        TileBlt(dc, R, sdc, sx, sy, w, h, false);
        R = none;
        break;
    default:
        TileBlt(dc, R, sdc, sx, sy, w, h);
        break;
    }
    if (R.right <= R.left || R.bottom <= R.top)
        R = none;
    GdiFlush();
}

void PaintMaskedTexture(TBitmap* Bmp, const TRect& R, const TPoint& Offset, int Mode, const TsMaskData& Mask) {
    (void)Mode;  // every layout of a masked texture tiles it: a mask half cannot be stretched with the image
    TBitmap* source = MaskSourceBitmap(Mask);
    int w = MaskStateWidth(Mask), h = MaskStateHeight(Mask);
    if (!Bmp || !source || w <= 0 || h <= 0 || R.IsEmpty())
        return;
    int phaseX = ((Offset.x % w) + w) % w, phaseY = ((Offset.y % h) + h) % h;
    for (int y = R.top - phaseY; y < R.bottom; y += h)
        for (int x = R.left - phaseX; x < R.right; x += w) {
            // The part of the tile inside R.
            int l = std::max<int>(x, R.left), t = std::max<int>(y, R.top);
            int r = std::min<int>(x + w, R.right), b = std::min<int>(y + h, R.bottom);
            if (r <= l || b <= t)
                continue;
            TRect from = Bounds(Mask.R.left + (l - x), Mask.R.top + (t - y), r - l, b - t);
            CopyImageByMask(TRect(l, t, r, b), from, Bmp, Mask, true, clFuchsia, source);
        }
}

void CalcGlyphLayout(const TRect& Client, const TPoint& GlyphSize, const TPoint& CaptionSize, TacGlyphLayout Layout,
                     int Alignment, int Margin, int Spacing, bool RightToLeft, TPoint& GlyphPos, TRect& TextRect) {
    if (RightToLeft) {
        if (Layout == glGlyphLeft)
            Layout = glGlyphRight;
        else if (Layout == glGlyphRight)
            Layout = glGlyphLeft;
    }
    TPoint client(Client.Width(), Client.Height());
    bool horizontal = Layout == glGlyphLeft || Layout == glGlyphRight;
    TPoint textPos;
    // Across the layout's direction both are centred.
    if (horizontal) {
        GlyphPos.y = (client.y - GlyphSize.y + 1) / 2;
        textPos.y = (client.y - CaptionSize.y + 1) / 2;
    } else {
        GlyphPos.x = (client.x - GlyphSize.x + 1) / 2;
        textPos.x = (client.x - CaptionSize.x + 1) / 2;
    }
    auto along = [&](const TPoint& p) { return horizontal ? p.x : p.y; };
    int clientLen = along(client), glyphLen = along(GlyphSize), textLen = along(CaptionSize);
    if (textLen == 0 || glyphLen == 0)
        Spacing = 0;
    bool fromEnd = false;
    if (Margin == -1) {
        if (Spacing == -1) {
            Margin = (clientLen - glyphLen - textLen) / 3;
            Spacing = Margin;
        } else if (Alignment == 2) {
            Margin = (clientLen - (glyphLen + Spacing + textLen) + 1) / 2;
        } else {
            Margin = 2;
            fromEnd = Alignment == 1;
        }
    } else if (Spacing == -1) {
        Spacing = (clientLen - (Margin + glyphLen) - textLen) / 2;
    }
    int block = glyphLen + Spacing + textLen;
    // The block [glyph, spacing, text] (or text first for a glyph on the right or bottom) starts at start.
    int start = fromEnd ? clientLen - Margin - block : Margin;
    bool glyphFirst = Layout == glGlyphLeft || Layout == glGlyphTop;
    int glyphAt = glyphFirst ? start : start + textLen + Spacing;
    int textAt = glyphFirst ? start + glyphLen + Spacing : start;
    if (!fromEnd && !glyphFirst) {
        // A glyph on the right or bottom keeps its margin from that edge.
        glyphAt = clientLen - Margin - glyphLen;
        textAt = glyphAt - Spacing - textLen;
    }
    if (horizontal) {
        GlyphPos.x = glyphAt;
        textPos.x = textAt;
    } else {
        GlyphPos.y = glyphAt;
        textPos.y = textAt;
    }
    GlyphPos.x += Client.left;
    GlyphPos.y += Client.top;
    textPos.x += Client.left;
    textPos.y += Client.top;
    TextRect = TRect(textPos.x, textPos.y, textPos.x + CaptionSize.x, textPos.y + CaptionSize.y);
}

// --- section painting ---

namespace {

// What one state of a section paints as its own background.
struct TSectionLook {
    TColor Color = clFuchsia;
    int Transparency = 0;
    int ImagePercent = 0;
    int GradientPercent = 0;
    const TsGradArray* Gradient = nullptr;
    const TsMaskData* Mask = nullptr;   // the texture image, when it is one of the skin's images
    TGraphic* Pattern = nullptr;        // else the texture picture, when there is one
};

bool IsNone(const TRect& R) { return R.left == -1 && R.top == -1 && R.right == -1 && R.bottom == -1; }

// Section colours may be system colours; the pixel loops want plain RGB.
TColor PlainColor(TColor Color) { return ColorToRGB(Color); }

// OwnPainted: the section's own background is painted, not (only) the parent's; a fully transparent section
// shows the parent alone otherwise, and its texture is not looked for.
TSectionLook LookOf(TsSkinManager* Manager, int SkinIndex, const std::string& Section, TColor Color, int HotTexture,
                    int Texture, bool Hot, bool OwnPainted) {
    TSectionLook look;
    const TsGeneralData& data = Manager->Sections[SkinIndex];
    if (Color != clFuchsia) {
        look.Color = PlainColor(Color);
        return look;
    }
    look.Color = PlainColor(Hot ? data.HotColor : data.Color);
    look.Transparency = std::clamp(Hot ? data.HotTransparency : data.Transparency, 0, 100);
    // The hot state of a fully transparent section has neither texture nor gradient; the normal state keeps its
    // own, which shows where nothing is known of what lies below.
    if (look.Transparency == 100 && (Hot || !OwnPainted))
        return look;
    look.ImagePercent = std::clamp(Hot ? data.HotImagePercent : data.ImagePercent, 0, 100);
    look.GradientPercent = std::clamp(Hot ? data.HotGradientPercent : data.GradientPercent, 0, 100);
    look.Gradient = Hot ? &data.HotGradientArray : &data.GradientArray;
    if (look.ImagePercent > 0) {
        const char* key = Hot ? "HOTPATTERN" : "PATTERN";
        int given = Hot ? HotTexture : Texture;
        int mask = Manager->IsValidImgIndex(given) && Manager->Masks[given].MaskType == 0
                       ? given
                       : Manager->GetMaskIndex(SkinIndex, Section, key);
        if (Manager->IsValidImgIndex(mask) && MaskSourceBitmap(Manager->Masks[mask])) {
            look.Mask = &Manager->Masks[mask];
        } else {
            int pattern = Manager->GetPatternIndex(SkinIndex, Section, key);
            if (pattern >= 0 && pattern < static_cast<int>(Manager->Patterns.size()) &&
                Manager->Patterns[pattern].Img && !Manager->Patterns[pattern].Img->Empty())
                look.Pattern = Manager->Patterns[pattern].Img.get();
        }
    }
    return look;
}

void FillBmpRect(TBitmap* Bmp, const TRect& R, TColor Color) { FillDC(Bmp->Canvas()->Handle(), R, Color); }

// A texture with a mask half that the section lays over its finished background (draw mode 10), instead of
// painting it as its image.
bool IsOverlay(const TSectionLook& Look, bool Hot) {
    return !Hot && Look.Mask && Look.Mask->MaskType > 0 && Look.Mask->DrawMode == 10;
}

// The texture over R: tiled or stretched as its draw mode says, a masked one through its mask over the colour;
// what a partial layout leaves takes the colour.
void PaintImageLayer(TBitmap* Bmp, const TRect& R, const TPoint& Phase, const TSectionLook& Look) {
    if (Look.Pattern) {
        TileGraphic(Bmp->Canvas(), R, Look.Pattern);
        return;
    }
    const TsMaskData& mask = *Look.Mask;
    if (mask.MaskType > 0) {
        FillBmpRect(Bmp, R, Look.Color);
        PaintMaskedTexture(Bmp, R, Phase, mask.DrawMode, mask);
        return;
    }
    TRect rest = R;
    PaintTexture(Bmp->Canvas(), rest, nullptr, mask.DrawMode, mask);
    if (!IsNone(rest) && !rest.IsEmpty() && !(rest == R && mask.DrawMode != 0))
        FillBmpRect(Bmp, rest, Look.Color);
}

// Fills total bytes from p with repetitions of the first filled ones, doubling what is done with each copy.
void RepeatBytes(uint8_t* p, size_t filled, size_t total) {
    for (size_t done = filled; done < total; done *= 2)
        std::memcpy(p + done, p, std::min(done, total - done));
}

// A tiled texture and a gradient of rows or columns mixed in one pass over R: the same bytes as tiling the
// texture, painting the gradient into a work bitmap and blending the two, without writing either picture first.
// Only one texture width of each row (gradient of rows) or one texture height of rows (gradient of columns) is
// blended; the rest repeats it and is copied. False (nothing painted) for the other kinds of texture and gradient.
bool PaintTiledGradientMix(TBitmap* Bmp, const TRect& R, const TSectionLook& Look, uint8_t ImageWeight) {
    if (!Look.Mask || Look.Mask->MaskType != 0 || Look.Mask->DrawMode != 0 || !Look.Gradient ||
        Look.Gradient->empty())
        return false;
    int mode = (*Look.Gradient)[0].Mode;
    const TsMaskData& mask = *Look.Mask;
    TacPixelRows dst, src;
    if ((mode != 0 && mode != 1) || !AttachRows(Bmp, 3, dst) || !AttachRows(MaskSourceBitmap(mask), 3, src))
        return false;
    int tw = MaskStateWidth(mask), th = MaskStateHeight(mask);
    int w = R.Width(), h = R.Height();
    if (tw <= 0 || th <= 0 || w < 2 || h < 2 || mask.R.left < 0 || mask.R.top < 0 ||
        mask.R.left + tw > src.Width || mask.R.top + th > src.Height)
        return false;
    // The gradient's colours as the gradient painter makes them: one per row (a 2-pixel-wide strip) or one row
    // that every row repeats. The strip and the row buffers are kept from call to call: made afresh for every
    // paint they come as new pages from the system, which costs more than the painting (main thread only).
    static std::unique_ptr<TBitmap> strip;
    int sw = mode == 0 ? 2 : w, sh = mode == 0 ? h : 2;
    if (!strip)
        strip = CreateBmp24(sw, sh);
    else if (strip->Width() != sw || strip->Height() != sh)
        strip->SetSize(sw, sh);
    PaintGradient(strip.get(), TRect(0, 0, sw, sh), *Look.Gradient);
    TacPixelRows colours;
    if (!AttachRows(strip.get(), 3, colours))
        return false;
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    static std::vector<uint8_t> buffer;
    if (mode == 0) {
        // One colour over a texture row repeats with the texture's width: blend the first width, copy the rest.
        const size_t period = static_cast<size_t>(std::min(tw, w)) * 3;
        buffer.resize(std::max(buffer.size(), period));
        const uint8_t* last = nullptr;
        for (int y = 0; y < h; ++y) {
            const uint8_t* c = colours.At(0, y);
            if (!last || std::memcmp(c, last, 3) != 0) {
                std::memcpy(buffer.data(), c, 3);
                RepeatBytes(buffer.data(), 3, period);
                last = c;
            }
            uint8_t* d = dst.At(R.left, R.top + y);
            BlendBytes(d, src.At(mask.R.left, mask.R.top + y % th), buffer.data(), static_cast<int>(period),
                       ImageWeight);
            RepeatBytes(d, period, rowBytes);
        }
        return true;
    }
    // Every row has the same colours, so rows a texture height apart are equal: blend the first texture height of
    // rows, each over its texture row repeated across R, and copy the rest.
    buffer.resize(std::max(buffer.size(), rowBytes));
    const size_t tileBytes = static_cast<size_t>(std::min(tw, w)) * 3;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(R.left, R.top + y);
        if (y >= th) {
            std::memcpy(d, dst.At(R.left, R.top + y % th), rowBytes);
            continue;
        }
        std::memcpy(buffer.data(), src.At(mask.R.left, mask.R.top + y), tileBytes);
        RepeatBytes(buffer.data(), tileBytes, rowBytes);
        BlendBytes(d, buffer.data(), colours.At(0, 0), static_cast<int>(rowBytes), ImageWeight);
    }
    return true;
}

// The section's own background (texture, gradient and colour by their percents) into R of Bmp; Phase is where R
// lies over the parent, so that overlay tiles line up with the neighbours'. Fill is what takes the place of
// texture and gradient when the section has neither: its colour, or, for a transparent section over nothing known,
// $FF00FF, no colour, which the child painting leaves out.
void PaintOwnBackground(TBitmap* Bmp, const TRect& R, const TPoint& Phase, const TSectionLook& Look, bool Hot,
                        TColor Fill) {
    bool overlay = IsOverlay(Look, Hot);
    bool image = Look.ImagePercent > 0 && (Look.Pattern || Look.Mask);
    int imagePercent = image ? Look.ImagePercent : 0;
    uint8_t imageWeight = static_cast<uint8_t>(imagePercent * 255 / 100);
    bool mixed = image && Look.GradientPercent > 0 && PaintTiledGradientMix(Bmp, R, Look, imageWeight);
    if (image && !mixed)
        PaintImageLayer(Bmp, R, Phase, Look);
    if (Look.GradientPercent > 0 && !mixed) {
        bool stops = Look.Gradient && !Look.Gradient->empty();
        if (!image) {
            if (stops)
                PaintGradient(Bmp, R, *Look.Gradient);
            else
                FillBmpRect(Bmp, R, Look.Color);
        } else {
            auto gradient = CreateBmp24(R.Width(), R.Height());
            TRect all(0, 0, R.Width(), R.Height());
            if (stops)
                PaintGradient(gradient.get(), all, *Look.Gradient);
            else
                FillBmpRect(gradient.get(), all, Look.Color);
            SumBmpRect(Bmp, gradient.get(), imageWeight, R.TopLeft(), all);
        }
    }
    int sum = imagePercent + Look.GradientPercent;
    if (sum == 0)
        FillBmpRect(Bmp, R, Fill);
    else if (sum < 100)
        BlendColorRect(Bmp, TRect(R.left, R.top, R.right - 1, R.bottom - 1), static_cast<uint8_t>(sum), Look.Color);
    // A patterned overlay is the image and, once the background is done, is laid over it once more.
    if (overlay)
        PaintMaskedTexture(Bmp, R, Phase, Look.Mask->DrawMode, *Look.Mask);
}

// R of Bmp clipped to the bitmap; false when nothing of it is left.
bool ClipToBitmap(TBitmap* Bmp, TRect& R) {
    R.left = std::max<LONG>(R.left, 0);
    R.top = std::max<LONG>(R.top, 0);
    R.right = std::min<LONG>(R.right, Bmp->Width());
    R.bottom = std::min<LONG>(R.bottom, Bmp->Height());
    return !R.IsEmpty();
}

// The parent's background under R: a copy from the cache-info bitmap, or its colour.
void PutParentBackground(TBitmap* Bmp, const TRect& R, const TPoint& Offset, const TCacheInfo& CacheInfo) {
    if (!CacheInfo.Ready) {
        FillBmpRect(Bmp, R, CacheInfo.FillColor);
        return;
    }
    if (!CacheInfo.Bmp || CacheInfo.Bmp == Bmp)
        return;
    BitBlt(Bmp->Canvas()->Handle(), R.left, R.top, R.Width(), R.Height(), CacheInfo.Bmp->Canvas()->Handle(),
           CacheInfo.X + Offset.x, CacheInfo.Y + Offset.y, SRCCOPY);
    GdiFlush();
}

TsSkinManager* ManagerOr(TsSkinManager* Manager) { return Manager ? Manager : DefaultManager; }

const std::string& SectionNameOf(TsSkinManager* Manager, int SkinIndex, const std::string& SectionName) {
    return SectionName.empty() ? Manager->Sections[SkinIndex].ClassName : SectionName;
}

// The background under pixel (x, y) of Bmp, for the painters that read it per pixel: R's top-left lies at
// Offset over the background.
TCacheInfo ShiftedCacheInfo(const TCacheInfo& CacheInfo, const TPoint& Offset, const TRect& R) {
    TCacheInfo ci = CacheInfo;
    ci.X += Offset.x - R.left;
    ci.Y += Offset.y - R.top;
    return ci;
}

void PaintCornerImages(TsSkinManager* Manager, int SkinIndex, const std::string& Section, TBitmap* Bmp,
                       const TRect& R, int State, const TCacheInfo& Background) {
    static const char* const keys[4] = {"IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT"};
    for (int k = 0; k < 4; ++k) {
        int index = Manager->GetMaskIndex(SkinIndex, Section, keys[k]);
        if (!Manager->IsValidImgIndex(index))
            continue;
        const TsMaskData& mask = Manager->Masks[index];
        int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
        TPoint p(k % 2 ? R.right - w : R.left, k / 2 ? R.bottom - h : R.top);
        DrawMaskGlyph(Bmp, p, State, Background, mask, true);
    }
}

}  // namespace

void PaintSkinBackground(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo, TColor Color,
                         int HotTexture, int Texture, TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset,
                         const TRect& R, bool Hot) {
    TsSkinManager* manager = ManagerOr(Manager);
    if (!manager || !manager->IsValidSkinIndex(SkinIndex) || !Bmp)
        return;
    TRect r = R;
    if (!ClipToBitmap(Bmp, r))
        return;
    TPoint offset(Offset.x + (r.left - R.left), Offset.y + (r.top - R.top));
    const std::string& section = SectionNameOf(manager, SkinIndex, SectionName);
    bool nothingKnown = !CacheInfo.Ready && CacheInfo.FillColor == clFuchsia;
    TSectionLook look = LookOf(manager, SkinIndex, section, Color, HotTexture, Texture, Hot, nothingKnown);
    if (look.Transparency == 0 || nothingKnown) {
        PaintOwnBackground(Bmp, r, offset, look, Hot, look.Transparency == 0 ? look.Color : CacheInfo.FillColor);
        return;
    }
    if (look.Transparency == 100) {
        PutParentBackground(Bmp, r, offset, CacheInfo);
        return;
    }
    // Over a parent known by its colour, the section's colour is mixed with it as the section answers its colour
    // to its children (skin command 21), so that the two agree.
    auto own = CreateBmp24(r.Width(), r.Height());
    TRect all(0, 0, r.Width(), r.Height());
    PaintOwnBackground(own.get(), all, offset, look, Hot, look.Color);
    PutParentBackground(Bmp, r, offset, CacheInfo);
    int weight = std::clamp(look.Transparency * 255 / 100, 0, 255);
    SumBmpRect(Bmp, own.get(), static_cast<uint8_t>(weight), r.TopLeft(), all);
}

void PaintSkinItem(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo, int HotTexture,
                   int Texture, TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset, const TRect& R, int State,
                   bool FrameFlag) {
    TsSkinManager* manager = ManagerOr(Manager);
    if (!Bmp || R.IsEmpty() || !manager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    const std::string section = SectionNameOf(manager, SkinIndex, SectionName);
    PaintSkinBackground(SkinIndex, section, CacheInfo, clFuchsia, HotTexture, Texture, manager, Bmp, Offset, R,
                        State > 0);
    TCacheInfo background = ShiftedCacheInfo(CacheInfo, Offset, R);
    PaintCornerImages(manager, SkinIndex, section, Bmp, R, State, background);
    int border = manager->GetMaskIndex(SkinIndex, section, "BORDERSMASK");
    if (manager->IsValidImgIndex(border))
        DrawMaskedFrame(Bmp, R, State, manager->Masks[border], background, FrameFlag);
}

void PaintSkinItemToDC(HDC DC, const TRect& R, int SkinIndex, const std::string& SectionName,
                       const TCacheInfo& CacheInfo, int HotTexture, int Texture, TsSkinManager* Manager,
                       const TPoint& Offset, int State, bool FrameFlag) {
    TsSkinManager* manager = ManagerOr(Manager);
    if (!DC || R.IsEmpty() || R.left < 0 || R.top < 0 || !manager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    auto work = CreateBmp24(R.Width(), R.Height());
    PaintSkinItem(SkinIndex, SectionName, CacheInfo, HotTexture, Texture, manager, work.get(), Offset,
                  TRect(0, 0, R.Width(), R.Height()), State, FrameFlag);
    BitBlt(DC, R.left, R.top, R.Width(), R.Height(), work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void PaintSkinCorners(TsCommonData* SkinData, TBitmap* Bmp, const TRect& R, int State, const TCacheInfo& CacheInfo,
                      const TPoint& Offset) {
    if (!SkinData || !Bmp || R.IsEmpty())
        return;
    TsSkinManager* manager = SkinData->SkinManager();
    int index = SkinData->SkinIndex;
    if (!manager || !manager->IsValidSkinIndex(index))
        return;
    const std::string section = SectionNameOf(manager, index, SkinData->SkinSection());
    TColor colour = clFuchsia;
    if (SkinData->CustomColor() && SkinData->OwnerControl())
        colour = SkinData->OwnerControl()->Color();
    PaintSkinBackground(index, section, CacheInfo, colour, SkinData->HotTexture, SkinData->Texture, manager, Bmp,
                        Offset, R, State > 0);
    TCacheInfo background = ShiftedCacheInfo(CacheInfo, Offset, R);
    int border = manager->IsValidImgIndex(SkinData->BorderIndex) ? SkinData->BorderIndex
                                                                  : manager->GetMaskIndex(index, section, "BORDERSMASK");
    if (manager->IsValidImgIndex(border) && !((manager->Masks[border].DrawMode & 2) && State <= 0))
        DrawMaskedFrame(Bmp, R, State, manager->Masks[border], background);
    PaintCornerImages(manager, index, section, Bmp, R, State, background);
}

void PaintSkinPart(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo,
                   TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset, const TRect& R, int MaskIndex,
                   int State) {
    TsSkinManager* manager = ManagerOr(Manager);
    if (!Bmp || R.IsEmpty() || R.left < 0 || R.top < 0 || R.right > Bmp->Width() || R.bottom > Bmp->Height())
        return;
    if (!manager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    PaintSkinBackground(SkinIndex, SectionName, CacheInfo, clFuchsia, -1, -1, manager, Bmp, Offset, R, State > 0);
    if (manager->IsValidImgIndex(MaskIndex))
        DrawMaskedFrame(Bmp, R, State, manager->Masks[MaskIndex], ShiftedCacheInfo(CacheInfo, Offset, R));
}

// --- regions ---

void AddMaskRgnRects(TAOR& Rects, int Width, const TsMaskData& Mask, bool Bottom, int Y) {
    TacPixelRows src;
    if (!AttachRows(MaskSourceBitmap(Mask), 3, src))
        return;
    int w = MaskStateWidth(Mask), h = MaskStateHeight(Mask);
    int rows = Bottom ? Mask.WB : Mask.WT;
    rows = std::clamp(rows, 0, h);
    int top = Bottom ? Mask.R.top + h - rows : Mask.R.top;
    // The left block, then the right one: first column in the image and width, and where its columns land.
    struct Block {
        int From, Width, Shift;
    };
    int wl = std::clamp<int>(Mask.WL, 0, w), wr = std::clamp<int>(Mask.WR, 0, w);
    const Block blocks[2] = {{0, wl, 0}, {w - wr, wr, Width - w}};
    for (int row = 0; row < rows; ++row) {
        int sy = top + row;
        if (sy < 0 || sy >= src.Height)
            continue;
        for (const Block& b : blocks) {
            int x = b.From, end = b.From + b.Width;
            while (x < end) {
                int sx = Mask.R.left + x;
                if (sx < 0 || sx >= src.Width || !IsFuchsiaPixel(src.At(sx, sy))) {
                    ++x;
                    continue;
                }
                int start = x;
                while (x < end && Mask.R.left + x < src.Width && IsFuchsiaPixel(src.At(Mask.R.left + x, sy)))
                    ++x;
                Rects.push_back(TRect(start + b.Shift, Y + row, x + b.Shift, Y + row + 1));
            }
        }
    }
}
