#include "HostileSkinSamples.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

std::string Format(const char* Pattern, int A, int B = 0) {
    char text[256];
    std::snprintf(text, sizeof text, Pattern, A, B);
    return text;
}

// The small sound skin every shape builds on: a master bitmap with framed states, one own bitmap and a few
// sections with every image format the shapes use.
SampleSkin BaseSkin(const std::string& Name) {
    SampleSkin skin;
    skin.Name = Name;
    skin.Files.push_back({"Options.dat",
                          "[GLOBALINFO]\r\nVERSION=6.0\r\nMASTERBITMAP=M.BMP\r\nCOLOR=12632256\r\n"
                          "BOXCHECKED=@0000,0000,0030,0020,3,1\r\n"
                          "[BUTTON]\r\nCOLOR=255\r\nFONTCOLOR=0\r\nGRADIENTDATA=255;65280;50;0;0\r\n"
                          "BORDERSMASK=^0000,0000,0030,0020,0002,0002,0002,0002,3,1,0,0\r\n"
                          "[EDIT]\r\nPARENTCLASS=BUTTON\r\nBORDERSMASK=!E.BMP!3!1!0!2!2!2!2\r\n"
                          "[PANEL]\r\nPARENTCLASS=EDIT\r\nGLYPHMASK=E.BMP\r\n"});
    skin.Files.push_back({"M.BMP", BmpFile24(64, 32, [](int x, int y) {
                              return static_cast<SampleColor>((x * 4) | ((y * 8) << 8) | 0x400000);
                          })});
    skin.Files.push_back({"E.BMP", BmpFile24(24, 16, [](int x, int) { return x < 8 ? 0xFF00FFu : 0x00C080u; })});
    return skin;
}

std::string& Options(SampleSkin& Skin) { return Skin.Files[0].Data; }

// A section that gives every key of the vocabulary, as a thorough skin writes it.
std::string FullSection(const std::string& Name) {
    return "[" + Name +
           "]\r\nPARENTCLASS=BUTTON\r\nCOLOR=8421504\r\nFONTCOLOR=0\r\nTCLEFT=-1\r\nTCTOP=-1\r\nTCRIGHT=-1\r\n"
           "TCBOTTOM=-1\r\nHOTFONTCOLOR=255\r\nHOTTCLEFT=-1\r\nHOTTCTOP=-1\r\nHOTTCRIGHT=-1\r\nHOTTCBOTTOM=-1\r\n"
           "GIVEOWNFONT=FALSE\r\nRESERVEDBOOLEAN=FALSE\r\nTRANSPARENCY=0\r\nGRADIENTPERCENT=40\r\n"
           "GRADIENTDATA=16777215;12632256;50;0;0;12632256;8421504;50;0;0\r\nIMAGEPERCENT=0\r\nSHOWFOCUS=TRUE\r\n"
           "FADINGENABLED=TRUE\r\nFADINGITERATIONS=5\r\nHOTCOLOR=12632256\r\nHOTTRANSPARENCY=0\r\n"
           "HOTGRADIENTPERCENT=40\r\nHOTGRADIENTDATA=16777215;8421504;100;0;0\r\nHOTIMAGEPERCENT=0\r\n"
           "BORDERSMASK=^0000,0000,0030,0020,0002,0002,0002,0002,3,1,0,0\r\n";
}

std::string Gradient(int Stops) {
    std::string text;
    for (int i = 0; i < Stops; ++i)
        text += Format("%d;%d;10;0;0;", i * 7919 % 16777216, i * 104729 % 16777216);
    return text;
}

}  // namespace

const std::vector<THostileShape>& HostileShapes() {
    static const std::vector<THostileShape> shapes = {
        THostileShape::Chain,    THostileShape::Cycle,       THostileShape::LongGradient, THostileShape::ManySections,
        THostileShape::ManyKeys, THostileShape::ManyBitmaps, THostileShape::PackedItems,  THostileShape::BigBitmap};
    return shapes;
}

const char* HostileShapeName(THostileShape Shape) {
    switch (Shape) {
    case THostileShape::Chain:
        return "parent chain";
    case THostileShape::Cycle:
        return "parent loops";
    case THostileShape::LongGradient:
        return "long gradient";
    case THostileShape::ManySections:
        return "many sections";
    case THostileShape::ManyKeys:
        return "keys naming one image";
    case THostileShape::ManyBitmaps:
        return "distinct bitmaps";
    case THostileShape::PackedItems:
        return "packed items";
    case THostileShape::BigBitmap:
        return "big bitmap";
    }
    throw std::invalid_argument("no such hostile shape");
}

SampleSkin MakeHostileSkin(THostileShape Shape, int Size, const std::string& Name) {
    SampleSkin skin = BaseSkin(Name);
    std::string text = Options(skin);
    std::vector<SkinFile> files;
    switch (Shape) {
    case THostileShape::Chain:
        text += "[C0]\r\nPARENTCLASS=BUTTON\r\nCOLOR=65280\r\n";
        for (int i = 1; i < Size; ++i)
            text += Format("[C%d]\r\nPARENTCLASS=C%d\r\n", i, i - 1);
        // A section the library looks up at every load, at the far end of the chain.
        text += Format("[SCROLLBAR1H]\r\nPARENTCLASS=C%d\r\n", Size - 1);
        break;
    case THostileShape::Cycle:
        for (int i = 0; i < Size; ++i)
            text += Format("[L%d]\r\nPARENTCLASS=L%d\r\n", i, (i + 1) % Size);
        text +=
            "[TABTOP]\r\nPARENTCLASS=TABBOTTOM\r\n[TABBOTTOM]\r\nPARENTCLASS=TABTOP\r\n"
            "[SCROLLBTNTOP]\r\nPARENTCLASS=SCROLLBTNBOTTOM\r\n[SCROLLBTNBOTTOM]\r\nPARENTCLASS=SCROLLBTNTOP\r\n"
            "[SCROLLSLIDERV]\r\nPARENTCLASS=L0\r\n";
        break;
    case THostileShape::LongGradient: {
        std::string stops = Gradient(Size);
        text += "[GRAD]\r\nGRADIENTDATA=" + stops + "\r\nHOTGRADIENTDATA=" + stops + "\r\n";
        for (int i = 0; i < 64; ++i)
            text += Format("[G%d]\r\nPARENTCLASS=GRAD\r\n", i);
        break;
    }
    case THostileShape::ManySections:
        for (int i = 0; i < Size; ++i)
            text += FullSection(Format("S%d", i));
        break;
    case THostileShape::ManyKeys:
        for (int i = 0; i < Size; ++i) {
            if (i % 256 == 0)
                text += Format("[KEYS%d]\r\n", i / 256);
            text += i % 2 ? Format("K%d=E.BMP\r\n", i) : Format("K%d=~0000,0000,0010,0010,00\r\n", i);
        }
        break;
    case THostileShape::ManyBitmaps:
        for (int i = 0; i < Size; ++i) {
            if (i % 256 == 0)
                text += Format("[BITMAPS%d]\r\n", i / 256);
            text += Format("K%d=!B%d.BMP!1!0!0\r\n", i, i) + Format("L%d=B%d.BMP\r\n", i, i);
            SampleColor c = static_cast<SampleColor>(i * 2654435761u) & 0xFFFFFF;
            files.push_back({Format("B%d.BMP", i), BmpFile24(2, 2, [c](int, int) { return c; })});
        }
        break;
    case THostileShape::PackedItems:
        for (int i = 0; i < Size; ++i) {
            files.push_back({Format("I%d.DAT", i), Format("item %d", i)});
            if (i % 256 == 0)
                text += Format("[MISSING%d]\r\n", i / 256);
            text += Format("K%d=X%d.BMP\r\n", i, i);
        }
        break;
    case THostileShape::BigBitmap:
        files.push_back({"BIG.BMP", BmpFile8(Size, Size, [](int x, int y) { return (x / 16 + y / 16) & 0xFF; })});
        text += "[BIG]\r\n";
        for (int i = 0; i < 16; ++i)
            text += i % 2 ? Format("K%d=BIG.BMP\r\n", i) : Format("K%d=!BIG.BMP!3!1!0\r\n", i);
        break;
    }
    Options(skin) = std::move(text);
    for (SkinFile& f : files)
        skin.Files.push_back(std::move(f));
    return skin;
}

SampleSkin MakeSoundSkinOfSize(size_t OptionsBytes, size_t OtherBytes, const std::string& Name) {
    SampleSkin skin = BaseSkin(Name);
    std::string& text = Options(skin);
    for (int i = 0; text.size() < OptionsBytes; ++i)
        text += FullSection(Format("S%d", i));
    if (OtherBytes > 0) {
        text += "[PAD]\r\nBORDERSMASK=PAD.BMP\r\n";
        // One picture of about that many bytes, a few rows high.
        int width = static_cast<int>(std::max<size_t>(1, OtherBytes / (3 * 64)));
        skin.Files.push_back({"PAD.BMP", BmpFile24(width, 64, [](int x, int y) {
                                  return static_cast<SampleColor>((x * 3) ^ (y * 5));
                              })});
    }
    return skin;
}

size_t SkinBytes(const SampleSkin& Skin) {
    size_t bytes = 0;
    for (const SkinFile& f : Skin.Files)
        bytes += f.Data.size();
    return bytes;
}
