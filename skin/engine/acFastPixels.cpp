#include "acFastPixels.h"

#include "sMessages.h"
#include "sSkinManager.h"

#include "classlib/Controls.h"

#include <algorithm>

TacFast24 acFast24Src;
TacFast24 acFast24Dst;
TacFastSum24 acFastSum24;
TacFast32 acFast32;

namespace {

TPixelFormat FormatOf(int bytesPerPixel) {
    return bytesPerPixel == 1 ? pf8bit : bytesPerPixel == 4 ? pf32bit : pf24bit;
}

}  // namespace

bool AttachRows(TBitmap* Bmp, int BytesPerPixel, TacPixelRows& Rows) {
    Rows = TacPixelRows();
    if (!Bmp || Bmp->Width() < 2 || Bmp->Height() < 2 || Bmp->PixelFormat() != FormatOf(BytesPerPixel))
        return false;
    GdiFlush();
    Rows.Line0 = static_cast<uint8_t*>(Bmp->ScanLine(0));
    Rows.Delta = static_cast<int>(static_cast<uint8_t*>(Bmp->ScanLine(1)) - Rows.Line0);
    Rows.Width = Bmp->Width();
    Rows.Height = Bmp->Height();
    Rows.Bpp = BytesPerPixel;
    return true;
}

bool ClipCopy(const TacPixelRows& Dst, int& DX, int& DY, const TacPixelRows& Src, int& SX, int& SY, int& W, int& H) {
    auto clip = [](int& d, int& s, int& n, int dLimit, int sLimit) {
        int skip = std::max({0, -d, -s});
        d += skip, s += skip, n -= skip;
        n = std::min({n, dLimit - d, sLimit - s});
    };
    clip(DX, SX, W, Dst.Width, Src.Width);
    clip(DY, SY, H, Dst.Height, Src.Height);
    return W > 0 && H > 0;
}

bool TacFast24::Attach(TBitmap* Bmp) {
    TacPixelRows rows;
    bool ok = AttachRows(Bmp, 3, rows);
    FBitmap = ok ? Bmp : nullptr;
    FWidth = rows.Width;
    FHeight = rows.Height;
    FLine0 = rows.Line0;
    FDelta = rows.Delta;
    return ok;
}

bool TacFast32::Attach(TBitmap* Bmp) {
    TacPixelRows rows;
    bool ok = AttachRows(Bmp, 4, rows);
    FBitmap = ok ? Bmp : nullptr;
    FWidth = rows.Width;
    FHeight = rows.Height;
    FLine0 = rows.Line0;
    FDelta = rows.Delta;
    return ok;
}

bool TacFastSum24::Attach(TBitmap* Src, TBitmap* Dst) {
    if (!FSrc.Attach(Src) || !FDst.Attach(Dst)) {
        FWidth = FHeight = 0;
        return false;
    }
    FWidth = std::min(FSrc.Width(), FDst.Width());
    FHeight = std::min(FSrc.Height(), FDst.Height());
    return true;
}

void TacFastSum24::BlendRect() {
    if (FWidth == 0)
        return;
    TacPixelRows dst{FDst.Pixel(0, 0), FDst.Delta(), FDst.Width(), FDst.Height(), 3};
    TacPixelRows src{FSrc.Pixel(0, 0), FSrc.Delta(), FSrc.Width(), FSrc.Height(), 3};
    int dx = DstRect.left, dy = DstRect.top, sx = SrcPoint.x, sy = SrcPoint.y;
    int w = DstRect.Width(), h = DstRect.Height();
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    const unsigned a = Alpha, b = 255 - Alpha;
    // Bottom row first and right to left, so a copy within one bitmap reads its source before overwriting it.
    for (int y = h - 1; y >= 0; --y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        for (int i = w * 3 - 1; i >= 0; --i)
            d[i] = static_cast<uint8_t>((d[i] * a + s[i] * b + 127) >> 8);
    }
}

void BlendColorRect(TBitmap* Bmp, TRect R, uint8_t Percent, TColor Color) {
    TacPixelRows rows;
    if (!AttachRows(Bmp, 3, rows))
        return;
    R.left = std::max<LONG>(R.left, 0);
    R.top = std::max<LONG>(R.top, 0);
    R.right = std::min<LONG>(R.right, rows.Width - 1);
    R.bottom = std::min<LONG>(R.bottom, rows.Height - 1);
    TColor c = ColorToRGB(Color);
    const int colour[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};  // in pixel order
    // Round(byte * P / 100 + colour * (1 - P / 100)), exactly as a fraction over 100; a table per channel.
    uint8_t table[3][256];
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v) {
            long long x = RoundDiv(static_cast<long long>(v) * Percent + colour[ch] * (100LL - Percent), 100);
            table[ch][v] = static_cast<uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x);
        }
    for (int y = R.top; y <= R.bottom; ++y) {
        uint8_t* p = rows.At(R.left, y);
        for (int x = R.left; x <= R.right; ++x, p += 3) {
            p[0] = table[0][p[0]];
            p[1] = table[1][p[1]];
            p[2] = table[2][p[2]];
        }
    }
}

void PaintStateEffects(TBitmap* Bmp, int Effects, TControl* Control, const TPoint& Offset, const TCacheInfo& CacheInfo) {
    if (!Bmp)
        return;
    if (Effects & acEffectGrey)
        GrayBmp(Bmp);
    if (!(Effects & acEffectDisabled))
        return;
    if (CacheInfo.Ready && CacheInfo.Bmp) {
        TRect from = Bounds(CacheInfo.X + Offset.x, CacheInfo.Y + Offset.y, Bmp->Width(), Bmp->Height());
        // A top byte of 255 switches the transparent-colour test off: every background pixel counts.
        BlendRectBitmap(Bmp, 0, 0, static_cast<TColor>(0xFFFFFFFFu), 0.4, from, CacheInfo.Bmp);
        return;
    }
    TColor colour = CacheInfo.FillColor;
    if (colour == clFuchsia && Control)
        colour = static_cast<TColor>(Control->Perform(SM_QUORVEXCMD, MakeSkinCmd(scGetColor), 0));
    BlendColorRect(Bmp, Rect(0, 0, Bmp->Width(), Bmp->Height()), 50, colour);
}

// --- masked frames and glyphs ---

namespace {

// The background under pixel (x, y) of the painted bitmap, when the cache info has one there.
class TBackground {
public:
    explicit TBackground(const TCacheInfo& ci) {
        if (ci.Ready && ci.Bmp && (AttachRows(ci.Bmp, 3, FRows) || AttachRows(ci.Bmp, 4, FRows))) {
            FX = ci.X;
            FY = ci.Y;
            FReady = true;
        }
    }
    bool Ready() const { return FReady; }
    // The pixel's blue, green and red, or nil outside the background bitmap.
    const uint8_t* At(int x, int y) const {
        x += FX, y += FY;
        return FReady && FRows.Inside(x, y) ? FRows.At(x, y) : nullptr;
    }

private:
    TacPixelRows FRows;
    int FX = 0, FY = 0;
    bool FReady = false;
};

inline bool IsFuchsia(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }
inline bool IsColor(const uint8_t* p, TColor c) {
    return p[2] == (c & 0xFF) && p[1] == ((c >> 8) & 0xFF) && p[0] == ((c >> 16) & 0xFF);
}

// One block of the frame through the mask that lies maskDy rows below the image:
// dst := ((below - S) * M + S * 256) shr 8, below being the background pixel when there is one.
void MaskedBlock(const TacPixelRows& dst, int dx, int dy, const TacPixelRows& src, int sx, int sy, int w, int h,
                 int maskDy, const TBackground& bg) {
    // The mask rows must lie inside the source too.
    int maxH = src.Height - maskDy - sy;
    if (h > maxH)
        h = maxH;
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    if (sy + maskDy < 0)
        return;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        const uint8_t* m = src.At(sx, sy + y + maskDy);
        for (int x = 0; x < w; ++x, d += 3, s += 3, m += 3) {
            const uint8_t* below = bg.Ready() ? bg.At(dx + x, dy + y) : nullptr;
            if (!below)
                below = d;
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<uint8_t>(((below[c] - s[c]) * m[c] + s[c] * 256) >> 8);
        }
    }
}

// One block copied leaving out magenta, which shows the background when there is one.
void TransBlock(const TacPixelRows& dst, int dx, int dy, const TacPixelRows& src, int sx, int sy, int w, int h,
                const TBackground& bg) {
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        for (int x = 0; x < w; ++x, d += 3, s += 3) {
            if (!IsFuchsia(s)) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
            } else if (const uint8_t* b = bg.Ready() ? bg.At(dx + x, dy + y) : nullptr) {
                d[0] = b[0], d[1] = b[1], d[2] = b[2];
            }
        }
    }
}

// Repeats the sw x sh source piece over the dw x dh destination area, the last repetition cut.
template <class Copy>
void Tile(int dx, int dy, int dw, int dh, int sw, int sh, Copy copy) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    for (int y = 0; y < dh; y += sh)
        for (int x = 0; x < dw; x += sw)
            copy(dx + x, dy + y, std::min(sw, dw - x), std::min(sh, dh - y));
}

// Shrinks two opposite border widths that do not fit the length.
void FitBorders(int length, int& a, int& b) {
    if (length < a + b) {
        int d = (a + b - length) / 2;
        a -= d;
        b -= d;
        if (length % 2)
            b -= 1;
        a = std::max(a, 0);
        b = std::max(b, 0);
    }
}

}  // namespace

void DrawMaskedFrame(TBitmap* Bmp, const TRect& R, int State, const TsMaskData& Mask, const TCacheInfo& CacheInfo) {
    if (State <= 0 && (Mask.DrawMode & 2))
        return;
    if (!Bmp || R.Width() < 2 || R.Height() < 2 || !Mask.Manager)
        return;
    TBitmap* source = MaskSourceBitmap(Mask);
    TacPixelRows dst, src;
    if (!AttachRows(Bmp, 3, dst) || !AttachRows(source, 3, src))
        return;
    int L = Mask.WL, T = Mask.WT, Rt = Mask.WR, B = Mask.WB;
    FitBorders(R.Width(), L, Rt);
    FitBorders(R.Height(), T, B);
    int count = std::max<int>(1, Mask.ImageCount);
    int state = std::clamp(State, 0, count - 1);
    int w = MaskStateWidth(Mask), h = MaskStateHeight(Mask);
    int sx = Mask.R.left + w * state, sy = Mask.R.top;
    int cw = std::max(0, w - L - Rt), ch = std::max(0, h - T - B);
    int x0 = R.left, y0 = R.top, x1 = R.right, y1 = R.bottom;
    int innerW = x1 - x0 - L - Rt, innerH = y1 - y0 - T - B;
    TBackground bg(CacheInfo);

    // The nine pieces: corners, then the edges and the centre, each as destination and source areas.
    struct Piece {
        int dx, dy, dw, dh, sx, sy, sw, sh;
    };
    const Piece corners[4] = {{x0, y0, L, T, sx, sy, L, T},
                              {x1 - Rt, y0, Rt, T, sx + w - Rt, sy, Rt, T},
                              {x0, y1 - B, L, B, sx, sy + h - B, L, B},
                              {x1 - Rt, y1 - B, Rt, B, sx + w - Rt, sy + h - B, Rt, B}};
    const Piece sides[5] = {{x0 + L, y0, innerW, T, sx + L, sy, cw, T},
                            {x0 + L, y1 - B, innerW, B, sx + L, sy + h - B, cw, B},
                            {x0, y0 + T, L, innerH, sx, sy + T, L, ch},
                            {x1 - Rt, y0 + T, Rt, innerH, sx + w - Rt, sy + T, Rt, ch},
                            {x0 + L, y0 + T, innerW, innerH, sx + L, sy + T, cw, ch}};

    if (Mask.MaskType > 0) {
        for (const Piece& p : corners)
            MaskedBlock(dst, p.dx, p.dy, src, p.sx, p.sy, p.dw, p.dh, h, bg);
        for (const Piece& p : sides)
            Tile(p.dx, p.dy, p.dw, p.dh, p.sw, p.sh, [&](int x, int y, int tw, int th) {
                MaskedBlock(dst, x, y, src, p.sx, p.sy, tw, th, h, bg);
            });
        return;
    }
    for (const Piece& p : corners)
        TransBlock(dst, p.dx, p.dy, src, p.sx, p.sy, p.dw, p.dh, bg);
    HDC dc = Bmp->Canvas()->Handle();
    HDC sdc = source->Canvas()->Handle();
    if (Mask.DrawMode & 1) {
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        POINT oldOrg;
        SetBrushOrgEx(dc, 0, 0, &oldOrg);
        for (const Piece& p : sides)
            if (p.dw > 0 && p.dh > 0 && p.sw > 0 && p.sh > 0)
                StretchBlt(dc, p.dx, p.dy, p.dw, p.dh, sdc, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
        SetBrushOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
        SetStretchBltMode(dc, oldMode);
    } else {
        for (const Piece& p : sides)
            Tile(p.dx, p.dy, p.dw, p.dh, p.sw, p.sh,
                 [&](int x, int y, int tw, int th) { BitBlt(dc, x, y, tw, th, sdc, p.sx, p.sy, SRCCOPY); });
    }
    GdiFlush();
}

void CopyImageByMask(const TRect& DstRect, const TRect& SrcRect, TBitmap* Bmp, const TsMaskData& Mask,
                     bool PureMask, TColor TransColor, TBitmap* SrcBmp) {
    TacPixelRows dst, src;
    if (!AttachRows(Bmp, 3, dst) || !AttachRows(SrcBmp, 3, src))
        return;
    int dx = DstRect.left, dy = DstRect.top, sx = SrcRect.left, sy = SrcRect.top;
    int w = SrcRect.Width(), h = SrcRect.Height();
    bool masked = Mask.MaskType > 0;
    int maskDy = MaskStateHeight(Mask);
    if (masked)
        h = std::min(h, src.Height - maskDy - sy);
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    TColor trans = ColorToRGB(TransColor);
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        const uint8_t* m = masked ? src.At(sx, sy + y + maskDy) : nullptr;
        for (int x = 0; x < w; ++x, d += 3, s += 3, m = m ? m + 3 : nullptr) {
            if (IsColor(s, trans))
                continue;
            if (!m) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                int weight = PureMask ? m[c] : std::min(m[c] + 100, 255);
                int v = ((d[c] - s[c]) * weight + s[c] * 256) >> 8;
                d[c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
}

void DrawMaskGlyph(TBitmap* Bmp, const TPoint& P, int State, const TCacheInfo& CacheInfo, const TsMaskData& Mask,
                   bool UseTransparency) {
    TBitmap* source = MaskSourceBitmap(Mask);
    if (!Bmp || !source)
        return;
    int count = std::max<int>(1, Mask.ImageCount);
    int w = MaskStateWidth(Mask), h = MaskStateHeight(Mask);
    int sx = Mask.R.left + std::clamp(State, 0, count - 1) * w;
    TRect from = Bounds(sx, Mask.R.top, w, h);
    // Columns and rows left of or above the bitmap are skipped by the copies, which clip to both bitmaps.
    if (Mask.Bmp || Mask.MaskType >= 1)
        CopyImageByMask(Bounds(P.x, P.y, w, h), from, Bmp, Mask, UseTransparency, clFuchsia, source);
    else if (UseTransparency)
        CopyTransRect(Bmp, source, P.x, P.y, from, clFuchsia, CacheInfo, true);
    else
        BlendRectBitmap(Bmp, P.x, P.y, clFuchsia, 0.5, from, source);
}
