#include "Buttons.h"

#include "classlib/runtime/FormResources.h"

#include <algorithm>
#include <vector>

namespace {

// Where a source pixel is 1 (white) the brush is painted, elsewhere the destination stays.
constexpr DWORD ROP_DSPDxax = 0x00E20746;

}  // namespace

void CalcButtonLayout(const TRect& Client, TPoint Offset, TSize GlyphSize, TSize TextSize, TButtonLayout Layout,
                      int Margin, int Spacing, TPoint& GlyphPos, TRect& TextBounds) {
    TPoint client(Client.Width(), Client.Height());
    TPoint glyph(GlyphSize.cx, GlyphSize.cy), text(TextSize.cx, TextSize.cy);
    TPoint textPos;
    bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    // Across the layout both are centred; along it they follow each other.
    if (horizontal) {
        GlyphPos.y = (client.y - glyph.y + 1) / 2;
        textPos.y = (client.y - text.y + 1) / 2;
    } else {
        GlyphPos.x = (client.x - glyph.x + 1) / 2;
        textPos.x = (client.x - text.x + 1) / 2;
    }
    if (text.x == 0 || glyph.x == 0)
        Spacing = 0;
    int clientExtent = horizontal ? client.x : client.y;
    int glyphExtent = horizontal ? glyph.x : glyph.y;
    int textExtent = horizontal ? text.x : text.y;
    if (Margin == -1) {
        if (Spacing == -1) {
            Margin = (clientExtent - (glyphExtent + textExtent)) / 3;
            Spacing = Margin;
        } else {
            Margin = (clientExtent - (glyphExtent + Spacing + textExtent) + 1) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (clientExtent - (Margin + glyphExtent) - textExtent) / 2;
    }
    switch (Layout) {
    case blGlyphLeft:
        GlyphPos.x = Margin;
        textPos.x = GlyphPos.x + glyph.x + Spacing;
        break;
    case blGlyphRight:
        GlyphPos.x = client.x - Margin - glyph.x;
        textPos.x = GlyphPos.x - Spacing - text.x;
        break;
    case blGlyphTop:
        GlyphPos.y = Margin;
        textPos.y = GlyphPos.y + glyph.y + Spacing;
        break;
    case blGlyphBottom:
        GlyphPos.y = client.y - Margin - glyph.y;
        textPos.y = GlyphPos.y - Spacing - text.y;
        break;
    }
    GlyphPos.x += Client.left + Offset.x;
    GlyphPos.y += Client.top + Offset.y;
    TextBounds = Bounds(textPos.x + Client.left + Offset.x, textPos.y + Client.top + Offset.y, text.x, text.y);
}

// --- TButtonGlyph ---

TButtonGlyph::TButtonGlyph() : FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) {
        if (OnChange)
            OnChange(nullptr);
    };
}

void TButtonGlyph::SetNumGlyphs(int Value) {
    Value = std::clamp(Value, 1, 4);
    if (Value == FNumGlyphs)
        return;
    FNumGlyphs = Value;
    if (OnChange)
        OnChange(nullptr);
}

TSize TButtonGlyph::CellSize() const {
    if (FGlyph->Empty())
        return TSize(0, 0);
    return TSize(FGlyph->Width() / FNumGlyphs, FGlyph->Height());
}

void TButtonGlyph::DrawGlyph(TCanvas* Canvas, TPoint Pos, TButtonState State) {
    TSize cell = CellSize();
    if (cell.cx <= 0 || cell.cy <= 0)
        return;
    int index = 0;
    switch (State) {
    case bsUp:
        index = 0;
        break;
    case bsDisabled:
        index = FNumGlyphs > 1 ? 1 : -1;
        break;
    case bsDown:
        index = FNumGlyphs > 2 ? 2 : 0;
        break;
    case bsExclusive:
        index = FNumGlyphs > 3 ? 3 : 0;
        break;
    }
    COLORREF transparent = static_cast<COLORREF>(FGlyph->PixelColor(0, FGlyph->Height() - 1));
    HDC src = FGlyph->Canvas()->Handle();
    Canvas->Changing();
    HDC dst = Canvas->Handle();
    if (index >= 0) {
        TransparentBlt(dst, Pos.x, Pos.y, cell.cx, cell.cy, src, index * cell.cx, 0, cell.cx, cell.cy, transparent);
    } else {
        // The shape of the up cell in black on white, painted in highlight one pixel down and right, then shadow.
        HBITMAP mono = CreateBitmap(cell.cx, cell.cy, 1, 1, nullptr);
        HDC monoDC = CreateCompatibleDC(nullptr);
        HGDIOBJ oldMono = SelectObject(monoDC, mono);
        COLORREF oldSrcBk = SetBkColor(src, transparent);
        BitBlt(monoDC, 0, 0, cell.cx, cell.cy, src, 0, 0, SRCCOPY);
        SetBkColor(src, oldSrcBk);
        COLORREF oldText = SetTextColor(dst, RGB(255, 255, 255));
        COLORREF oldBk = SetBkColor(dst, RGB(0, 0, 0));
        const TColor colors[2] = {clBtnHighlight, clBtnShadow};
        for (int pass = 0; pass < 2; ++pass) {
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colors[pass])));
            HGDIOBJ oldBrush = SelectObject(dst, brush);
            BitBlt(dst, Pos.x + 1 - pass, Pos.y + 1 - pass, cell.cx, cell.cy, monoDC, 0, 0, ROP_DSPDxax);
            SelectObject(dst, oldBrush);
            DeleteObject(brush);
        }
        SetTextColor(dst, oldText);
        SetBkColor(dst, oldBk);
        SelectObject(monoDC, oldMono);
        DeleteDC(monoDC);
        DeleteObject(mono);
    }
    Canvas->Changed();
}

void TButtonGlyph::DrawCaption(TCanvas* Canvas, const std::string& Caption, TRect Bounds, TButtonState State,
                               UINT BiDiFlags) {
    if (Caption.empty())
        return;
    UINT flags = DT_CENTER | DT_VCENTER | BiDiFlags;
    if (State == bsDisabled) {
        TColor color = Canvas->Font()->Color();
        OffsetRect(&Bounds, 1, 1);
        Canvas->Font()->SetColor(clBtnHighlight);
        DrawTextOn(Canvas, Caption, Bounds, flags);
        OffsetRect(&Bounds, -1, -1);
        Canvas->Font()->SetColor(clBtnShadow);
        DrawTextOn(Canvas, Caption, Bounds, flags);
        Canvas->Font()->SetColor(color);
        return;
    }
    DrawTextOn(Canvas, Caption, Bounds, flags);
}

TRect TButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, TPoint Offset, const std::string& Caption,
                         TButtonLayout Layout, int Margin, int Spacing, TButtonState State, UINT BiDiFlags) {
    TSize text(0, 0);
    if (!Caption.empty()) {
        TRect measured(0, 0, Client.Width(), 0);
        DrawTextOn(Canvas, Caption, measured, DT_CALCRECT | BiDiFlags);
        text = TSize(measured.Width(), measured.Height());
    }
    TPoint glyphPos;
    TRect textBounds;
    CalcButtonLayout(Client, Offset, CellSize(), text, Layout, Margin, Spacing, glyphPos, textBounds);
    DrawGlyph(Canvas, glyphPos, State);
    DrawCaption(Canvas, Caption, textBounds, State, BiDiFlags);
    return textBounds;
}

// --- TSpeedButton ---

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle = {csCaptureMouse, csDoubleClicks};
    SetBoundsFields(0, 0, 23, 22);
    FGlyph.OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() { FGlyph.OnChange = nullptr; }

void TSpeedButton::Paint() {
    if (!FEnabled) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = (FDown && FGroupIndex != 0) ? bsExclusive : bsUp;
    }
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(FFont.get());
    TRect r(0, 0, FWidth, FHeight);
    bool pressed = FState == bsDown || FState == bsExclusive;
    if (!FFlat) {
        canvas->Changing();
        DrawFrameControl(canvas->Handle(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
        canvas->Changed();
    } else {
        if (pressed || (FMouseInControl && FState != bsDisabled)) {
            canvas->Changing();
            DrawEdge(canvas->Handle(), &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
                     (FTransparent ? 0 : BF_MIDDLE) | BF_RECT);
            canvas->Changed();
        } else if (!FTransparent) {
            canvas->Brush()->SetColor(FColor);
            canvas->FillRect(r);
        }
        InflateRect(&r, -1, -1);
    }
    TPoint offset(0, 0);
    if (pressed) {
        if (FState == bsExclusive && (!FFlat || !FMouseInControl)) {
            // A button that stays down shows the dotted face of a pressed toggle.
            TBitmap pattern;
            pattern.SetSize(8, 8);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    pattern.Canvas()->SetPixels(x, y, (x + y) % 2 ? clBtnHighlight : clBtnFace);
            canvas->Brush()->SetBitmap(&pattern);
            canvas->FillRect(r);
            canvas->Brush()->SetBitmap(nullptr);
        }
        offset = TPoint(1, 1);
    }
    canvas->Brush()->SetStyle(bsClear);
    FGlyph.Draw(canvas, r, offset, Text(), FLayout, FMargin, FSpacing, FState);
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled)
        return;
    if (!FDown) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging)
        return;
    bool inside = X >= 0 && X < FWidth && Y >= 0 && Y <= FHeight;
    TButtonState state = FDown ? bsExclusive : (inside ? bsDown : bsUp);
    if (state != FState) {
        FState = state;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging)
        return;
    FDragging = false;
    bool doClick = X >= 0 && X < FWidth && Y >= 0 && Y <= FHeight;
    if (FGroupIndex == 0) {
        FState = bsUp;
        Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        if (FDown)
            FState = bsExclusive;
        Repaint();
    }
    if (doClick)
        Click();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    // The last button down of a group stays down unless the group may be all up.
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    if (Value) {
        if (FState == bsUp)
            Invalidate();
        FState = bsExclusive;
    } else {
        FState = bsUp;
        Repaint();
    }
    if (Value)
        UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent)
        return;
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    for (int i = 0; i < FParent->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(FParent->Controls(i)); other && other != this)
            other->Perform(m.Msg, m.WParam, m.LParam);
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    if (Value == FAllowAllUp)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int Value) {
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) { FGlyph.Glyph()->Assign(Value); }

void TSpeedButton::SetNumGlyphs(int Value) { FGlyph.SetNumGlyphs(Value); }

void TSpeedButton::SetLayout(TButtonLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
    if (Value == FMargin || Value < -1)
        return;
    FMargin = Value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
    if (Value == FSpacing)
        return;
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    if (Value)
        FControlStyle.Exclude(csOpaque);
    else
        FControlStyle.Include(csOpaque);
    Invalidate();
}

void TSpeedButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_BUTTONPRESSED:
        if (static_cast<int>(Message.WParam) == FGroupIndex) {
            auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
            if (sender != this) {
                if (sender->Down() && FDown) {
                    FDown = false;
                    FState = bsUp;
                    Invalidate();
                }
                FAllowAllUp = sender->AllowAllUp();
            }
        }
        return;
    case CM_MOUSEENTER:
        TGraphicControl::Dispatch(Message);
        if (!FMouseInControl && FEnabled) {
            FMouseInControl = true;
            if (FFlat)
                Invalidate();
        }
        return;
    case CM_MOUSELEAVE:
        TGraphicControl::Dispatch(Message);
        if (FMouseInControl) {
            FMouseInControl = false;
            if (FFlat)
                Invalidate();
        }
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        Invalidate();
        return;
    }
    TGraphicControl::Dispatch(Message);
}

// --- TBitBtn ---

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
    FGlyph.OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() { FGlyph.OnChange = nullptr; }

void TBitBtn::CreateParams(TCreateParams& Params) {
    TButton::CreateParams(Params);
    Params.Style = (Params.Style & ~0xFu) | BS_OWNERDRAW;
}

void TBitBtn::SetButtonStyle(bool ADefault) {
    // The window stays owner drawn; the default look is ours to paint.
    if (ADefault == FIsFocused)
        return;
    FIsFocused = ADefault;
    Refresh();
}

void TBitBtn::SetGlyph(TBitmap* Value) {
    FGlyph.Glyph()->Assign(Value);
    if (Value && !Value->Empty() && Value->Height() > 0 && Value->Width() % Value->Height() == 0)
        FGlyph.SetNumGlyphs(std::clamp(Value->Width() / Value->Height(), 1, 4));
    FKind = bkCustom;
}

void TBitBtn::SetNumGlyphs(int Value) { FGlyph.SetNumGlyphs(Value); }

void TBitBtn::SetKind(TBitBtnKind Value) {
    static const char* const captions[] = {nullptr, "OK",     "Cancel", "&Help",   "&Yes",  "&No",
                                           "&Close", "Abort", "&Retry", "&Ignore", "&All"};
    static const TModalResult results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                           mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
    if (Value == FKind)
        return;
    FKind = Value;
    if (Value == bkCustom)
        return;
    SetDefault(Value == bkOK || Value == bkYes);
    SetCancel(Value == bkCancel || Value == bkNo);
    // A caption read from a form before the kind stays.
    if (!Loading() || Text().empty())
        SetCaption(captions[Value]);
    SetModalResult(results[Value]);
}

void TBitBtn::Click() {
    if (FKind == bkClose) {
        if (TCustomForm* form = GetParentForm(this)) {
            form->Close();
            return;
        }
    }
    TButton::Click();
}

void TBitBtn::SetLayout(TButtonLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TBitBtn::SetMargin(int Value) {
    if (Value == FMargin || Value < -1)
        return;
    FMargin = Value;
    Invalidate();
}

void TBitBtn::SetSpacing(int Value) {
    if (Value == FSpacing)
        return;
    FSpacing = Value;
    Invalidate();
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& DrawItemStruct) {
    TRect r = ClientRect();
    bool isDown = DrawItemStruct.itemState & ODS_SELECTED;
    bool isDefault = DrawItemStruct.itemState & ODS_FOCUS;
    FCanvas.SetHandle(DrawItemStruct.hDC);
    try {
        UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (isDown ? DFCS_PUSHED : 0) |
                     ((DrawItemStruct.itemState & ODS_DISABLED) ? DFCS_INACTIVE : 0);
        // The frame of the default button is ours: the system's push-button frame has none.
        if (FIsFocused || isDefault) {
            FCanvas.Pen()->SetColor(clWindowFrame);
            FCanvas.Pen()->SetWidth(1);
            FCanvas.Brush()->SetStyle(bsClear);
            FCanvas.Rectangle(r);
            InflateRect(&r, -1, -1);
        }
        if (isDown) {
            FCanvas.Pen()->SetColor(clBtnShadow);
            FCanvas.Pen()->SetWidth(1);
            FCanvas.Brush()->SetColor(clBtnFace);
            FCanvas.Rectangle(r);
            InflateRect(&r, -1, -1);
        } else {
            FCanvas.Changing();
            DrawFrameControl(DrawItemStruct.hDC, &r, DFC_BUTTON, flags);
            FCanvas.Changed();
        }
        if (FIsFocused) {
            r = ClientRect();
            InflateRect(&r, -1, -1);
        }
        FCanvas.Font()->Assign(FFont.get());
        if (isDown)
            OffsetRect(&r, 1, 1);
        TButtonState state = !FEnabled ? bsDisabled : isDown ? bsDown : bsUp;
        FCanvas.Brush()->SetStyle(bsClear);
        FGlyph.Draw(&FCanvas, r, TPoint(0, 0), Text(), FLayout, FMargin, FSpacing, state);
        if (FIsFocused && isDefault) {
            r = ClientRect();
            InflateRect(&r, -4, -4);
            FCanvas.Pen()->SetColor(clWindowFrame);
            FCanvas.Brush()->SetColor(clBtnFace);
            FCanvas.DrawFocusRect(r);
        }
    } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
    }
    FCanvas.SetHandle(nullptr);
}

void TBitBtn::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam));
        Message.Result = 1;
        return;
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button hears double clicks as such; they are two presses.
        Message.Msg = WM_LBUTTONDOWN;
        break;
    case CM_MOUSEENTER:
        TButton::Dispatch(Message);
        if (!FMouseInControl) {
            FMouseInControl = true;
            Invalidate();
        }
        return;
    case CM_MOUSELEAVE:
        TButton::Dispatch(Message);
        if (FMouseInControl) {
            FMouseInControl = false;
            Invalidate();
        }
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TButton::Dispatch(Message);
        Invalidate();
        return;
    }
    TButton::Dispatch(Message);
}

// --- form storage ---

namespace {

const std::vector<std::string> LayoutNames = {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"};

const bool ButtonsRegistered = [] {
    RegisterFormClass<TSpeedButton>([](TFormClass<TSpeedButton>& c) {
        c.Boolean("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        c.Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
        c.Boolean("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
        c.Boolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
        c.Object("Glyph", &TSpeedButton::Glyph).Stored([](TSpeedButton* b) { return !b->Glyph()->Empty(); });
        c.Enum("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout, LayoutNames).Default(blGlyphLeft);
        c.Integer("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin).Default(-1);
        c.Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
        c.Integer("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing).Default(4);
        c.Boolean("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent).Default(true);
    });
    RegisterFormClass<TBitBtn>([](TFormClass<TBitBtn>& c) {
        c.Enum("Kind", &TBitBtn::Kind, &TBitBtn::SetKind,
               {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
                "bkIgnore", "bkAll"})
            .Default(bkCustom);
        c.Object("Glyph", &TBitBtn::Glyph).Stored([](TBitBtn* b) { return !b->Glyph()->Empty(); });
        c.Enum("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout, LayoutNames).Default(blGlyphLeft);
        c.Integer("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1);
        c.Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
        c.Integer("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing).Default(4);
    });
    return true;
}();

}  // namespace
