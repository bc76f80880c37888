#include "acFastPixels.h"

#include "sCommonData.h"
#include "sMessages.h"
#include "sSkinManager.h"

#include "classlib/visual/Controls.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

TacFast24 acFast24Src;
TacFast24 acFast24Dst;
TacFastSum24 acFastSum24;
TacFast32 acFast32;

namespace {

TacPixelLoops ProcessorPixelLoops() {
    __builtin_cpu_init();
    // AVX2 counts only when the system saves the wide registers too, which the test includes.
    if (__builtin_cpu_supports("avx2"))
        return plAVX2;
    return __builtin_cpu_supports("ssse3") ? plSSSE3 : plSSE2;
}

}  // namespace

TacPixelLoops acWidestPixelLoops() {
    static const TacPixelLoops widest = ProcessorPixelLoops();
    return widest;
}

TacPixelLoops acPixelLoops = acWidestPixelLoops();

namespace {

TPixelFormat FormatOf(int bytesPerPixel) {
    return bytesPerPixel == 1 ? pf8bit : bytesPerPixel == 4 ? pf32bit : pf24bit;
}

// Calls chunk(i) for every whole 16 bytes of n, two at a time while it can; answers where the rest begins.
template <class F>
int ForEachChunk(int n, F chunk) {
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        chunk(i);
        chunk(i + 16);
    }
    for (; i + 16 <= n; i += 16)
        chunk(i);
    return i;
}

// d := (d * a + s * (255 - a) + 127) shr 8 for n bytes, 32 at a time. With the bytes moved by 128 into the
// signed range, d * a + s * (255 - a) = (d - 128) * a + (s - 128) * (255 - a) + 128 * 255, and the first two
// terms are one multiply-add of byte pairs whose sum (at most 255 * 128 either way) fits 16 signed bits.
__attribute__((target("avx2"))) void BlendBytesAvx2(uint8_t* d, const uint8_t* x, const uint8_t* s, int n,
                                                    unsigned a) {
    const __m256i weights = _mm256_set1_epi16(static_cast<short>(a | ((255 - a) << 8)));
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i offset = _mm256_set1_epi16(128 * 255 + 127);
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i D = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i)), flip);
        __m256i S = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), flip);
        __m256i lo = _mm256_add_epi16(_mm256_maddubs_epi16(weights, _mm256_unpacklo_epi8(D, S)), offset);
        __m256i hi = _mm256_add_epi16(_mm256_maddubs_epi16(weights, _mm256_unpackhi_epi8(D, S)), offset);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_packus_epi16(_mm256_srli_epi16(lo, 8), _mm256_srli_epi16(hi, 8)));
    }
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((x[i] * a + s[i] * (255 - a) + 127) >> 8);
}

// The same multiply-add 16 bytes at a time.
__attribute__((target("ssse3"), always_inline)) inline void BlendChunkSsse3(uint8_t* d, const uint8_t* x,
                                                                            const uint8_t* s, __m128i weights,
                                                                            __m128i flip, __m128i offset) {
    __m128i D = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)), flip);
    __m128i S = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), flip);
    __m128i lo = _mm_add_epi16(_mm_maddubs_epi16(weights, _mm_unpacklo_epi8(D, S)), offset);
    __m128i hi = _mm_add_epi16(_mm_maddubs_epi16(weights, _mm_unpackhi_epi8(D, S)), offset);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
}

__attribute__((target("ssse3"))) void BlendBytesSsse3(uint8_t* d, const uint8_t* x, const uint8_t* s, int n,
                                                      unsigned a) {
    const __m128i weights = _mm_set1_epi16(static_cast<short>(a | ((255 - a) << 8)));
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i offset = _mm_set1_epi16(128 * 255 + 127);
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        BlendChunkSsse3(d + i, x + i, s + i, weights, flip, offset);
        BlendChunkSsse3(d + i + 16, x + i + 16, s + i + 16, weights, flip, offset);
    }
    for (; i + 16 <= n; i += 16)
        BlendChunkSsse3(d + i, x + i, s + i, weights, flip, offset);
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((x[i] * a + s[i] * (255 - a) + 127) >> 8);
}

}  // namespace

// With SSE2 alone each byte is widened to 16 bits and multiplied on its own; 16-bit lanes hold every
// intermediate exactly.
void BlendBytes(uint8_t* d, const uint8_t* x, const uint8_t* s, int n, unsigned a) {
    if (acPixelLoops == plAVX2) {
        BlendBytesAvx2(d, x, s, n, a);
        return;
    }
    if (acPixelLoops == plSSSE3) {
        BlendBytesSsse3(d, x, s, n, a);
        return;
    }
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(255 - a));
    const __m128i round = _mm_set1_epi16(127), zero = _mm_setzero_si128();
    // Forwards, which the processor streams best: the caller blends within one bitmap byte by byte, so the
    // order here cannot be seen.
    auto chunk = [&](int i) {
        __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
        __m128i S = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        __m128i lo = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(D, zero), va),
                                                 _mm_mullo_epi16(_mm_unpacklo_epi8(S, zero), vb)),
                                   round);
        __m128i hi = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(D, zero), va),
                                                 _mm_mullo_epi16(_mm_unpackhi_epi8(S, zero), vb)),
                                   round);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
    };
    int i = ForEachChunk(n, chunk);
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((x[i] * a + s[i] * (255 - a) + 127) >> 8);
}

namespace {

// d := (b * m + s * (256 - m)) shr 8 for n bytes, 32 at a time, as s + floor((b - s) * m / 256): the high half
// of ((b - s) shl 7) * (m shl 1), both factors within 16 signed bits.
__attribute__((target("avx2"))) void MixBytesByMaskAvx2(uint8_t* d, const uint8_t* b, const uint8_t* s,
                                                        const uint8_t* m, int n) {
    const __m256i zero = _mm256_setzero_si256();
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        __m256i S = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        __m256i M = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + i));
        __m256i sl = _mm256_unpacklo_epi8(S, zero), sh = _mm256_unpackhi_epi8(S, zero);
        __m256i lo = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_unpacklo_epi8(B, zero), sl), 7),
                                        _mm256_slli_epi16(_mm256_unpacklo_epi8(M, zero), 1));
        __m256i hi = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_unpackhi_epi8(B, zero), sh), 7),
                                        _mm256_slli_epi16(_mm256_unpackhi_epi8(M, zero), 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_packus_epi16(_mm256_add_epi16(sl, lo), _mm256_add_epi16(sh, hi)));
    }
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((b[i] * m[i] + s[i] * (256 - m[i])) >> 8);
}

}  // namespace

// d := ((b - s) * m + s * 256) shr 8 = (b * m + s * (256 - m)) shr 8 for n bytes, which never leaves 0..65280.
void MixBytesByMask(uint8_t* d, const uint8_t* b, const uint8_t* s, const uint8_t* m, int n) {
    // SSSE3 has no quicker way here: its byte-pair multiply needs weights up to 256.
    if (acPixelLoops == plAVX2) {
        MixBytesByMaskAvx2(d, b, s, m, n);
        return;
    }
    // As the wide loop: s + the high half of ((b - s) shl 7) * (m shl 1), one multiply for each eight bytes.
    const __m128i zero = _mm_setzero_si128();
    auto chunk = [&](int i) {
        __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i S = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        __m128i M = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i));
        __m128i sl = _mm_unpacklo_epi8(S, zero), sh = _mm_unpackhi_epi8(S, zero);
        __m128i lo = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(B, zero), sl), 7),
                                     _mm_slli_epi16(_mm_unpacklo_epi8(M, zero), 1));
        __m128i hi = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_unpackhi_epi8(B, zero), sh), 7),
                                     _mm_slli_epi16(_mm_unpackhi_epi8(M, zero), 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_packus_epi16(_mm_add_epi16(sl, lo), _mm_add_epi16(sh, hi)));
    };
    int i = ForEachChunk(n, chunk);
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((b[i] * m[i] + s[i] * (256 - m[i])) >> 8);
}

namespace {

// A row of a repeated piece with its mask and image share made beforehand: M[k] is the mask byte and
// P[k] = s * (256 - M[k]) for the image byte s at byte k of a period, and the row's byte i takes byte i mod Period.
// Every destination byte then costs one multiply and one add, (b * m + p) shr 8, which never leaves 0..65280.
// VM and VP hold the same numbers for the loop over repetitions: in each chunk the even bytes' numbers, then the
// odd ones'. A row prepared whole keeps them in the row's order (VM is M).
struct TPreparedRow {
    uint16_t* M;
    uint16_t* P;
    uint16_t* VM;
    uint16_t* VP;
    int Period;  // a whole number of vector chunks, or at least the row
};

// Bytes [Begin, End) of a destination row mixed over Below, which lies under Row + Begin (it may be that very
// place). First and Last are the vector chunks that fit: whole multiples of the chunk from the row's start, so that
// each chunk of a period meets the same bytes of mask and share wherever it repeats along the row.
struct TMixSegment {
    uint8_t* Row;
    const uint8_t* Below;
    int Begin, End;
    int First = 0, Last = 0, FirstInPeriod = 0;
};

// The segments' vector chunks, one chunk of the period at a time: its mask and share are loaded once and mixed
// into every repetition along every segment (rows that share a source row), d := (b * m + p) shr 8. The bytes
// are taken apart as even and odd ones rather than widened halves, which leaves the results where they belong:
// the even results shifted down, the odd ones masked, put together by one or.
void MixSegmentChunksSse2(const TMixSegment* segs, int count, const TPreparedRow& r) {
    const __m128i low = _mm_set1_epi16(0x00FF), high = _mm_set1_epi16(static_cast<short>(0xFF00));
    const int period = r.Period;
    for (int c = 0; c < period; c += 16) {
        const __m128i M0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.VM + c));
        const __m128i M1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.VM + c + 8));
        const __m128i P0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.VP + c));
        const __m128i P1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.VP + c + 8));
        for (const TMixSegment* g = segs; g < segs + count; ++g) {
            int t = c - g->FirstInPeriod;
            int i = g->First + (t < 0 ? t + period : t);  // the chunk's first repetition in the segment
            if (i + 16 > g->Last)
                continue;
            uint8_t* d = g->Row + i;
            uint8_t* const last = g->Row + (g->Last - 16);
            const uint8_t* b = g->Below + (i - g->Begin);
            for (; d <= last; d += period, b += period) {
                __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
                __m128i even = _mm_and_si128(B, low), odd = _mm_srli_epi16(B, 8);
                even = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(even, M0), P0), 8);
                odd = _mm_and_si128(_mm_add_epi16(_mm_mullo_epi16(odd, M1), P1), high);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(even, odd));
            }
        }
    }
}

// A segment of a row that the prepared row spans whole, each chunk once with its own mask and share. Here the
// numbers lie in the row's order (VM is M), made by plain copies, and the bytes are widened by halves.
void MixSegmentLinearSse2(const TMixSegment& g, const TPreparedRow& r) {
    const __m128i zero = _mm_setzero_si128();
    uint8_t* d = g.Row + g.First;
    const uint8_t* b = g.Below + (g.First - g.Begin);
    const uint16_t* m = r.M + g.First;
    const uint16_t* p = r.P + g.First;
    auto chunk = [&](int i) {
        __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i lo = _mm_unpacklo_epi8(B, zero), hi = _mm_unpackhi_epi8(B, zero);
        lo = _mm_mullo_epi16(lo, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i)));
        hi = _mm_mullo_epi16(hi, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i + 8)));
        lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8))), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    };
    ForEachChunk(g.Last - g.First, chunk);
}

// The same 32 bytes at a time.
__attribute__((target("avx2"))) void MixSegmentChunksAvx2(const TMixSegment* segs, int count, const TPreparedRow& r) {
    const __m256i low = _mm256_set1_epi16(0x00FF), high = _mm256_set1_epi16(static_cast<short>(0xFF00));
    const int period = r.Period;
    for (int c = 0; c < period; c += 32) {
        const __m256i M0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.VM + c));
        const __m256i M1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.VM + c + 16));
        const __m256i P0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.VP + c));
        const __m256i P1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.VP + c + 16));
        for (const TMixSegment* g = segs; g < segs + count; ++g) {
            int t = c - g->FirstInPeriod;
            int i = g->First + (t < 0 ? t + period : t);
            if (i + 32 > g->Last)
                continue;
            uint8_t* d = g->Row + i;
            uint8_t* const last = g->Row + (g->Last - 32);
            const uint8_t* b = g->Below + (i - g->Begin);
            for (; d <= last; d += period, b += period) {
                __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
                __m256i even = _mm256_and_si256(B, low), odd = _mm256_srli_epi16(B, 8);
                even = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(even, M0), P0), 8);
                odd = _mm256_and_si256(_mm256_add_epi16(_mm256_mullo_epi16(odd, M1), P1), high);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_or_si256(even, odd));
            }
        }
    }
}

// The vector chunk of the loops in use: the period of a prepared row is a whole number of them.
int PreparedChunk() { return acPixelLoops == plAVX2 ? 32 : 16; }

// Mixes the segments from one prepared row: the bytes outside whole chunks one at a time, the rest by the vector
// loop.
void MixSegments(TMixSegment* segs, int count, const TPreparedRow& r) {
    const int chunk = PreparedChunk();
    auto scalar = [&](const TMixSegment& g, int from, int to) {
        if (from >= to)
            return;
        for (int i = from, k = from % r.Period; i < to; ++i, k = k + 1 == r.Period ? 0 : k + 1)
            g.Row[i] = static_cast<uint8_t>((g.Below[i - g.Begin] * r.M[k] + r.P[k]) >> 8);
    };
    for (TMixSegment* g = segs; g < segs + count; ++g) {
        g->First = (g->Begin + chunk - 1) / chunk * chunk;
        g->Last = g->End / chunk * chunk;
        if (g->First >= g->Last) {
            scalar(*g, g->Begin, g->End);
            g->First = g->Last = 0;  // nothing left for the vector loop
            continue;
        }
        scalar(*g, g->Begin, g->First);
        scalar(*g, g->Last, g->End);
        g->FirstInPeriod = g->First % r.Period;
    }
    // A row prepared whole has each chunk once: the plain loop along the row does without the search for
    // repetitions.
    if (r.VM == r.M) {
        for (TMixSegment* g = segs; g < segs + count; ++g)
            MixSegmentLinearSse2(*g, r);
        return;
    }
    (acPixelLoops == plAVX2 ? MixSegmentChunksAvx2 : MixSegmentChunksSse2)(segs, count, r);
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
    const TacPixelRows& dst = FDst.Rows();
    const TacPixelRows& src = FSrc.Rows();
    int dx = DstRect.left, dy = DstRect.top, sx = SrcPoint.x, sy = SrcPoint.y;
    int w = DstRect.Width(), h = DstRect.Height();
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h))
        return;
    const unsigned a = Alpha, b = 255 - Alpha;
    // Bottom row first and right to left. Within one bitmap the areas may overlap: then byte by byte, so each
    // byte is read before it is overwritten in exactly that order.
    bool sameBitmap = FSrc.Bitmap() == FDst.Bitmap();
    for (int y = h - 1; y >= 0; --y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        if (!sameBitmap) {
            BlendBytes(d, d, s, w * 3, a);
            continue;
        }
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

uint8_t acDisabledBlend = 0;

void PaintStateEffects(TBitmap* Bmp, int Effects, TControl* Control, const TPoint& Offset, const TCacheInfo& CacheInfo) {
    if (!Bmp)
        return;
    if (Effects & acEffectGrey)
        GrayBmp(Bmp);
    if (!(Effects & acEffectDisabled))
        return;
    int kept = std::min<int>(acDisabledBlend, 100);
    if (CacheInfo.Ready && CacheInfo.Bmp) {
        TRect from = Bounds(CacheInfo.X + Offset.x, CacheInfo.Y + Offset.y, Bmp->Width(), Bmp->Height());
        // A top byte of 255 switches the transparent-colour test off: every background pixel counts.
        BlendRectBitmap(Bmp, 0, 0, static_cast<TColor>(0xFFFFFFFFu), kept ? kept / 100.0 : 0.4, from,
                        CacheInfo.Bmp);
        return;
    }
    TColor colour = CacheInfo.FillColor;
    if (colour == clFuchsia && Control)
        colour = static_cast<TColor>(Control->Perform(SM_QUORVEXCMD, MakeSkinCmd(scGetColor), 0));
    BlendColorRect(Bmp, Rect(0, 0, Bmp->Width(), Bmp->Height()), static_cast<uint8_t>(kept ? kept : 50), colour);
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
    // For the w pixels from (x, y): the columns [from, to) whose background lies in a 24-bit background bitmap,
    // and the background under column from; nil (from = to = w) when there is none.
    const uint8_t* Row(int x, int y, int w, int& from, int& to) const {
        from = to = w;
        x += FX, y += FY;
        if (!FReady || FRows.Bpp != 3 || y < 0 || y >= FRows.Height)
            return nullptr;
        int a = std::max(0, -x), b = std::min(w, FRows.Width - x);
        if (a >= b)
            return nullptr;
        from = a, to = b;
        return FRows.At(x + a, y);
    }
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

// n pixels of a row from (x, y): the image s through the mask m over the background where the background bitmap
// has the columns, and over what is there for the others.
void MixRow(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, const TBackground& bg, int x, int y) {
    int from, to;
    const uint8_t* below = bg.Row(x, y, n, from, to);
    if (!below) {
        MixBytesByMask(d, d, s, m, n * 3);
        return;
    }
    if (from > 0)
        MixBytesByMask(d, d, s, m, from * 3);
    MixBytesByMask(d + from * 3, below, s + from * 3, m + from * 3, (to - from) * 3);
    if (to < n)
        MixBytesByMask(d + to * 3, d + to * 3, s + to * 3, m + to * 3, (n - to) * 3);
}

// The segments of n pixels from (x, y), mixed from a prepared row: over the background where it has the columns,
// over what is there for the others.
int AddRowSegments(TMixSegment* segs, uint8_t* d, int n, const TBackground& bg, int x, int y) {
    int from, to, count = 0;
    const uint8_t* below = bg.Row(x, y, n, from, to);
    auto add = [&](const uint8_t* b, int begin, int end) {
        if (begin < end)
            segs[count++] = TMixSegment{d, b, begin, end};
    };
    if (!below) {
        add(d, 0, n * 3);
        return count;
    }
    add(d, 0, from * 3);
    add(below, from * 3, to * 3);
    add(d + to * 3, to * 3, n * 3);
    return count;
}

// One block of the frame through the mask that lies maskDy rows below the image:
// dst := ((below - S) * M + S * 256) shr 8, below being the background pixel when there is one.
void MaskedBlock(const TacPixelRows& dst, int dx, int dy, const TacPixelRows& src, int sx, int sy, int w, int h,
                 int maskDy, const TBackground& bg) {
    // The mask rows must lie inside the source too.
    h = std::min(h, src.Height - maskDy - sy);
    if (!ClipCopy(dst, dx, dy, src, sx, sy, w, h) || sy + maskDy < 0)
        return;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst.At(dx, dy + y);
        const uint8_t* s = src.At(sx, sy + y);
        const uint8_t* m = src.At(sx, sy + y + maskDy);
        MixRow(d, s, m, w, bg, dx, dy + y);
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

// Source row s and its mask k of a piece pieceBytes long made into the prepared row r (its arrays sized for its
// period, at least one piece or the whole destination row) that starts at byte first of the piece; chunk is the
// vector width the row is laid out for.
void PrepareRow(const TPreparedRow& r, const uint8_t* s, const uint8_t* k, int pieceBytes, int first, int chunk) {
    uint16_t *m = r.M, *p = r.P;
    const int period = r.Period, once = std::min(pieceBytes, period);
    for (int i = 0, j = first; i < once; ++i, j = j + 1 == pieceBytes ? 0 : j + 1) {
        m[i] = k[j];
        p[i] = static_cast<uint16_t>(s[j] * (256 - k[j]));
    }
    // Whole pieces, doubling: what is there already repeats with the piece.
    for (int i = once; i < period;) {
        int n = std::min(i, period - i);
        std::memcpy(m + i, m, n * sizeof(uint16_t));
        std::memcpy(p + i, p, n * sizeof(uint16_t));
        i += n;
    }
    if (r.VM == r.M)
        return;
    uint16_t *vm = r.VM, *vp = r.VP;
    const int half = chunk / 2;
    for (int c = 0; c < period; c += chunk)
        for (int j = 0; j < half; ++j) {
            vm[c + j] = m[c + 2 * j], vm[c + half + j] = m[c + 2 * j + 1];
            vp[c + j] = p[c + 2 * j], vp[c + half + j] = p[c + 2 * j + 1];
        }
}

// Repeats the sw x sh source piece (and its mask maskDy rows lower) over the dw x dh destination area through the
// mask, the last repetition cut.
void MaskedTiles(const TacPixelRows& dst, int dx, int dy, int dw, int dh, const TacPixelRows& src, int sx, int sy,
                 int sw, int sh, int maskDy, const TBackground& bg) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    if (sx < 0 || sy < 0 || sx + sw > src.Width || sy + sh + maskDy > src.Height || maskDy < 0) {
        // A piece that is not wholly inside its bitmap: the block copy clips each repetition.
        Tile(dx, dy, dw, dh, sw, sh, [&](int x, int y, int tw, int th) {
            MaskedBlock(dst, x, y, src, sx, sy, tw, th, maskDy, bg);
        });
        return;
    }
    int x0 = std::max(dx, 0), x1 = std::min(dx + dw, dst.Width);
    int y0 = std::max(dy, 0), y1 = std::min(dy + dh, dst.Height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const int n = x1 - x0, rowBytes = n * 3, pieceBytes = sw * 3;
    const int rows = std::min(sh, y1 - y0);  // rows a piece height apart share their source row
    // The period of a prepared row: whole pieces that are also whole vector chunks, so that each chunk of it
    // repeats unchanged along the destination row. Fewer than four repetitions along the row save less than
    // finding them costs: the row is then prepared whole.
    const int chunk = PreparedChunk();
    const int repeating = pieceBytes * (chunk / std::gcd(pieceBytes, chunk));
    const int wholeRow = (rowBytes + chunk - 1) / chunk * chunk;
    const bool whole = repeating * 4 > rowBytes;
    const int period = whole ? wholeRow : repeating;
    // Making a row costs about what mixing its bytes does, so rows are made only when they are used many times
    // over (the repeated centre of a frame) and are long enough for the vector loop (not a frame's side);
    // otherwise each repetition is mixed straight from the piece.
    if (rowBytes < 2 * chunk || static_cast<size_t>(rows) * period * 4 > static_cast<size_t>(y1 - y0) * rowBytes) {
        for (int y = y0; y < y1; ++y) {
            int row = (y - dy) % sh;
            const uint8_t* s = src.At(sx, sy + row);
            const uint8_t* m = src.At(sx, sy + row + maskDy);
            for (int x = x0; x < x1;) {
                int col = (x - dx) % sw, run = std::min(sw - col, x1 - x);
                MixRow(dst.At(x, y), s + col * 3, m + col * 3, run, bg, x, y);
                x += run;
            }
        }
        return;
    }
    // The buffers are kept from call to call: a buffer made afresh each time comes as new pages from the system,
    // and faulting them in costs more than the mixing. The painters run on the main thread only. Each holds one
    // row at a time (rows that share a source row are mixed one after the other), so none outgrows the widest
    // row painted.
    const int first = (x0 - dx) % sw * 3;
    if (whole && acPixelLoops == plAVX2) {
        // Thirty-two bytes at a time the mixing is cheap enough that making 16-bit numbers costs more than it
        // saves: the source row and its mask are repeated across the row as they are.
        static std::vector<uint8_t> repeated;
        repeated.resize(std::max(repeated.size(), static_cast<size_t>(rowBytes) * 2));
        uint8_t* image = repeated.data();
        uint8_t* mask = image + rowBytes;
        for (int slot = 0; slot < rows; ++slot) {
            const int row = (y0 + slot - dy) % sh;
            const uint8_t* s = src.At(sx, sy + row);
            const uint8_t* k = src.At(sx, sy + row + maskDy);
            for (int i = 0, j = first; i < rowBytes;) {
                int run = std::min(pieceBytes - j, rowBytes - i);
                std::memcpy(image + i, s + j, run);
                std::memcpy(mask + i, k + j, run);
                i += run, j = 0;
            }
            for (int y = y0 + slot; y < y1; y += rows)
                MixRow(dst.At(x0, y), image, mask, n, bg, x0, y);
        }
        return;
    }
    static std::vector<uint16_t> prepared;
    // A row prepared whole needs its numbers once, in the row's order; a repeating one needs them twice.
    prepared.resize(std::max(prepared.size(), static_cast<size_t>(period) * (whole ? 2 : 4)));
    // Rows that share a source row are mixed together, a few at a time so that the bytes one chunk of the period
    // touches in them stay in the processor's cache for the next chunk.
    constexpr int batchRows = 16;
    TMixSegment segs[batchRows * 3];
    uint16_t* m = prepared.data();
    const TPreparedRow r = whole ? TPreparedRow{m, m + period, m, m + period, period}
                                 : TPreparedRow{m, m + period, m + 2 * period, m + 3 * period, period};
    for (int slot = 0; slot < rows; ++slot) {
        const int row = (y0 + slot - dy) % sh;
        PrepareRow(r, src.At(sx, sy + row), src.At(sx, sy + row + maskDy), pieceBytes, first, chunk);
        int count = 0, batched = 0;
        for (int y = y0 + slot; y < y1; y += rows) {
            count += AddRowSegments(segs + count, dst.At(x0, y), n, bg, x0, y);
            if (++batched == batchRows) {
                MixSegments(segs, count, r);
                count = batched = 0;
            }
        }
        if (count)
            MixSegments(segs, count, r);
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

namespace {

// Destination and source areas of one of the nine pieces of a frame.
struct TFramePiece {
    int dx, dy, dw, dh, sx, sy, sw, sh;
};
// Where a frame of Mask's state State puts its nine pieces inside R: the corners (top-left, top-right,
// bottom-left, bottom-right) once, the sides (top, bottom, left, right) and the centre repeated from their
// source pieces. StateHeight is the height of one state image, which is also how far below it its mask lies.
struct TFrameLayout {
    TFramePiece Corners[4];
    TFramePiece Sides[5];
    int StateHeight;
};
enum { fsTop, fsBottom, fsLeft, fsRight, fsCentre };
enum { fcTopLeft, fcTopRight, fcBottomLeft, fcBottomRight };

TFrameLayout FrameLayout(const TRect& R, int State, const TsMaskData& Mask) {
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
    return {{{x0, y0, L, T, sx, sy, L, T},
             {x1 - Rt, y0, Rt, T, sx + w - Rt, sy, Rt, T},
             {x0, y1 - B, L, B, sx, sy + h - B, L, B},
             {x1 - Rt, y1 - B, Rt, B, sx + w - Rt, sy + h - B, Rt, B}},
            {{x0 + L, y0, innerW, T, sx + L, sy, cw, T},
             {x0 + L, y1 - B, innerW, B, sx + L, sy + h - B, cw, B},
             {x0, y0 + T, L, innerH, sx, sy + T, L, ch},
             {x1 - Rt, y0 + T, Rt, innerH, sx + w - Rt, sy + T, Rt, ch},
             {x0 + L, y0 + T, innerW, innerH, sx + L, sy + T, cw, ch}},
            h};
}

}  // namespace

void DrawMaskedFrame(TBitmap* Bmp, const TRect& R, int State, const TsMaskData& Mask, const TCacheInfo& CacheInfo,
                     bool FillCentre) {
    if (State <= 0 && (Mask.DrawMode & 2))
        return;
    if (!Bmp || R.Width() < 2 || R.Height() < 2 || !Mask.Manager)
        return;
    TBitmap* source = MaskSourceBitmap(Mask);
    TacPixelRows dst, src;
    if (!AttachRows(Bmp, 3, dst) || !AttachRows(source, 3, src))
        return;
    TFrameLayout frame = FrameLayout(R, State, Mask);
    if (!FillCentre)
        frame.Sides[fsCentre].dw = 0;
    TBackground bg(CacheInfo);

    if (Mask.MaskType > 0) {
        for (const TFramePiece& p : frame.Corners)
            MaskedBlock(dst, p.dx, p.dy, src, p.sx, p.sy, p.dw, p.dh, frame.StateHeight, bg);
        for (const TFramePiece& p : frame.Sides)
            MaskedTiles(dst, p.dx, p.dy, p.dw, p.dh, src, p.sx, p.sy, p.sw, p.sh, frame.StateHeight, bg);
        return;
    }
    for (const TFramePiece& p : frame.Corners)
        TransBlock(dst, p.dx, p.dy, src, p.sx, p.sy, p.dw, p.dh, bg);
    HDC dc = Bmp->Canvas()->Handle();
    HDC sdc = source->Canvas()->Handle();
    if (Mask.DrawMode & 1) {
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        POINT oldOrg;
        SetBrushOrgEx(dc, 0, 0, &oldOrg);
        for (const TFramePiece& p : frame.Sides)
            if (p.dw > 0 && p.dh > 0 && p.sw > 0 && p.sh > 0)
                StretchBlt(dc, p.dx, p.dy, p.dw, p.dh, sdc, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
        SetBrushOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
        SetStretchBltMode(dc, oldMode);
    } else {
        for (const TFramePiece& p : frame.Sides)
            TileBltArea(dc, p.dx, p.dy, p.dw, p.dh, sdc, p.sx, p.sy, p.sw, p.sh);
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

namespace {

// Redoes the see-through pixels of one frame piece over below(x, y) (the background's blue, green and red, nil
// where there is none): the piece's source repeats over its area as the frame painter repeats it.
template <class Below>
void RecomposePiece(const TacPixelRows& dst, const TFramePiece& p, const TacPixelRows& src, int maskDy,
                    const Below& below) {
    if (p.dw <= 0 || p.dh <= 0 || p.sw <= 0 || p.sh <= 0)
        return;
    int x0 = std::max(p.dx, 0), x1 = std::min(p.dx + p.dw, dst.Width);
    int y0 = std::max(p.dy, 0), y1 = std::min(p.dy + p.dh, dst.Height);
    for (int y = y0; y < y1; ++y) {
        int sy = p.sy + (y - p.dy) % p.sh;
        if (!src.Inside(0, sy) || (maskDy > 0 && !src.Inside(0, sy + maskDy)))
            continue;
        for (int x = x0; x < x1; ++x) {
            int sx = p.sx + (x - p.dx) % p.sw;
            if (!src.Inside(sx, sy))
                continue;
            const uint8_t* s = src.At(sx, sy);
            const uint8_t* m = maskDy > 0 ? src.At(sx, sy + maskDy) : nullptr;
            // Only what the image lets show through is redone; its opaque pixels may have been painted over since.
            if (m ? (m[0] | m[1] | m[2]) == 0 : !IsFuchsia(s))
                continue;
            const uint8_t* b = below(x, y);
            if (!b)
                continue;
            uint8_t* d = dst.At(x, y);
            for (int c = 0; c < 3; ++c)
                d[c] = m ? static_cast<uint8_t>((b[c] * m[c] + s[c] * (256 - m[c])) >> 8) : b[c];
        }
    }
}

}  // namespace

void UpdateCacheBorders(TsCommonData* SkinData, int Parts) {
    if (!SkinData || !(Parts & acAllBorders))
        return;
    TControl* owner = SkinData->OwnerControl();
    TsSkinManager* manager = SkinData->SkinManager();
    if (!owner || !owner->Parent() || !manager || !manager->IsValidImgIndex(SkinData->BorderIndex))
        return;
    if (owner->Width() < 2 || owner->Height() < 2)
        return;
    TsMaskData mask = manager->Masks[SkinData->BorderIndex];
    if (mask.ImageCount == 0 && mask.Bmp) {
        mask.ImageCount = 3;
        mask.MaskType = 1;
    }
    if (mask.DrawMode & 2)
        return;
    TacPixelRows dst, src;
    if (!AttachRows(SkinData->CacheBmp(), 3, dst) || !AttachRows(MaskSourceBitmap(mask), 3, src))
        return;

    TacBGInfo info;
    QueryControlBGInfo(info, owner->Parent(), false);
    TCacheInfo ci;
    FillBGInfo(info, ci);
    std::function<const uint8_t*(int, int)> below;
    uint8_t colour[3];
    TBackground bg(InitCacheInfo(ci.Bmp, ci.X + owner->Left(), ci.Y + owner->Top()));
    if (ci.Ready) {
        if (!bg.Ready())
            return;
        below = [&bg](int x, int y) { return bg.At(x, y); };
    } else {
        colour[0] = (ci.FillColor >> 16) & 0xFF, colour[1] = (ci.FillColor >> 8) & 0xFF, colour[2] = ci.FillColor & 0xFF;
        below = [&colour](int, int) -> const uint8_t* { return colour; };
    }

    const TFrameLayout frame = FrameLayout(Rect(0, 0, owner->Width(), owner->Height()), 0, mask);
    int maskDy = mask.MaskType > 0 ? frame.StateHeight : 0;
    bool sides = mask.MaskType > 0 || !(mask.DrawMode & 1);
    struct Part {
        int Bit, Side, Corner1, Corner2;
    };
    static const Part parts[4] = {{acBorderLeft, fsLeft, fcTopLeft, fcBottomLeft},
                                  {acBorderTop, fsTop, fcTopLeft, fcTopRight},
                                  {acBorderRight, fsRight, fcTopRight, fcBottomRight},
                                  {acBorderBottom, fsBottom, fcBottomLeft, fcBottomRight}};
    bool cornerDone[4] = {};
    for (const Part& part : parts) {
        if (!(Parts & part.Bit))
            continue;
        for (int corner : {part.Corner1, part.Corner2})
            if (!cornerDone[corner]) {
                RecomposePiece(dst, frame.Corners[corner], src, maskDy, below);
                cornerDone[corner] = true;
            }
        if (sides)
            RecomposePiece(dst, frame.Sides[part.Side], src, maskDy, below);
    }
}
