#include "ExtCtrls.h"

#include "classlib/runtime/FormResources.h"
#include "Forms.h"
#include "classlib/runtime/MessageWindow.h"

#include <algorithm>
#include <vector>

namespace {
constexpr UINT_PTR TimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    FWindowHandle = AllocateHWnd(TWndMethod(this, &TTimer::WndProc));
    UpdateTimer();
}

TTimer::~TTimer() {
    KillTimer(FWindowHandle, TimerId);
    DeallocateHWnd(FWindowHandle);
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == FInterval)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    KillTimer(FWindowHandle, TimerId);
    if (FInterval != 0 && FEnabled && !SetTimer(FWindowHandle, TimerId, FInterval, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer() {
    if (OnTimer)
        OnTimer(this);
}

void TTimer::WndProc(TMessage& Message) {
    if (Message.Msg != WM_TIMER) {
        DefaultHandler(FWindowHandle, Message);
        return;
    }
    try {
        Timer();
    } catch (...) {
        Application->HandleException(this);
    }
}

// --- frames ---

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    --Rect.bottom;
    --Rect.right;
    for (int i = 0; i < Width; ++i) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({TPoint(Rect.left, Rect.bottom), TPoint(Rect.left, Rect.top), TPoint(Rect.right, Rect.top)});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline({TPoint(Rect.right, Rect.top), TPoint(Rect.right, Rect.bottom),
                          TPoint(Rect.left - 1, Rect.bottom)});
        InflateRect(&Rect, -1, -1);
    }
    ++Rect.bottom;
    ++Rect.right;
}

// --- TCustomPanel ---

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                     csReplicatable};
    SetBoundsFields(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

int TCustomPanel::BevelSize() const {
    return (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0);
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    int bevel = BevelSize();
    InflateRect(&Rect, -bevel, -bevel);
}

void TCustomPanel::Paint() {
    static const UINT aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    auto bevel = [&](TBevelCut cut) {
        TColor top = cut == bvLowered ? clBtnShadow : cut == bvRaised ? clBtnHighlight : FColor;
        TColor bottom = cut == bvLowered ? clBtnHighlight : cut == bvRaised ? clBtnShadow : FColor;
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    };
    if (FBevelOuter != bvNone)
        bevel(FBevelOuter);
    Frame3D(canvas, r, FColor, FColor, FBorderWidth);
    if (FBevelInner != bvNone)
        bevel(FBevelInner);
    canvas->Brush()->SetColor(FColor);
    canvas->FillRect(r);
    std::string caption = Text();
    if (caption.empty())
        return;
    canvas->Font()->Assign(FFont.get());
    if (!FEnabled)
        canvas->Font()->SetColor(clGrayText);
    TRect text = r;
    InflateRect(&text, -1, 0);
    DrawTextOn(canvas, caption, text, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | aligns[FAlignment]);
}

void TCustomPanel::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_ENABLEDCHANGED) {
        TCustomControl::Dispatch(Message);
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(Message);
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
    if (Value == FBevelInner)
        return;
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
    if (Value == FBevelOuter)
        return;
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
    if (Value < 1 || Value == FBevelWidth)
        return;
    FBevelWidth = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Invalidate();
}

// --- TBevel ---

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle.Include(csReplicatable);
    SetBoundsFields(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
    if (Value == FShape)
        return;
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    canvas->Pen()->SetWidth(1);
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    int w = FWidth, h = FHeight;
    switch (FShape) {
    case bsBox: {
        TRect r(0, 0, w, h);
        Frame3D(canvas, r, first, second, 1);
        break;
    }
    case bsFrame: {
        // Two offset outlines make the etched groove.
        TRect outer(0, 0, w - 1, h - 1);
        Frame3D(canvas, outer, first, first, 1);
        TRect inner(1, 1, w, h);
        Frame3D(canvas, inner, second, second, 1);
        break;
    }
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// --- TShape ---

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()) {
    FControlStyle.Include(csReplicatable);
    SetBoundsFields(0, 0, 65, 65);
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
    FPen->OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType Value) {
    if (Value == FShape)
        return;
    FShape = Value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Pen()->Assign(FPen.get());
    canvas->Brush()->Assign(FBrush.get());
    int pw = FPen->Width();
    int x = pw / 2, y = x;
    int w = FWidth - pw + 1, h = FHeight - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    // A square or circle takes the smaller side, centred.
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare:
        canvas->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
        break;
    case stEllipse:
    case stCircle:
        canvas->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// --- TImage ---

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    FControlStyle.Include(csReplicatable);
    SetBoundsFields(0, 0, 105, 105);
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    TGraphic* g = FPicture->Graphic();
    bool opaque = g && !g->Empty() && !g->Transparent() && !FTransparent &&
                  (FStretch || (g->Width() >= FWidth && g->Height() >= FHeight));
    if (opaque)
        FControlStyle.Include(csOpaque);
    else
        FControlStyle.Exclude(csOpaque);
    Invalidate();
}

TCanvas* TImage::ImageCanvas() {
    TGraphic* g = FPicture->Graphic();
    if (!dynamic_cast<TBitmap*>(g)) {
        if (g && !g->Empty())
            throw EInvalidOperation("Only a bitmap picture can be drawn on");
        TBitmap* b = FPicture->Bitmap();
        b->SetSize(FWidth, FHeight);
        return b->Canvas();
    }
    return static_cast<TBitmap*>(g)->Canvas();
}

TRect TImage::DestRect() const {
    int w = FPicture->Width(), h = FPicture->Height();
    int cw = FWidth, ch = FHeight;
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            double scale = std::min(static_cast<double>(cw) / w, static_cast<double>(ch) / h);
            w = static_cast<int>(w * scale);
            h = static_cast<int>(h * scale);
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r(0, 0, w, h);
    if (FCenter)
        OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty())
        return;
    bool wasTransparent = g->Transparent();
    if (FTransparent && !wasTransparent)
        g->SetTransparent(true);
    Canvas()->StretchDraw(DestRect(), g);
    if (FTransparent && !wasTransparent)
        g->SetTransparent(false);
}

void TImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    PictureChanged();
}

void TImage::SetCenter(bool Value) {
    FCenter = Value;
    PictureChanged();
}

void TImage::SetStretch(bool Value) {
    FStretch = Value;
    PictureChanged();
}

void TImage::SetProportional(bool Value) {
    FProportional = Value;
    PictureChanged();
}

void TImage::SetTransparent(bool Value) {
    FTransparent = Value;
    PictureChanged();
}

// --- TPaintBox ---

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle.Include(csReplicatable);
    SetBoundsFields(0, 0, 105, 105);
}

void TPaintBox::Paint() {
    if (OnPaint)
        OnPaint(this);
}

namespace {
const bool ExtCtrlsRegistered = [] {
    RegisterFormClass<TTimer>([](TFormClass<TTimer>& c) {
        c.Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
        c.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000u);
        c.Event("OnTimer", &TTimer::OnTimer);
    });
    const std::vector<std::string> cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
    RegisterFormClass<TCustomPanel>([&](TFormClass<TCustomPanel>& c) {
        c.Enum("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment,
               {"taLeftJustify", "taRightJustify", "taCenter"})
            .Default(taCenter);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        c.Enum("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner, cuts).Default(bvNone);
        c.Enum("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter, cuts).Default(bvRaised);
        c.Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
        c.Enum("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle,
               {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
            .Default(bsNone);
        c.Boolean("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint).Default(true);
    });
    RegisterFormClass<TPanel>();
    RegisterFormClass<TBevel>([](TFormClass<TBevel>& c) {
        c.Enum("Shape", &TBevel::Shape, &TBevel::SetShape,
               {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"})
            .Default(bsBox);
        c.Enum("Style", &TBevel::Style, &TBevel::SetStyle, {"bsLowered", "bsRaised"}).Default(bsLowered);
    });
    RegisterFormClass<TShape>([](TFormClass<TShape>& c) {
        c.Object("Brush", &TShape::Brush);
        c.Object("Pen", &TShape::Pen);
        c.Enum("Shape", &TShape::Shape, &TShape::SetShape,
               {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"})
            .Default(stRectangle);
    });
    RegisterFormClass<TImage>([](TFormClass<TImage>& c) {
        c.Boolean("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
        c.Boolean("Center", &TImage::Center, &TImage::SetCenter).Default(false);
        c.Object("Picture", &TImage::Picture);
        c.Boolean("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
        c.Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
        c.Boolean("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
    });
    RegisterFormClass<TPaintBox>([](TFormClass<TPaintBox>& c) { c.Event("OnPaint", &TPaintBox::OnPaint); });
    return true;
}();
}  // namespace
