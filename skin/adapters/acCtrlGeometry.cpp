#include "acCtrlGeometry.h"

#include "skin/engine/sSkinManager.h"

#include <algorithm>

int CheckStateOf(LRESULT ButtonState) {
    if (ButtonState & BST_INDETERMINATE)
        return 2;
    return (ButtonState & BST_CHECKED) ? 1 : 0;
}

bool IsRadioStyle(LONG Style) {
    // The button type is the low four bits; the automatic radio button of dialogs is as much a radio button as
    // the plain one, so both get the round glyphs.
    LONG type = Style & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

const char* CheckGlyphName(bool Radio, int CheckState) {
    switch (CheckState) {
    case 1:
        return Radio ? "RADIOCHECKED" : "BOXCHECKED";
    case 2:
        return "BOXGRAYED";
    default:
        return Radio ? "RADIOUNCHECKED" : "BOXUNCHECKED";
    }
}

int CheckGlyphIndex(TsSkinManager* Manager, LONG Style, int CheckState) {
    if (!Manager)
        return -1;
    int global = Manager->ConstData.IndexGlobalInfo;
    if (global < 0)
        return -1;
    return Manager->GetMaskIndex(global, "GLOBALINFO", CheckGlyphName(IsRadioStyle(Style), CheckState));
}

TSize CheckGlyphSize(TsSkinManager* Manager, int MaskIndex) {
    if (!Manager || !Manager->IsValidImgIndex(MaskIndex))
        return TSize(0, 0);
    TsMaskData& mask = Manager->Masks[static_cast<size_t>(MaskIndex)];
    if (mask.ImageCount == 0)
        mask.ImageCount = 1;
    if (mask.Bmp && !mask.Bmp->Empty())
        return TSize(mask.Bmp->Width() / 3, mask.Bmp->Height() / 2);
    return TSize(mask.R.Width() / mask.ImageCount, mask.R.Height() / (std::max<int>(mask.MaskType, 0) + 1));
}

TRect CheckGlyphRect(bool GlyphValid, TSize Glyph, int Width, int Height, LONG Style) {
    if (!GlyphValid)
        return Rect(0, 0, 16, 16);
    int top = (Height - Glyph.cy) / 2;
    if (Style & BS_LEFTTEXT)
        return Rect(Width - Glyph.cx, top, Width, top + Glyph.cy);
    return Rect(0, top, Glyph.cx, top + Glyph.cy);
}

int CheckGlyphState(LRESULT ButtonState, bool Hot) {
    if (ButtonState & BST_PUSHED)
        return 2;
    return ((ButtonState & BST_FOCUS) || Hot) ? 1 : 0;
}

TRect CheckCaptionRect(int Width, int Height, int Avail, TSize Text, bool Multiline, bool LeftText) {
    int top = std::max((Height - static_cast<int>(Text.cy)) / 2, 0);
    int bottom = Height - top;
    if (LeftText)
        return Rect(2, top, Text.cx + 2, bottom);
    int left = Width - Avail + 2;
    TRect r = Rect(left, top, left + Text.cx, bottom);
    OffsetRect(&r, Multiline ? -1 : 0, -1);
    return r;
}

TRect GroupCaptionBand(int TextWidth, int TextHeight, int Width) {
    TRect band = Rect(6, 0, TextWidth + 14, std::max(4, TextHeight) + 2);
    if (TextWidth + 14 > Width)
        band.right = Width - 1;
    return band;
}

std::pair<TRect, TRect> SpinHalves(int Width, int Height, bool Vertical) {
    if (Vertical)
        return {Rect(0, 0, Width, (Height + 1) / 2), Rect(0, Height / 2, Width, Height)};
    return {Rect(0, 0, (Width + 1) / 2, Height), Rect(Width / 2, 0, Width, Height)};
}

std::pair<int, int> SpinStates(bool CursorInside, bool CursorInFirstHalf, bool Pressed) {
    if (!CursorInside)
        return {0, 0};
    int pressed = Pressed ? 2 : 0;
    return CursorInFirstHalf ? std::pair<int, int>{pressed, 0} : std::pair<int, int>{0, pressed};
}

TacTabPosition TabPositionOf(LONG Style) {
    if (Style & TCS_VERTICAL)
        return (Style & TCS_RIGHT) ? tpRight : tpLeft;
    return (Style & TCS_BOTTOM) ? tpBottom : tpTop;
}

int TabStyleOf(LONG Style) {
    if (Style & TCS_FLATBUTTONS)
        return 2;
    return (Style & TCS_BUTTONS) ? 1 : 0;
}

std::string PageSectionOf(const std::string& Section, TacTabPosition Position) {
    if (Section != "PAGECONTROL")
        return Section;
    static const char* const names[4] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"};
    return names[Position];
}

std::string TabSectionOf(TacTabPosition Position, int TabStyle) {
    if (TabStyle == 1)
        return "BUTTON";
    if (TabStyle == 2)
        return "TOOLBUTTON";
    static const char* const names[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
    return names[Position];
}

TRect AdjustTabRect(TRect R, TacTabPosition Position, bool Active, int TabStyle) {
    if (TabStyle != 0 || R.left == R.right)
        return R;
    if (Active) {
        R.bottom -= 1;
    } else {
        R.bottom += 3;
        R.right -= 1;
    }
    switch (Position) {
    case tpTop:
        if (Active)
            InflateRect(&R, 2, 2);
        R.bottom += 1;
        break;
    case tpBottom:
        if (Active) {
            InflateRect(&R, 2, 1);
            R.top -= 2;
            R.bottom += 1;
        } else {
            R.top -= 2;
            R.bottom -= 3;
        }
        break;
    case tpLeft:
        InflateRect(&R, 0, 1);
        R.right += 2;
        if (Active) {
            InflateRect(&R, 1, 1);
        } else {
            R.bottom -= 4;
            R.right += 2;
        }
        break;
    case tpRight:
        InflateRect(&R, 1, 0);
        OffsetRect(&R, -1, -1);
        if (Active) {
            InflateRect(&R, 1, 1);
            R.bottom += 3;
        } else {
            R.bottom -= 2;
        }
        break;
    }
    return R;
}

TRect PageRectOf(int Width, int Height, const TRect& Display, TacTabPosition Position, bool HasTabs) {
    TRect r = Rect(0, 0, Width, Height);
    if (!HasTabs)
        return r;
    switch (Position) {
    case tpTop: r.top = Display.top - 4; break;
    case tpBottom: r.bottom = Display.bottom + 1; break;
    case tpLeft: r.left = Display.left - 1; break;
    case tpRight: r.right = Display.right + 1; break;
    }
    return r;
}

TRect TabsBandOf(int Width, int Height, const TRect& Display, TacTabPosition Position, bool HasTabs) {
    TRect r = Rect(0, 0, Width, Height);
    if (!HasTabs)
        return r;
    switch (Position) {
    case tpTop: r.bottom = Display.top - 4; break;
    case tpBottom: r.top = Display.bottom + 1; break;
    case tpLeft: r.right = Display.left - 1; break;
    case tpRight: r.left = Display.right + 1; break;
    }
    return r;
}

int TabRowOf(const TRect& Item, const TRect& Band, int Rows, TacTabPosition Position) {
    if (Rows < 2)
        return 1;
    int w = std::max<int>(Item.Width(), 1), h = std::max<int>(Item.Height(), 1);
    switch (Position) {
    case tpTop: return (Item.bottom + h / 2) / h;
    case tpLeft: return (Item.right + w / 2) / w;
    case tpRight: return Rows - ((Item.right - Band.left + w / 2) / w) + 1;
    case tpBottom: return Rows - ((Item.bottom - Band.top + h / 2) / h) + 1;
    }
    return 1;
}

int ToolButtonStateOf(TCustomDrawState State, bool Highlighted, bool Indeterminate) {
    bool plain = !Highlighted && !Indeterminate;
    TCustomDrawState rest = State;
    rest.Exclude(cdsDisabled);
    if (plain && rest.Empty())
        return 0;
    if (plain && !State.Contains(cdsSelected) && !State.Contains(cdsChecked))
        return 1;
    return 2;
}

std::pair<std::string, std::string> SplitButtonCaption(const std::string& Caption) {
    size_t middle = Caption.size() / 2, best = std::string::npos;
    for (size_t i = 0; i < Caption.size(); ++i)
        if (Caption[i] == ' ' &&
            (best == std::string::npos || (i > middle ? i - middle : middle - i) < (best > middle ? best - middle : middle - best)))
            best = i;
    if (best == std::string::npos)
        return {Caption, ""};
    std::string first = Caption.substr(0, best), second = Caption.substr(best + 1);
    auto blank = [](const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; };
    if (blank(first) || blank(second))
        return {Caption, ""};
    return {first, second};
}
