#include "PngButtonFunctions.h"

#include "classlib/visual/ActnList.h"
#include "classlib/visual/Menus.h"
#include "pngctl/PngFunctions.h"

#include <uxtheme.h>

TButtonGlyphLayout CalcGlyphLayout(TSize ClientSize, TSize GlyphSize, TSize TextSize, TPoint Offset,
                                   TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft, bool Pressed) {
    if (RightToLeft && (Layout == blGlyphLeft || Layout == blGlyphRight))
        Layout = Layout == blGlyphLeft ? blGlyphRight : blGlyphLeft;
    const bool across = Layout == blGlyphLeft || Layout == blGlyphRight;
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

    switch (Layout) {
        case blGlyphLeft:
            glyph.x = Margin;
            break;
        case blGlyphRight:
            glyph.x = ClientSize.cx - Margin - GlyphSize.cx;
            break;
        case blGlyphTop:
            glyph.y = Margin;
            break;
        case blGlyphBottom:
            glyph.y = ClientSize.cy - Margin - GlyphSize.cy;
            break;
    }
    if (across)
        text.y = (ClientSize.cy - TextSize.cy) / 2;
    else
        text.x = (ClientSize.cx - TextSize.cx) / 2;
    switch (Layout) {
        case blGlyphLeft:
            text.x = glyph.x + GlyphSize.cx + Spacing;
            break;
        case blGlyphRight:
            text.x = glyph.x - Spacing - TextSize.cx;
            break;
        case blGlyphTop:
            text.y = glyph.y + GlyphSize.cy + Spacing;
            break;
        case blGlyphBottom:
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

void CalcButtonLayout(TCanvas* Canvas, TPNGObject* Png, const TRect& Client, TPoint Offset, const std::string& Caption,
                      TButtonLayout Layout, int Margin, int Spacing, TPoint& GlyphPos, TRect& TextBounds,
                      UINT BiDiFlags, bool Pressed, bool Down) {
    TSize glyph(0, 0), text(0, 0);
    if (Png && !Png->Empty())
        glyph = TSize(Png->Width(), Png->Height());
    if (!Caption.empty()) {
        TRect measured(0, 0, Client.Width(), 0);
        DrawTextOn(Canvas, Caption, measured, DT_CALCRECT | BiDiFlags);
        text = TSize(measured.Width(), measured.Height());
    }
    const TButtonGlyphLayout layout = CalcGlyphLayout(TSize(Client.Width(), Client.Height()), glyph, text, Offset,
                                                      Layout, Margin, Spacing, (BiDiFlags & DT_RIGHT) != 0,
                                                      Pressed || Down);
    GlyphPos = layout.GlyphPos;
    TextBounds = layout.TextBounds;
}

bool ThemesEnabled() { return CommonControlsVersion() >= 600 && IsThemeActive() && IsAppThemed(); }

void RemoveGlyphGamma(TPNGObject* Png) {
    if (Png->Empty())
        return;
    const int type = Png->ColorType();
    if (type == ctRGB || type == ctPalette || type == ctRGBAlpha)
        while (TChunkgAMA* gamma = Png->ChunkOfClass<TChunkgAMA>())
            Png->RemoveChunk(gamma);
}

bool TakeActionImage(TObject* Sender, TPNGObject* Png, bool FromAction) {
    auto* action = dynamic_cast<TCustomAction*>(Sender);
    if (!action || !(Png->Empty() || FromAction) || !action->ActionList())
        return false;
    TCustomImageList* images = action->ActionList()->Images();
    const int index = action->ImageIndex();
    if (!images || index < 0 || index >= images->Count())
        return false;
    CopyImageFromImageList(Png, images, index);
    return true;
}
