#include "PaintSkinSamples.h"

#include <cstdio>
#include <vector>

using namespace PaintSkin;

namespace {

constexpr SampleColor kMagenta = 0xFF00FF, kWhite = 0xFFFFFF, kBlack = 0;

class Master {
public:
    Master() : P(static_cast<size_t>(W) * H, 0x404040) {}
    void Fill(int l, int t, int r, int b, SampleColor c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                Set(x, y, c);
    }
    void Set(int x, int y, SampleColor c) { P[static_cast<size_t>(y) * W + x] = c; }
    std::string Bmp() const {
        return BmpFile24(W, H, [this](int x, int y) { return P[static_cast<size_t>(y) * W + x]; });
    }
    static constexpr int W = 128, H = 80;
    std::vector<SampleColor> P;
};

// A 16 x 16 state at (l, t): the border ring in edge, the inside in centre.
void FrameState(Master& m, int l, int t, SampleColor edge, SampleColor centre) {
    m.Fill(l, t, l + FrameSize, t + FrameSize, edge);
    m.Fill(l + FrameBorder, t + FrameBorder, l + FrameSize - FrameBorder, t + FrameSize - FrameBorder, centre);
}

std::string MasterBitmap() {
    Master m;
    m.Fill(0, 0, 16, 16, Tex);
    m.Fill(16, 0, 20, 8, TwoA);
    m.Fill(20, 0, 24, 8, TwoB);
    // The overlay texture: 8 x 8 image, its mask below (left half shows the image, right half keeps what is there).
    m.Fill(24, 0, 32, 8, Over);
    m.Fill(24, 8, 28, 16, kBlack);
    m.Fill(28, 8, 32, 16, kWhite);
    // The graded overlay: the same image over a mask of mid grey, which mixes image and what lies below.
    m.Fill(32, 0, 40, 8, Over);
    m.Fill(32, 8, 40, 16, GradedMask);
    // The gradient-free flat texture used by the mixed section lies in the first texture.
    for (int s = 0; s < 3; ++s) {
        int l = s * FrameSize;
        FrameState(m, l, 16, FrameEdge[s], FrameCentre[s]);
        for (int y : {16, 16 + FrameSize - 1}) {
            for (int k = 0; k < 3; ++k) {
                m.Set(l + k, y, kMagenta);
                m.Set(l + FrameSize - 1 - k, y, kMagenta);
            }
        }
        m.Set(l, 17, kMagenta);
        m.Set(l + FrameSize - 1, 17, kMagenta);
        m.Set(l, 16 + FrameSize - 2, kMagenta);
        m.Set(l + FrameSize - 1, 16 + FrameSize - 2, kMagenta);
        // The masked frame and its mask.
        FrameState(m, l, 32, MaskedEdge[s], MaskedEdge[s]);
        m.Fill(l, 48, l + FrameSize, 64, kWhite);
        m.Fill(l + 1, 49, l + FrameSize - 1, 63, kBlack);
    }
    for (int k = 0; k < 4; ++k) {
        int l = 64 + k * CornerSize;
        m.Fill(l, 0, l + CornerSize, CornerSize, Corner[k]);
        int cx = k % 2 ? CornerSize - 1 : 0, cy = k / 2 ? CornerSize - 1 : 0;
        m.Set(l + cx, cy, kMagenta);
    }
    return m.Bmp();
}

std::string Field(const char* format, int a, int b, int c, int d) {
    char v[64];
    snprintf(v, sizeof v, format, a, b, c, d);
    return v;
}

std::string Frame(int top, int maskType, int drawMode) {
    char v[64];
    snprintf(v, sizeof v, "^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,3,%d,%d,0", 0, top, 3 * FrameSize,
             top + FrameSize * (maskType + 1), FrameBorder, FrameBorder, FrameBorder, FrameBorder, maskType, drawMode);
    return v;
}

std::string Corners() {
    static const char* keys[4] = {"IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT"};
    std::string s;
    for (int k = 0; k < 4; ++k) {
        int l = 64 + k * CornerSize;
        s += std::string(keys[k]) + "=" + Field("@%04d,%04d,%04d,%04d,1,0", l, 0, l + CornerSize, CornerSize) + "\r\n";
    }
    return s;
}

std::string Colour(SampleColor c) { return std::to_string(c); }

}  // namespace

SampleSkin MakePaintSkin(const std::string& name) {
    const std::string tex = "PATTERN=~0000,0000,0016,0016,00\r\n";
    const std::string gradient = "GRADIENTDATA=" + Colour(GradTop) + ";" + Colour(GradBottom) + ";100;0;0\r\n";
    const std::string flat = "GRADIENTDATA=" + Colour(GradFlat) + ";" + Colour(GradFlat) + ";100;0;0\r\n";
    std::string text = "[GLOBALINFO]\r\nVERSION=6.0\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=15790320\r\n\r\n";
    text += "[SOLID]\r\nCOLOR=" + Colour(Solid) + "\r\nHOTCOLOR=" + Colour(SolidHot) + "\r\n\r\n";
    text += "[TEXTURE]\r\nCOLOR=" + Colour(Solid) + "\r\n" + tex + "IMAGEPERCENT=100\r\n\r\n";
    text += "[TILED]\r\nCOLOR=" + Colour(Solid) + "\r\nPATTERN=~0016,0000,0024,0008,00\r\nIMAGEPERCENT=100\r\n\r\n";
    text += "[STRETCHED]\r\nCOLOR=" + Colour(Solid) + "\r\nPATTERN=~0016,0000,0024,0008,01\r\nIMAGEPERCENT=100\r\n\r\n";
    text += "[GRADIENT]\r\nCOLOR=" + Colour(Solid) + "\r\nGRADIENTPERCENT=100\r\n" + gradient + "\r\n";
    text += "[MIXED]\r\nCOLOR=" + Colour(Solid) + "\r\n" + tex + "IMAGEPERCENT=50\r\nGRADIENTPERCENT=50\r\n" + flat +
            "\r\n";
    text += "[MIXEDCOLUMNS]\r\nCOLOR=" + Colour(Solid) + "\r\n" + tex + "IMAGEPERCENT=50\r\nGRADIENTPERCENT=50\r\n" +
            "GRADIENTDATA=" + Colour(GradTop) + ";" + Colour(GradBottom) + ";100;1;0\r\n\r\n";
    text += "[PARTIAL]\r\nCOLOR=" + Colour(MixColour) + "\r\n" + tex + "IMAGEPERCENT=40\r\n\r\n";
    text += "[HALF]\r\nCOLOR=" + Colour(Half) + "\r\nTRANSPARENCY=50\r\n\r\n";
    text += "[CLEAR]\r\nCOLOR=" + Colour(Solid) + "\r\nTRANSPARENCY=100\r\n\r\n";
    text += "[CLEARTEXTURED]\r\nCOLOR=" + Colour(Solid) + "\r\nTRANSPARENCY=100\r\nHOTTRANSPARENCY=100\r\n" + tex +
            "IMAGEPERCENT=100\r\nHOTIMAGEPERCENT=100\r\n\r\n";
    text += "[OVERLAYGRADED]\r\nCOLOR=" + Colour(Solid) + "\r\nPATTERN=~0032,0000,0040,0016,10,1\r\nIMAGEPERCENT=60\r\n\r\n";
    text += "[OVERLAY]\r\nCOLOR=" + Colour(Solid) + "\r\nPATTERN=~0024,0000,0032,0016,10,1\r\nIMAGEPERCENT=100\r\n\r\n";
    text += "[FRAMED]\r\nCOLOR=" + Colour(Framed) + "\r\nHOTCOLOR=" + Colour(Framed) + "\r\nBORDERSMASK=" + Frame(16, 0, 0) + "\r\n\r\n";
    text += "[FRAMEDONSTATE]\r\nCOLOR=" + Colour(Framed) + "\r\nHOTCOLOR=" + Colour(Framed) + "\r\nBORDERSMASK=" + Frame(16, 0, 2) + "\r\n\r\n";
    text += "[MASKED]\r\nCOLOR=" + Colour(Framed) + "\r\nHOTCOLOR=" + Colour(Framed) + "\r\nBORDERSMASK=" + Frame(32, 1, 0) + "\r\n\r\n";
    text += "[CORNERS]\r\nCOLOR=" + Colour(Solid) + "\r\n" + Corners() + "\r\n";
    text += "[FORMLIKE]\r\nCOLOR=" + Colour(Solid) + "\r\n" + tex + "IMAGEPERCENT=50\r\nGRADIENTPERCENT=50\r\n" +
            gradient + "BORDERSMASK=" + Frame(16, 0, 0) + "\r\n" + Corners() + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back({"MASTER.BMP", MasterBitmap()});
    return skin;
}
