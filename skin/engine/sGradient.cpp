#include "sGradient.h"

#include "acntUtils.h"

#include "classlib/SysUtils.h"

void ParseGradientData(const std::string& Text, TsGradArray& Data) {
    Data.clear();
    if (Text.empty())
        return;
    int count = WordCount(Text, ";") / 5;
    Data.reserve(count);
    for (int i = 0; i < count; ++i) {
        TsGradPie pie;
        pie.Color1 = StrToInt(ExtractWord(5 * i + 1, Text, ";"));
        pie.Color2 = StrToInt(ExtractWord(5 * i + 2, Text, ";"));
        // A share outside 0..100 is no share of anything: a negative one would wrap into a huge band.
        int percent = StrToInt(ExtractWord(5 * i + 3, Text, ";"));
        pie.Percent = static_cast<uint8_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
        pie.Mode = StrToInt(ExtractWord(5 * i + 4, Text, ";"));
        Data.push_back(pie);
    }
}

void ColorToPixel24(TColor Color, TsColor24& Pixel) {
    Pixel.R = static_cast<uint8_t>(Color & 0xFF);
    Pixel.G = static_cast<uint8_t>((Color >> 8) & 0xFF);
    Pixel.B = static_cast<uint8_t>((Color >> 16) & 0xFF);
}
