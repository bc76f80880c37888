#include "PngButtonFunctions.h"

TButtonGlyphLayout CalcGlyphLayout(TSize ClientSize, TSize GlyphSize, TSize TextSize, TPoint Offset,
                                   TGlyphPlace Place, int Margin, int Spacing, bool RightToLeft, bool Pressed) {
    if (RightToLeft && (Place == gpLeft || Place == gpRight))
        Place = Place == gpLeft ? gpRight : gpLeft;
    const bool across = Place == gpLeft || Place == gpRight;
    TPoint glyph, text;
    // Centred on the other axis; the glyph's odd pixel goes below or to the right.
    if (across)
        glyph.y = (ClientSize.cy - GlyphSize.cy + 1) / 2;
    else
        glyph.x = (ClientSize.cx - GlyphSize.cx + 1) / 2;

    if (TextSize.cx == 0 || GlyphSize.cx == 0)
        Spacing = 0;
    const int extent = across ? ClientSize.cx : ClientSize.cy;
    const int glyphExtent = across ? GlyphSize.cx : GlyphSize.cy;
    const int textExtent = across ? TextSize.cx : TextSize.cy;
    if (Margin == -1) {
        if (Spacing == -1) {
            Margin = (extent - (glyphExtent + textExtent)) / 3;
            Spacing = Margin;
        } else {
            Margin = (extent - (glyphExtent + Spacing + textExtent)) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (extent - Margin - glyphExtent - textExtent) / 2;
    }

    switch (Place) {
        case gpLeft:
            glyph.x = Margin;
            break;
        case gpRight:
            glyph.x = ClientSize.cx - Margin - GlyphSize.cx;
            break;
        case gpTop:
            glyph.y = Margin;
            break;
        case gpBottom:
            glyph.y = ClientSize.cy - Margin - GlyphSize.cy;
            break;
    }
    if (across)
        text.y = (ClientSize.cy - TextSize.cy) / 2;
    else
        text.x = (ClientSize.cx - TextSize.cx) / 2;
    switch (Place) {
        case gpLeft:
            text.x = glyph.x + GlyphSize.cx + Spacing;
            break;
        case gpRight:
            text.x = glyph.x - Spacing - TextSize.cx;
            break;
        case gpTop:
            text.y = glyph.y + GlyphSize.cy + Spacing;
            break;
        case gpBottom:
            text.y = glyph.y - Spacing - TextSize.cy;
            break;
    }

    const int d = Pressed ? 1 : 0;
    TButtonGlyphLayout result;
    result.GlyphPos = TPoint(glyph.x + Offset.x + d, glyph.y + Offset.y + d);
    const TPoint at(text.x + Offset.x + d, text.y + Offset.y + d);
    result.TextBounds = TRect(at.x, at.y, at.x + TextSize.cx, at.y + TextSize.cy);
    return result;
}
